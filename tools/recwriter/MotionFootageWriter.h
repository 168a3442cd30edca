#pragma once
// Writes CCTV-like footage with known motion, for the motion search's tests
// and bench: 704 x 480 scenes of several cameras, interleaved as a recorder
// exports them (INFO index, time.txt, trailers), with what real cameras add
// to every picture (sensor noise, compression, slow exposure drift, the
// lights going on) and figures walking where the scene says. It also gives
// the truth: the images in which a figure overlaps an area.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "source/motion/MotionRect.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo {

// Where a figure's top-left corner is at an image of its camera (counted
// from 0); between two waypoints it walks in a straight line, standing
// still where two follow at the same place. Before the first and after the
// last it is not in the picture.
struct MotionWaypoint {
  int image = 0;
  int x = 0;
  int y = 0;
};

struct MotionFigure {
  std::vector<MotionWaypoint> path;
  int width = 40;
  int height = 110;
  std::uint8_t shade = 45;  // its brightness against a scene of 60..170
};

// A shape (a bush, a flag) swinging left and right about a place, every image.
struct MotionSway {
  MotionRect rest;  // where it hangs at rest
  int reach = 10;  // pixels either side
  int period = 8;  // images per swing
};

struct MotionCameraScene {
  std::vector<MotionFigure> figures;
  std::vector<MotionSway> sways;
  int lightsOnAt = -1;  // the image from which the whole picture is brighter; -1 never
  std::uint32_t seed = 1;
};

struct MotionFootageOptions {
  int width = 704;
  int height = 480;
  int imagesPerCamera = 100;
  std::vector<MotionCameraScene> cameras;  // one to sixteen
  ImageFormat format = ImageFormat::kJpeg;
  int jpegQuality = 80;
  double noise = 3.0;  // standard deviation of the sensor noise, grey levels
  double drift = 0.08;  // the exposure's slow swing, as a share of the brightness
  int driftPeriod = 300;  // images
};

class MotionFootageWriter {
 public:
  explicit MotionFootageWriter(MotionFootageOptions options);

  // Writes the recording into folder (made when missing). false with
  // ErrorText when anything could not be written.
  bool Write(const std::string& folder);
  const std::string& ErrorText() const { return error_; }

  // The file of image `image` of camera `camera` (both from 0), relative to
  // the folder.
  std::string ImagePath(int camera, int image) const;
  // The runs of a camera's images (from 0, first and last) in which a
  // figure overlaps the area by at least one pixel.
  std::vector<std::pair<int, int>> Crossings(int camera, const MotionRect& area) const;
  // Where a figure stands at an image; false when it is not in the picture.
  static bool FigureAt(const MotionFigure& figure, int image, MotionRect& box);
  // One picture, top row first, 3 bytes a pixel (R, G, B).
  void Paint(int camera, int image, std::vector<std::uint8_t>& rgb) const;

 private:
  void PaintScene(int camera, std::vector<float>& luma) const;
  bool WriteImages(const std::string& folder);
  bool WriteIndex(const std::string& folder);
  bool WriteBytes(const std::string& path, const void* bytes, std::size_t size);

  MotionFootageOptions options_;
  std::vector<std::vector<float>> scenes_;  // each camera's still scene, grey
  std::string error_;
};

}  // namespace selvo
