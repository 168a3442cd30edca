#pragma once
// Small footage for the viewer's motion search: two cameras of 352 x 240
// pictures, 40 images each. Camera 1's figure crosses kCrossingArea in
// images 12..20; camera 2's crosses it later, in images 28..34. The
// four-camera footage, for a split, has the crossing of images 12..20 on
// camera 3 alone.
#include <string>

#include "tests/MotionFootage.h"

namespace selvo::test {

constexpr MotionRect kCrossingArea{120, 60, 120, 150};

inline MotionFootageOptions CrossingFootage() {
  MotionFootageOptions options;
  options.width = 352;
  options.height = 240;
  options.imagesPerCamera = 40;
  options.driftPeriod = 40;
  MotionCameraScene first;
  first.seed = 3;
  first.figures = {{{{12, 10, 80}, {20, 330, 80}}}};
  MotionCameraScene second;
  second.seed = 5;
  second.figures = {{{{28, 330, 90}, {34, 10, 90}}}};
  options.cameras = {first, second};
  return options;
}

inline std::string CrossingFolder() {
  std::string error;
  std::string kept = KeptFootage("motion-view-crossing", CrossingFootage(), error);
  if (kept.empty()) std::fprintf(stderr, "the crossing footage could not be written: %s\n", error.c_str());
  return kept;
}

inline std::string FourCameraFolder() {
  MotionFootageOptions options = CrossingFootage();
  MotionCameraScene still;
  still.seed = 9;
  MotionCameraScene crossing = options.cameras[0];
  options.cameras = {still, options.cameras[1], crossing, still};
  options.cameras[1].figures.clear();
  std::string error;
  std::string kept = KeptFootage("motion-view-four", options, error);
  if (kept.empty()) std::fprintf(stderr, "the four-camera footage could not be written: %s\n", error.c_str());
  return kept;
}

}  // namespace selvo::test
