#pragma once
// A rectangle of the recorded picture, in its pixels from the top-left
// corner: an area to search or one to ignore.
#include <string>
#include <vector>

namespace selvo {

struct MotionRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  long long Right() const { return static_cast<long long>(x) + width; }
  long long Bottom() const { return static_cast<long long>(y) + height; }
  // Whether the whole rectangle lies on a picture of this size.
  bool FitsIn(int pictureWidth, int pictureHeight) const {
    return x >= 0 && y >= 0 && width > 0 && height > 0 && Right() <= pictureWidth && Bottom() <= pictureHeight;
  }
  bool operator==(const MotionRect& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height;
  }
};

// "X,Y,W,H" with X, Y >= 0 and W, H >= 1; false for anything else.
bool ParseMotionRect(const std::string& text, MotionRect& rect);

// "X,Y,W,H", as ParseMotionRect reads it.
std::string MotionRectText(const MotionRect& rect);

// What to search: the areas, what to leave out of them, and how much of an
// area must change for an image to count as motion.
struct MotionSettings {
  static constexpr int kLeastSensitive = 1;
  static constexpr int kMostSensitive = 10;
  static constexpr int kDefaultSensitivity = 5;

  std::vector<MotionRect> areas;
  std::vector<MotionRect> ignores;
  int sensitivity = kDefaultSensitivity;
};

// The share of an area (0..1) whose change starts an event at this
// sensitivity: 20 % at 1, falling by a factor 0.6 a step to 0.2 % at 10.
double MotionStartShare(int sensitivity);

}  // namespace selvo
