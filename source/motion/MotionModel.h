#pragma once
// How much of each area differs from what the scene holds when nothing
// moves, image after image of one camera, in list order.
//
// The scene is a background learnt from the images themselves. Before an
// image is compared with it, the background is brought to the image's light
// by the straight line (gain and offset) that best maps one onto the other
// over a window around the areas, outliers set aside: exposure drift, a lamp
// switched on and the camera's own gain change every sample alike, a figure
// changes only its own. What is left is judged against the picture's noise,
// measured afresh on every image, so sensor and compression noise never
// reach the score. A sample that differs keeps the background it had, so a
// figure that stops for a while stays a difference, until it has stood
// still long enough to be part of the scene (a parked car). Only samples
// wholly inside an area count for it, none that touches an ignored area,
// and only changes at least two samples wide.
#include <cstdint>
#include <vector>

#include "source/motion/LumaDecoder.h"
#include "source/motion/MotionRect.h"

namespace selvo {

class MotionModel {
 public:
  // Images a changed sample must stand still before the scene takes it in.
  static constexpr int kStillImagesAbsorbed = 150;

  explicit MotionModel(const MotionSettings& settings);

  // The share (0..1) of the most active area that changed in this image.
  // The first image, and the first of a new picture size, is the reference
  // and scores 0; so does an image in which most of the picture changed at
  // once (the camera moved or was covered), which becomes the new reference.
  double Judge(const LumaPicture& picture);
  // Images that became the reference because most of the picture changed.
  int SceneChanges() const { return sceneChanges_; }

 private:
  struct Fit {
    double gain = 1;
    double offset = 0;
    double threshold = 0;
  };

  void Start(const LumaPicture& picture);
  void PlaceAreas(const LumaPicture& picture);
  bool SampleTouches(const LumaPicture& picture, int sx, int sy, const MotionRect& rect, bool wholly) const;
  Fit FitLight(const LumaPicture& picture);
  void LineThrough(const LumaPicture& picture, double limit, Fit& fit) const;
  double NoiseOf(const LumaPicture& picture, const Fit& fit);
  void KeepChangesTwoSamplesWide(std::vector<std::uint8_t>& changed, std::vector<std::uint8_t>& kept) const;
  void Learn(const LumaPicture& picture, const Fit& fit, const std::vector<std::uint8_t>& changed);

  MotionSettings settings_;
  LumaPicture grid_;  // the sampling the background was learnt on; samples unused
  bool started_ = false;
  std::vector<float> background_;
  std::vector<std::uint8_t> previous_;
  std::vector<std::uint16_t> stillFor_;
  std::vector<std::uint8_t> usable_;  // 1: in the window and outside every ignored area
  std::vector<std::uint8_t> inArea_;  // 1: wholly inside an area, and usable
  std::vector<std::uint32_t> judged_;  // the usable samples of the window around the areas
  std::vector<std::vector<std::uint32_t>> areaSamples_;
  std::vector<std::uint32_t> histogram_;
  std::vector<std::uint8_t> changed_;  // this image's samples beyond the noise
  std::vector<std::uint8_t> kept_;  // those in changes two samples wide
  int sceneChanges_ = 0;
};

}  // namespace selvo
