#include "source/motion/MotionModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace selvo {

namespace {

// A difference below this many grey levels is never motion, however still
// the picture: the block noise of a compressed picture reaches it.
constexpr double kLeastDifference = 12;
// Differences beyond this many times the picture's noise are changes.
constexpr double kNoiseFactor = 4;
// How fast the background follows what does not change: a shadow that
// creeps with the sun is taken in within a few dozen images.
constexpr float kLearningRate = 0.05f;
// More of the picture than this changing at once is the camera or the
// scene, not something moving in it.
constexpr double kSceneChangeShare = 0.5;
// Samples at the ends of the scale say nothing about the light.
constexpr int kClipped = 3;
// Below this spread of the background, a gain cannot be told from an
// offset: a dark or flat scene only shifts.
constexpr double kLeastVariance = 16;
constexpr std::size_t kNoiseBins = 4 * 256;

bool Unclipped(std::uint8_t value) { return value >= kClipped && value <= 255 - kClipped; }

}  // namespace

MotionModel::MotionModel(const MotionSettings& settings) : settings_(settings) {}

bool MotionModel::SampleTouches(const LumaPicture& picture, int sx, int sy, const MotionRect& rect,
                                bool wholly) const {
  const long long left = picture.originX + static_cast<long long>(sx) * picture.scale;
  const long long top = picture.originY + static_cast<long long>(sy) * picture.scale;
  const long long right = left + picture.scale;
  const long long bottom = top + picture.scale;
  if (wholly) return left >= rect.x && top >= rect.y && right <= rect.Right() && bottom <= rect.Bottom();
  return left < rect.Right() && right > rect.x && top < rect.Bottom() && bottom > rect.y;
}

void MotionModel::PlaceAreas(const LumaPicture& picture) {
  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  usable_.assign(count, 1);
  inArea_.assign(count, 0);
  judged_.clear();
  // The light is judged around the areas, not over the whole picture.
  const MotionRect window = MotionWindowFor(settings_.areas);
  areaSamples_.assign(settings_.areas.size(), {});
  for (int sy = 0; sy < picture.height; ++sy) {
    for (int sx = 0; sx < picture.width; ++sx) {
      const std::size_t i = static_cast<std::size_t>(sy) * picture.width + sx;
      for (const MotionRect& ignored : settings_.ignores) {
        if (SampleTouches(picture, sx, sy, ignored, false)) usable_[i] = 0;
      }
      if (!SampleTouches(picture, sx, sy, window, true)) usable_[i] = 0;
      if (usable_[i] == 0) continue;
      judged_.push_back(static_cast<std::uint32_t>(i));
      for (std::size_t a = 0; a < settings_.areas.size(); ++a) {
        if (SampleTouches(picture, sx, sy, settings_.areas[a], true)) {
          areaSamples_[a].push_back(static_cast<std::uint32_t>(i));
          inArea_[i] = 1;
        }
      }
    }
  }
}

void MotionModel::Start(const LumaPicture& picture) {
  grid_ = picture;
  grid_.samples.clear();
  PlaceAreas(picture);
  background_.assign(picture.samples.begin(), picture.samples.end());
  previous_ = picture.samples;
  stillFor_.assign(picture.samples.size(), 0);
  started_ = true;
}

// Least squares of the image on the background over the usable samples
// whose difference from the current line lies within limit (all, for a
// limit below 0).
void MotionModel::LineThrough(const LumaPicture& picture, double limit, Fit& fit) const {
  double n = 0, sumB = 0, sumP = 0, sumBB = 0, sumBP = 0;
  for (const std::uint32_t i : judged_) {
    const std::uint8_t p = picture.samples[i];
    if (!Unclipped(p) || !Unclipped(previous_[i])) continue;
    const double b = background_[i];
    if (limit >= 0 && std::fabs(p - (fit.gain * b + fit.offset)) > limit) continue;
    n += 1;
    sumB += b;
    sumP += p;
    sumBB += b * b;
    sumBP += b * p;
  }
  if (n < 8) return;
  const double meanB = sumB / n, meanP = sumP / n;
  const double variance = sumBB / n - meanB * meanB;
  fit.gain = variance >= kLeastVariance ? std::clamp((sumBP / n - meanB * meanP) / variance, 0.2, 5.0) : 1.0;
  fit.offset = meanP - fit.gain * meanB;
}

// The picture's noise as the median of the differences left by the line,
// scaled to a standard deviation: the changes of a figure are too few to
// move a median. Counted in quarter grey levels, which is finer than the
// threshold needs and cheaper than sorting.
double MotionModel::NoiseOf(const LumaPicture& picture, const Fit& fit) {
  histogram_.assign(kNoiseBins, 0);
  std::size_t count = 0;
  for (const std::uint32_t i : judged_) {
    const double difference = std::fabs(picture.samples[i] - (fit.gain * background_[i] + fit.offset));
    ++histogram_[std::min<std::size_t>(static_cast<std::size_t>(difference * 4), kNoiseBins - 1)];
    ++count;
  }
  std::size_t below = 0;
  for (std::size_t bin = 0; bin < kNoiseBins; ++bin) {
    below += histogram_[bin];
    if (2 * below >= count) return 1.4826 * (bin + 0.5) / 4;
  }
  return 0;
}

MotionModel::Fit MotionModel::FitLight(const LumaPicture& picture) {
  Fit fit;
  LineThrough(picture, -1, fit);
  const double firstNoise = NoiseOf(picture, fit);
  LineThrough(picture, std::max(3 * firstNoise, 3.0), fit);
  fit.threshold = std::max(kNoiseFactor * NoiseOf(picture, fit), kLeastDifference);
  return fit;
}

void MotionModel::Learn(const LumaPicture& picture, const Fit& fit, const std::vector<std::uint8_t>& changed) {
  for (const std::uint32_t i : judged_) {
    const float relit = static_cast<float>(fit.gain * background_[i] + fit.offset);
    const std::uint8_t p = picture.samples[i];
    if (changed[i] == 0) {
      background_[i] = relit + kLearningRate * (p - relit);
      stillFor_[i] = 0;
    } else {
      const bool still = std::abs(p - previous_[i]) <= fit.threshold / 2;
      stillFor_[i] = still ? static_cast<std::uint16_t>(stillFor_[i] + 1) : 0;
      background_[i] = stillFor_[i] >= kStillImagesAbsorbed ? p : relit;
      if (stillFor_[i] >= kStillImagesAbsorbed) stillFor_[i] = 0;
    }
  }
  previous_ = picture.samples;
}

// Only changes at least two samples across in both directions inside the
// areas count: a speck of noise, a twig, or the edge of a bush outside that
// reaches into an area by a few pixels fills one row or column of its
// samples at most, a person many.
void MotionModel::KeepChangesTwoSamplesWide(std::vector<std::uint8_t>& changed, std::vector<std::uint8_t>& kept) const {
  for (std::size_t i = 0; i < changed.size(); ++i) changed[i] &= inArea_[i];
  const int w = grid_.width, h = grid_.height;
  kept.assign(changed.size(), 0);
  for (int y = 0; y + 1 < h; ++y) {
    for (int x = 0; x + 1 < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (changed[i] & changed[i + 1] & changed[i + w] & changed[i + w + 1]) {
        kept[i] = kept[i + 1] = kept[i + w] = kept[i + w + 1] = 1;
      }
    }
  }
}

double MotionModel::Judge(const LumaPicture& picture) {
  if (!started_ || !picture.SameGrid(grid_)) {
    Start(picture);
    return 0;
  }
  const Fit fit = FitLight(picture);
  std::vector<std::uint8_t>& changed = changed_;
  changed.assign(background_.size(), 0);
  std::size_t changedCount = 0, usableCount = 0;
  for (const std::uint32_t i : judged_) {
    ++usableCount;
    if (std::fabs(picture.samples[i] - (fit.gain * background_[i] + fit.offset)) > fit.threshold) {
      changed[i] = 1;
      ++changedCount;
    }
  }
  if (usableCount == 0 || changedCount > kSceneChangeShare * usableCount) {
    ++sceneChanges_;
    Start(picture);
    return 0;
  }
  Learn(picture, fit, changed);
  KeepChangesTwoSamplesWide(changed, kept_);
  double most = 0;
  for (const std::vector<std::uint32_t>& samples : areaSamples_) {
    if (samples.empty()) continue;
    std::size_t count = 0;
    for (const std::uint32_t i : samples) count += kept_[i];
    most = std::max(most, static_cast<double>(count) / samples.size());
  }
  return most;
}

}  // namespace selvo
