// The nearest image of a camera to a moment, as a split locked to time asks
// for every pane on every step: 16 cameras interleaved with gaps, at 1,000
// and at 1,000,000 images. A step of a 16-pane split is 16 searches; it must
// cost the same in both. Also shown: reading the list into the search (once
// per list) and, for scale, one linear scan of the long list.
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "source/CameraMoments.h"

namespace {

using selvo::bench::SecondsOf;
using selvo::CameraMoments;
using selvo::ImageMoment;

std::vector<ImageMoment> Recording(int count) {
  std::mt19937 random(static_cast<unsigned>(count));
  std::vector<ImageMoment> images(static_cast<std::size_t>(count));
  std::int64_t clock = 0;
  for (auto& image : images) {
    clock += 20 + random() % 40;
    if (random() % 5000 == 0) clock += 600000;  // the recorder paused
    image = {static_cast<int>(random() % 16), clock};
  }
  return images;
}

struct Figures {
  double buildMs = 0;
  double stepUs = 0;  // 16 searches at random moments: a slider dragged about
  double playUs = 0;  // 16 searches for each image in turn: playing
  double scanMs = 0;
};

Figures Measure(int count) {
  const std::vector<ImageMoment> images = Recording(count);
  Figures figures;
  CameraMoments moments;
  figures.buildMs = SecondsOf([&] {
    moments = CameraMoments(images);
    return !moments.Empty();
  }) * 1e3;
  const int steps = 20000;
  std::mt19937 random(7);
  std::vector<std::int64_t> wanted(steps);
  for (auto& m : wanted) m = images[random() % images.size()].moment;
  long sum = 0;
  const double seconds = SecondsOf([&] {
    for (std::int64_t m : wanted)
      for (int channel = 0; channel < 16; ++channel) sum += moments.Nearest(channel, m).index;
    return sum != 0;
  });
  figures.stepUs = seconds / steps * 1e6;
  const std::size_t played = std::min<std::size_t>(images.size(), steps);
  const double playing = SecondsOf([&] {
    for (std::size_t i = 0; i < played; ++i)
      for (int channel = 0; channel < 16; ++channel) sum += moments.Nearest(channel, images[i].moment).index;
    return sum != 0;
  });
  figures.playUs = playing / played * 1e6;
  figures.scanMs = SecondsOf([&] {
    // One camera's nearest by looking at every image.
    std::int64_t best = -1, bestDistance = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
      if (images[i].channel != 3) continue;
      const std::int64_t d = std::llabs(images[i].moment - wanted[0]);
      if (best < 0 || d < bestDistance) best = static_cast<std::int64_t>(i), bestDistance = d;
    }
    return best >= 0;
  }) * 1e3;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "NearestImageBench\n  finding the image of each pane at 1,000 and 1,000,000 images");
  const Figures small = Measure(1000);
  const Figures large = Measure(1000000);
  std::printf("nearest image, one 16-pane step (16 searches): %.2f us at 1,000 images, %.2f us at 1,000,000 (ratio %.2f)\n",
              small.stepUs, large.stepUs, large.stepUs / small.stepUs);
  std::printf("  stepping through in order: %.2f us at 1,000 images, %.2f us at 1,000,000 (ratio %.2f)\n", small.playUs,
              large.playUs, large.playUs / small.playUs);
  std::printf("  reading the list into the search: %.2f ms at 1,000, %.1f ms at 1,000,000 (once per list)\n",
              small.buildMs, large.buildMs);
  std::printf("  one camera by a linear scan instead: %.3f ms at 1,000, %.2f ms at 1,000,000 per pane\n", small.scanMs,
              large.scanMs);
  return 0;
}
