// The display enhancement of one 704 x 480 picture with every control on
// (brightness, contrast, gamma, auto levels, sharpen, greyscale), against a
// plain copy of the same picture's pixels: the least any pass over the pane
// costs. The pane is enhanced on every paint while playing, so the target is
// 1 ms on one core, which leaves a 20 ms play step its rate.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include <QImage>

#include "bench/BenchSupport.h"
#include "view/render/Enhance.h"

namespace {

using selvo::bench::SecondsOf;

QImage NoisyPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  std::mt19937 random(704480);
  for (int y = 0; y < height; ++y) {
    auto* px = reinterpret_cast<QRgb*>(image.scanLine(y));
    // A dim gradient with noise, as a night frame is.
    for (int x = 0; x < width; ++x) {
      const int base = 20 + (x + y) / 16;
      px[x] = qRgb(std::min(255, base + static_cast<int>(random() % 24)), std::min(255, base + static_cast<int>(random() % 24)),
                   std::min(255, base + static_cast<int>(random() % 24)));
    }
  }
  return image;
}

double Best(int rounds, const std::function<void()>& prepare, const std::function<bool()>& work) {
  double best = 1e9;
  for (int round = 0; round < rounds; ++round) {
    prepare();
    best = std::min(best, SecondsOf(work));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "EnhanceBench\n  the display enhancement of a 704 x 480 picture against a copy of it");
  const QImage picture = NoisyPicture(704, 480);
  QImage pane = picture.copy();
  const auto restore = [&] { std::memcpy(pane.bits(), picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes())); };
  const auto copy = [&] {
    restore();
    return true;
  };
  const auto enhanceWith = [&](const selvo::EnhanceSettings& settings) {
    return [&pane, settings] {
      selvo::EnhanceRegion(pane, pane.rect(), settings);
      return true;
    };
  };
  selvo::EnhanceSettings all{10, 20, 14, true, 50, true};
  selvo::EnhanceSettings table{10, 20, 14, false, 0, false};
  selvo::EnhanceSettings levels{0, 0, 10, true, 0, false};
  selvo::EnhanceSettings sharpen{0, 0, 10, false, 50, false};
  selvo::EnhanceSettings colourAll{10, 20, 14, true, 50, false};

  const int rounds = 401;
  const double baseline = Best(rounds, [] {}, copy);
  const double every = Best(rounds, restore, enhanceWith(all));
  std::printf("enhance 704x480, every control on: %.3f ms; plain copy of the picture: %.3f ms; ratio %.2f (target <= 1 ms)\n",
              every * 1e3, baseline * 1e3, every / baseline);
  const struct {
    const char* name;
    selvo::EnhanceSettings settings;
  } parts[] = {{"every control but greyscale", colourAll},
               {"brightness, contrast, gamma (one table)", table},
               {"auto levels (histogram and table)", levels},
               {"sharpen (blur and mask)", sharpen}};
  for (const auto& part : parts) {
    const double seconds = Best(rounds, restore, enhanceWith(part.settings));
    std::printf("  %-42s %.3f ms, ratio %.2f\n", part.name, seconds * 1e3, seconds / baseline);
  }
  return every <= 0.001 ? 0 : 1;
}
