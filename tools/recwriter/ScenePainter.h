#pragma once
// Draws the test pictures of a demo recording: a gradient background per
// camera, a box and a bar that move with the frame number, and the camera
// number and recording clock burned in with a tiny built-in bitmap font.
#include <cstdint>
#include <string>
#include <vector>

#include "source/CalendarTime.h"

namespace selvo {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

struct FrameScene {
  int camera = 0;                 // 0-based, drawn as "CAM 01"
  std::uint64_t frameNumber = 0;  // drives the motion
  std::string label;              // drawn after the camera number; characters without a glyph are skipped
  bool showClock = true;
  CalendarFields clock;
};

class ScenePainter {
 public:
  static constexpr int kGlyphWidth = 5;
  static constexpr int kGlyphHeight = 7;

  ScenePainter(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Replaces rgb with the frame: top-down rows of packed R, G, B bytes.
  void Paint(const FrameScene& scene, std::vector<std::uint8_t>& rgb) const;

  // Digits, upper-case letters (lower case drawn as upper), space and - : . /
  // have glyphs. Everything is clipped to the frame.
  void DrawText(std::vector<std::uint8_t>& rgb, int x, int y, const std::string& text, int scale,
                Rgb color) const;
  void FillRect(std::vector<std::uint8_t>& rgb, int x, int y, int w, int h, Rgb color) const;

  // "YYYY-MM-DD hh:mm:ss"
  static std::string ClockText(const CalendarFields& clock);
  static bool HasGlyph(char c);

 private:
  void PaintBackground(int camera, std::vector<std::uint8_t>& rgb) const;
  void PaintMotion(const FrameScene& scene, std::vector<std::uint8_t>& rgb) const;
  void PaintCaptions(const FrameScene& scene, std::vector<std::uint8_t>& rgb) const;

  int width_;
  int height_;
};

}  // namespace selvo
