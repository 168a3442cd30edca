#pragma once
// The footage the motion tests search: two cameras of 704 x 480 pictures
// with sensor noise, JPEG noise and a slow exposure drift throughout.
// Camera 1, searched in kDoorArea: a figure crossing it in two images, at
// 25 and at 8 pixels an image, and once stopping inside it for 30 images;
// a figure walking only outside it; a bush swaying at its left edge, never
// filling a sample inside it; the lights going on over the whole picture
// while the stopped figure stands in the area. Camera 2: a crossing of the same area while
// camera 1's is empty, and later one of kCornerArea, at the picture's
// bottom-right corner, walking out of the picture.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/recwriter/MotionFootageWriter.h"

namespace selvo::test {

constexpr MotionRect kDoorArea{400, 140, 200, 200};
constexpr MotionRect kCornerArea{504, 280, 200, 200};

inline MotionFootageOptions DoorwayFootage(int imagesPerCamera = 300) {
  MotionFootageOptions options;
  options.imagesPerCamera = imagesPerCamera;
  MotionCameraScene door;
  door.seed = 7;
  door.figures = {
      {{{20, 330, 180}, {23, 720, 180}}},  // 130 pixels an image: in the area for two
      {{{40, 20, 300}, {90, 290, 330}}},  // only outside: below and left of it
      {{{100, 300, 200}, {117, 725, 200}}},  // 25 pixels an image
      {{{170, 320, 190}, {182, 480, 190}, {212, 480, 190}, {228, 720, 190}}, 40, 110, 190},  // stops, light clothes
      {{{240, 340, 170}, {275, 620, 170}}},  // 8 pixels an image
  };
  door.sways = {{{356, 250, 36, 70}, 10, 8}};  // reaches 2 pixels into the area
  door.lightsOnAt = 195;
  MotionCameraScene yard;
  yard.seed = 11;
  yard.figures = {{{{55, 330, 160}, {75, 650, 160}}}, {{{150, 420, 362}, {176, 730, 362}}}};
  options.cameras = {door, yard};
  return options;
}

// One camera in JPEG 2000: a figure crossing kDoorArea at 20 pixels an
// image, the lights going on after it.
inline MotionFootageOptions Jp2Footage() {
  MotionFootageOptions options;
  options.imagesPerCamera = 60;
  options.format = ImageFormat::kJp2;
  MotionCameraScene scene;
  scene.figures = {{{{15, 300, 190}, {36, 720, 190}}}};
  scene.lightsOnAt = 45;
  options.cameras = {scene};
  return options;
}

// Every number the footage is drawn from, so that footage kept from an
// earlier build is written again when the scene changes.
inline std::string FootageFingerprint(const MotionFootageOptions& options) {
  std::ostringstream text;
  text << options.width << ' ' << options.height << ' ' << options.imagesPerCamera << ' ' << static_cast<int>(options.format)
       << ' ' << options.jpegQuality << ' ' << options.noise << ' ' << options.drift << ' ' << options.driftPeriod;
  for (const MotionCameraScene& camera : options.cameras) {
    text << " | " << camera.seed << ' ' << camera.lightsOnAt;
    for (const MotionFigure& figure : camera.figures) {
      text << " f" << figure.width << ' ' << figure.height << ' ' << int{figure.shade};
      for (const MotionWaypoint& point : figure.path) text << ' ' << point.image << ',' << point.x << ',' << point.y;
    }
    for (const MotionSway& sway : camera.sways) text << " s" << MotionRectText(sway.rest) << ' ' << sway.reach << ' ' << sway.period;
  }
  return text.str();
}

// The footage, written once into the build tree and kept there for every
// test that reads it (painting and encoding it costs a minute under the
// sanitizers). Tests that damage images copy them first. Written under a
// temporary name and renamed, so two tests starting together cannot see
// half of it.
inline std::string KeptFootage(const std::string& name, const MotionFootageOptions& options, std::string& error) {
  namespace fs = std::filesystem;
  const std::string folder = std::string(SELVO_BINARY_DIR) + "/test-data/" + name;
  const std::string fingerprint = FootageFingerprint(options);
  fs::create_directories(std::string(SELVO_BINARY_DIR) + "/test-data");
  // ctest runs several of these tests at once: the first writes the footage
  // while the others wait, and none may replace it under another's reads.
  const int lock = open((folder + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0 || flock(lock, LOCK_EX) != 0) {
    error = "cannot lock " + folder + ".lock";
    if (lock >= 0) close(lock);
    return {};
  }
  std::ifstream mark(folder + "/.complete");
  const std::string written((std::istreambuf_iterator<char>(mark)), std::istreambuf_iterator<char>());
  std::string kept = folder;
  if (written != fingerprint) {
    std::error_code code;
    fs::remove_all(folder, code);
    MotionFootageWriter writer(options);
    if (writer.Write(folder)) {
      std::ofstream(folder + "/.complete") << fingerprint;
    } else {
      error = writer.ErrorText();
      kept.clear();
    }
  }
  close(lock);
  return kept;
}

// The doorway footage, kept as above; empty when it could not be written
// (the reason is on stderr).
inline const std::string& DoorwayFolder() {
  static const std::string folder = [] {
    std::string error;
    std::string kept = KeptFootage("motion-doorway", DoorwayFootage(), error);
    if (kept.empty()) std::fprintf(stderr, "the doorway footage could not be written: %s\n", error.c_str());
    return kept;
  }();
  return folder;
}

}  // namespace selvo::test
