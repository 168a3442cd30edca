#include "tools/recwriter/ScenePainter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>

namespace selvo {
namespace {

// 5 x 7 glyphs, one byte per row, bit 4 the leftmost column.
struct Glyph {
  char c;
  std::uint8_t rows[ScenePainter::kGlyphHeight];
};

constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {'A', {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
};

const Glyph* FindGlyph(char c) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& glyph : kFont) {
    if (glyph.c == upper) return &glyph;
  }
  return nullptr;
}

// One hue per camera so that split panes tell their cameras apart at a glance.
constexpr Rgb kCameraColours[16] = {
    {40, 90, 160},  {60, 140, 70},  {150, 70, 50},  {120, 60, 140}, {30, 130, 130}, {150, 120, 40},
    {90, 90, 90},   {170, 60, 100}, {50, 60, 120},  {100, 130, 40}, {140, 90, 30},  {40, 110, 90},
    {110, 50, 60},  {70, 100, 150}, {130, 130, 70}, {80, 60, 40},
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kYellow{250, 220, 40};
constexpr Rgb kCaptionBack{0, 0, 0};
constexpr int kTextScale = 3;
constexpr int kMargin = 10;

}  // namespace

ScenePainter::ScenePainter(int width, int height) : width_(width), height_(height) {}

bool ScenePainter::HasGlyph(char c) { return FindGlyph(c) != nullptr; }

std::string ScenePainter::ClockText(const CalendarFields& clock) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", clock.year, clock.month, clock.day,
                clock.hour, clock.minute, clock.second);
  return text;
}

void ScenePainter::Paint(const FrameScene& scene, std::vector<std::uint8_t>& rgb) const {
  rgb.resize(static_cast<std::size_t>(width_) * height_ * 3);
  PaintBackground(scene.camera, rgb);
  PaintMotion(scene, rgb);
  PaintCaptions(scene, rgb);
}

void ScenePainter::FillRect(std::vector<std::uint8_t>& rgb, int x, int y, int w, int h, Rgb color) const {
  const int x0 = std::max(x, 0);
  const int y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_);
  const int y1 = std::min(y + h, height_);
  for (int row = y0; row < y1; ++row) {
    std::uint8_t* p = &rgb[(static_cast<std::size_t>(row) * width_ + x0) * 3];
    for (int col = x0; col < x1; ++col, p += 3) {
      p[0] = color.r;
      p[1] = color.g;
      p[2] = color.b;
    }
  }
}

void ScenePainter::DrawText(std::vector<std::uint8_t>& rgb, int x, int y, const std::string& text, int scale,
                            Rgb color) const {
  int penX = x;
  for (char c : text) {
    const Glyph* glyph = FindGlyph(c);
    if (glyph == nullptr) continue;
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int col = 0; col < kGlyphWidth; ++col) {
        if (glyph->rows[row] & (0x10 >> col)) {
          FillRect(rgb, penX + col * scale, y + row * scale, scale, scale, color);
        }
      }
    }
    penX += (kGlyphWidth + 1) * scale;
  }
}

void ScenePainter::PaintBackground(int camera, std::vector<std::uint8_t>& rgb) const {
  const Rgb base = kCameraColours[static_cast<unsigned>(camera) % 16];
  for (int row = 0; row < height_; ++row) {
    // Darker at the top, lighter towards the bottom.
    const int shade = 40 + 160 * row / std::max(height_ - 1, 1);
    const Rgb line{static_cast<std::uint8_t>(base.r * shade / 200 + 20),
                   static_cast<std::uint8_t>(base.g * shade / 200 + 20),
                   static_cast<std::uint8_t>(base.b * shade / 200 + 20)};
    FillRect(rgb, 0, row, width_, 1, line);
  }
  // A few still blocks, placed per camera, give every view its own scenery.
  for (int i = 0; i < 3; ++i) {
    const unsigned seed = static_cast<unsigned>(camera) * 7u + static_cast<unsigned>(i) * 13u;
    const int w = width_ / 8 + static_cast<int>(seed * 37u % 64u);
    const int h = height_ / 4 + static_cast<int>(seed * 53u % 96u);
    const int x = width_ / 5 + i * width_ / 4 + static_cast<int>(seed % 17u) * 3;
    const Rgb block{static_cast<std::uint8_t>(base.r / 2 + 30), static_cast<std::uint8_t>(base.g / 2 + 30),
                    static_cast<std::uint8_t>(base.b / 2 + 30)};
    FillRect(rgb, x, height_ - h, w, h, block);
  }
}

void ScenePainter::PaintMotion(const FrameScene& scene, std::vector<std::uint8_t>& rgb) const {
  const int box = std::max(height_ / 8, 8);
  const auto frame = static_cast<std::int64_t>(scene.frameNumber % 1000000);
  // The box sweeps back and forth; each camera has its own lane.
  const int travel = std::max(width_ - box, 1);
  const int step = static_cast<int>((frame * 12) % (2 * travel));
  const int boxX = step < travel ? step : 2 * travel - step;
  // Lanes start below the captions.
  const int lanes = std::max((height_ - 3 * box) / box, 1);
  const int boxY = 2 * box + (scene.camera % lanes) * box;
  FillRect(rgb, boxX, boxY, box, box, kYellow);

  const int barX = static_cast<int>((frame * 5) % std::max(width_, 1));
  FillRect(rgb, barX, 0, 4, height_, kWhite);
}

void ScenePainter::PaintCaptions(const FrameScene& scene, std::vector<std::uint8_t>& rgb) const {
  const int lineHeight = (kGlyphHeight + 3) * kTextScale;
  char camera[16];
  std::snprintf(camera, sizeof camera, "CAM %02d", scene.camera + 1);
  std::string label;
  std::copy_if(scene.label.begin(), scene.label.end(), std::back_inserter(label), HasGlyph);
  std::string caption = camera;
  if (!label.empty()) caption += " " + label;
  const int captionWidth = static_cast<int>(caption.size()) * (kGlyphWidth + 1) * kTextScale;
  FillRect(rgb, kMargin - 4, kMargin - 4, captionWidth + 8, lineHeight, kCaptionBack);
  DrawText(rgb, kMargin, kMargin, caption, kTextScale, kWhite);

  if (!scene.showClock) return;
  const std::string clock = ClockText(scene.clock);
  const int clockWidth = static_cast<int>(clock.size()) * (kGlyphWidth + 1) * kTextScale;
  const int clockY = kMargin + lineHeight;
  FillRect(rgb, kMargin - 4, clockY - 4, clockWidth + 8, lineHeight, kCaptionBack);
  DrawText(rgb, kMargin, clockY, clock, kTextScale, kWhite);
}

}  // namespace selvo
