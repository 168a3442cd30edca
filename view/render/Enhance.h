#pragma once
// Enhancement for the eye only: brightness, contrast, gamma, an automatic
// levels stretch, an unsharp mask and greyscale, applied to the pixels of a
// composed pane and never to a recording's bytes. The per-pixel controls
// fold into one 256-entry lookup table, so every control on costs one pass
// over the pane plus the sharpen.
#include <array>
#include <cstdint>
#include <string>

#include <QImage>
#include <QRect>

namespace selvo {

struct EnhanceSettings {
  static constexpr int kMinPercent = -100;
  static constexpr int kMaxPercent = 100;
  static constexpr int kMinGammaTenths = 2;
  static constexpr int kMaxGammaTenths = 50;
  static constexpr int kMaxSharpen = 100;

  int brightness = 0;     // -100..100: percent of full scale added
  int contrast = 0;       // -100..100: flatter below 0, steeper above
  int gammaTenths = 10;   // 2..50, tenths: above 10 lifts the shadows
  bool autoLevels = false;  // stretch 0.5 % .. 99.5 % of the shown picture to full scale
  int sharpen = 0;        // 0..100: strength of the unsharp mask
  bool greyscale = false;

  bool IsActive() const;
  // Every field brought inside its range.
  EnhanceSettings Clamped() const;
  bool operator==(const EnhanceSettings& o) const;
  bool operator!=(const EnhanceSettings& o) const { return !(*this == o); }
};

// What a saved or printed picture says about its enhancement, e.g.
// "enhanced: contrast +20, gamma 1.4"; empty when nothing is enhanced.
std::string EnhanceDescription(const EnhanceSettings& settings);

using LevelTable = std::array<std::uint8_t, 256>;

// Input levels lo..hi stretched to full scale, then contrast about
// mid-grey, brightness and gamma, rounded and clipped.
LevelTable EnhanceLookupTable(const EnhanceSettings& settings, int lo = 0, int hi = 255);

struct LevelBounds {
  int lo = 0;
  int hi = 255;
};
// The luminance levels below which 0.5 % and above which 0.5 % of the
// pixels of rect lie; 0..255 when rect holds no pixels or one flat level.
LevelBounds AutoLevelBounds(const QImage& image, const QRect& rect);

// Applies settings to the pixels of rect (clipped to the image); the image
// must be RGB32 or ARGB32. Nothing happens when nothing is enhanced.
void EnhanceRegion(QImage& image, const QRect& rect, const EnhanceSettings& settings);

}  // namespace selvo
