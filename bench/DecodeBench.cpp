// Cost of the viewer's per-frame work against the bare library or loop it
// wraps, measured in the same run:
//   DecodeJpegFile      vs tjDecompress2 of the same bytes already in memory
//   ParseJpegInfo       vs a plain loop summing the same bytes
// Each baseline is the fair one because it is the least the wrapped work can
// cost: the library's own decode with no file read or conversion around it,
// and one pass over the bytes the parser must look at. Both run in the same
// process on the same bytes, so start-up and the page cache favour neither.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "source/DibBlock.h"
#include "source/ImageInfo.h"
#include "source/JpegDecoder.h"
#include "source/TrailerParser.h"
#include "tools/recwriter/JpegEncoder.h"

namespace {

constexpr int kWidth = 704;
constexpr int kHeight = 480;

// Smooth shading, a few hard edges and a little sensor noise: compresses
// like a camera frame rather than like a test pattern.
std::vector<std::uint8_t> CameraLikeFrame() {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
  unsigned noise = 2024;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>((noise >> 24) % 9) - 4;
      const bool building = x > 200 && x < 420 && y > 150 && ((x / 24 + y / 30) % 3 != 0);
      const double sky = 180 - 80.0 * y / kHeight + 20 * std::sin(x / 57.0);
      int r = building ? 120 + (x % 24) : static_cast<int>(sky) - 40;
      int g = building ? 110 : static_cast<int>(sky) - 10;
      int b = building ? 100 - (y % 30) : static_cast<int>(sky) + 40;
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
      p[0] = static_cast<std::uint8_t>(std::clamp(r + grain, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(g + grain, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(b + grain, 0, 255));
    }
  }
  return rgb;
}

// Best mean time per call over many short batches; the batches of the two
// sides of a ratio alternate, so that other load on the machine hits both
// alike and the best batch of each is one that ran undisturbed.
struct Pair {
  double subject = 1e30;
  double baseline = 1e30;
};

double MeanSeconds(const std::function<void()>& work, int calls) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) work();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count() / calls;
}

Pair Measure(const std::function<void()>& subject, const std::function<void()>& baseline, int calls, int rounds) {
  subject();
  baseline();
  Pair best;
  for (int round = 0; round < rounds; ++round) {
    best.baseline = std::min(best.baseline, MeanSeconds(baseline, calls));
    best.subject = std::min(best.subject, MeanSeconds(subject, calls));
  }
  return best;
}

void Report(const char* name, const Pair& pair, double target) {
  std::printf("%s: ratio %.2f (target \xE2\x89\xA4 %.2f)  [%.1f us vs %.1f us]\n", name, pair.subject / pair.baseline,
              target, pair.subject * 1e6, pair.baseline * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "DecodeBench\n  decoding and trailer parsing against the codec library and a byte sum");
  const std::vector<std::uint8_t> rgb = CameraLikeFrame();
  std::vector<std::uint8_t> jpeg = selvo::EncodeJpeg(rgb.data(), kWidth, kHeight, 85);
  if (jpeg.empty()) {
    std::fprintf(stderr, "encoding failed\n");
    return 1;
  }
  // A recorder-sized tail after the end marker, so the parser walks its
  // whole path.
  jpeg.resize(jpeg.size() + 16 + (32 - jpeg.size() % 32) % 32, 0);

  const std::filesystem::path folder = selvo::bench::ScratchFolder("decode-bench");
  const std::string path = (folder / "frame.jpg").string();
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  }
  std::printf("frame: %dx%d, %zu bytes\n", kWidth, kHeight, jpeg.size());

  tjhandle handle = tjInitDecompress();
  const std::size_t stride = selvo::DibBlock::StrideFor(kWidth, 3);
  std::vector<std::uint8_t> pixels(stride * kHeight);
  const Pair decode = Measure(
      [&] {
        std::uint32_t size = 0;
        selvo::DibPtr block = selvo::DecodeJpegFile(path, &size);
        benchmark::DoNotOptimize(block);
      },
      [&] {
        tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(), kWidth,
                      static_cast<int>(stride), kHeight, TJPF_BGR, TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
      },
      4, 60);
  tjDestroy(handle);
  Report("DecodeJpegFile vs tjDecompress2 from memory", decode, 1.15);

  const Pair parse = Measure(
      [&] {
        selvo::ImageInfo info;
        const bool recognised = selvo::ParseJpegInfo(jpeg.data(), jpeg.size(), info);
        benchmark::DoNotOptimize(recognised);
        benchmark::DoNotOptimize(info);
      },
      [&] {
        const std::uint8_t* bytes = jpeg.data();
        benchmark::DoNotOptimize(bytes);
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < jpeg.size(); ++i) sum += bytes[i];
        benchmark::DoNotOptimize(sum);
      },
      200, 60);
  Report("ParseJpegInfo vs summing the bytes", parse, 3.0);

  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
