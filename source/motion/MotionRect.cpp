#include "source/motion/MotionRect.h"

#include <cmath>
#include <cstdlib>

namespace selvo {

namespace {

// A whole number of at most 9 digits, so no sum of two overflows.
bool ParseCount(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::atoi(text.c_str());
  return true;
}

}  // namespace

bool ParseMotionRect(const std::string& text, MotionRect& rect) {
  int values[4] = {};
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = text.find(',', start);
    const bool last = i == 3;
    if (last != (comma == std::string::npos)) return false;
    const std::string field = text.substr(start, last ? std::string::npos : comma - start);
    if (!ParseCount(field, values[i])) return false;
    start = comma + 1;
  }
  rect = MotionRect{values[0], values[1], values[2], values[3]};
  return rect.width >= 1 && rect.height >= 1;
}

std::string MotionRectText(const MotionRect& rect) {
  return std::to_string(rect.x) + "," + std::to_string(rect.y) + "," + std::to_string(rect.width) + "," +
         std::to_string(rect.height);
}

double MotionStartShare(int sensitivity) {
  if (sensitivity < MotionSettings::kLeastSensitive) sensitivity = MotionSettings::kLeastSensitive;
  if (sensitivity > MotionSettings::kMostSensitive) sensitivity = MotionSettings::kMostSensitive;
  return 0.20 * std::pow(0.6, sensitivity - 1);
}

}  // namespace selvo
