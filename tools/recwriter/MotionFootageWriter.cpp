#include "tools/recwriter/MotionFootageWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "source/PathNames.h"
#include "tools/recwriter/InfoIndexWriter.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {

namespace {

constexpr std::uint32_t kStartSeconds = 830000000;  // recorder seconds: April 2026
constexpr std::uint32_t kStampStepMs = 50;  // between two images of the recording
constexpr int kImagesPerFolder = 1000;
constexpr double kPi = 3.14159265358979;
// The lights going on: brighter, and more so where it was already bright.
constexpr double kLightsGain = 1.3;
constexpr double kLightsOffset = 18;

// A fast generator: the noise of a whole picture each image must not cost
// more than its encoding.
struct NoiseSource {
  std::uint64_t state;
  std::uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

// A fixed texture: walls and ground are never flat.
float Grain(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u ^ seed * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<float>(h % 13) - 6.0f;
}

bool Inside(const MotionRect& box, int x, int y) { return x >= box.x && y >= box.y && x < box.Right() && y < box.Bottom(); }

// A walking figure's shape inside its box: a head over a body with arms,
// legs apart at the bottom.
bool FigureCovers(const MotionRect& box, int x, int y) {
  const double u = (x - box.x + 0.5) / box.width;  // 0..1 across
  const double v = (y - box.y + 0.5) / box.height;  // 0..1 down
  if (v < 0.16) return (u - 0.5) * (u - 0.5) / 0.04 + (v - 0.08) * (v - 0.08) / 0.0064 <= 1;  // head
  if (v < 0.6) return true;  // body and arms fill the box
  return u < 0.42 || u > 0.58;  // two legs
}

}  // namespace

MotionFootageWriter::MotionFootageWriter(MotionFootageOptions options) : options_(std::move(options)) {
  for (std::size_t c = 0; c < options_.cameras.size(); ++c) {
    scenes_.emplace_back();
    PaintScene(static_cast<int>(c), scenes_.back());
  }
}

// Sky-lit wall with a doorway, windows and a tiled floor.
void MotionFootageWriter::PaintScene(int camera, std::vector<float>& luma) const {
  const int w = options_.width, h = options_.height;
  const std::uint32_t seed = options_.cameras[static_cast<std::size_t>(camera)].seed;
  luma.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double value = 105 + 25 * std::sin(x / 53.0 + seed) * std::cos(y / 41.0);
      if (y > h * 5 / 6) value = 125 + (((x / 48) + (y / 24)) % 2 == 0 ? 10 : -10);  // floor tiles
      else if (x > w * 3 / 5 && x < w * 3 / 4 && y > h / 4) value = 70;  // doorway
      else if ((x / 80) % 3 == 1 && y > h / 8 && y < h / 3) value = 160;  // windows
      luma[static_cast<std::size_t>(y) * w + x] = static_cast<float>(value) + Grain(x, y, seed);
    }
  }
}

bool MotionFootageWriter::FigureAt(const MotionFigure& figure, int image, MotionRect& box) {
  const std::vector<MotionWaypoint>& path = figure.path;
  if (path.empty() || image < path.front().image || image > path.back().image) return false;
  for (std::size_t i = 0; i + 1 < path.size() || i == 0; ++i) {
    const MotionWaypoint& from = path[i];
    const MotionWaypoint& to = i + 1 < path.size() ? path[i + 1] : path[i];
    if (image > to.image) continue;
    const double t = to.image == from.image ? 0 : static_cast<double>(image - from.image) / (to.image - from.image);
    box = MotionRect{static_cast<int>(std::lround(from.x + t * (to.x - from.x))),
                     static_cast<int>(std::lround(from.y + t * (to.y - from.y))), figure.width, figure.height};
    return true;
  }
  return false;
}

void MotionFootageWriter::Paint(int camera, int image, std::vector<std::uint8_t>& rgb) const {
  const int w = options_.width, h = options_.height;
  const MotionCameraScene& scene = options_.cameras[static_cast<std::size_t>(camera)];
  const std::vector<float>& still = scenes_[static_cast<std::size_t>(camera)];
  std::vector<MotionRect> figures;
  std::vector<std::uint8_t> shades;
  for (const MotionFigure& figure : scene.figures) {
    MotionRect box;
    if (FigureAt(figure, image, box)) {
      figures.push_back(box);
      shades.push_back(figure.shade);
    }
  }
  std::vector<MotionRect> sways;
  for (const MotionSway& sway : scene.sways) {
    MotionRect box = sway.rest;
    box.x += static_cast<int>(std::lround(sway.reach * std::sin(2 * kPi * image / sway.period)));
    sways.push_back(box);
  }
  const double exposure = 1 + options_.drift * std::sin(2 * kPi * image / options_.driftPeriod);
  const bool lit = scene.lightsOnAt >= 0 && image >= scene.lightsOnAt;
  NoiseSource noise{0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(camera) << 40) ^
                    (static_cast<std::uint64_t>(image) * 0x2545F4914F6CDD1Dull) ^ scene.seed};
  const double noiseScale = options_.noise / 147.8;  // four bytes summed: spread 147.8
  rgb.resize(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double value = still[static_cast<std::size_t>(y) * w + x];
      for (const MotionRect& sway : sways) {
        if (Inside(sway, x, y)) value = 55 + ((x + y) % 7);
      }
      for (std::size_t f = 0; f < figures.size(); ++f) {
        if (Inside(figures[f], x, y) && FigureCovers(figures[f], x, y)) value = shades[f] + ((y - figures[f].y) / 6 % 2) * 12;
      }
      value *= exposure;
      if (lit) value = value * kLightsGain + kLightsOffset;
      const std::uint64_t bits = noise.Next();
      const int summed = static_cast<int>((bits & 0xFF) + ((bits >> 8) & 0xFF) + ((bits >> 16) & 0xFF) + ((bits >> 24) & 0xFF));
      value += (summed - 510) * noiseScale;
      const int grey = static_cast<int>(std::lround(value));
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<std::uint8_t>(std::clamp(grey + 6, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(grey, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(grey - 8, 0, 255));
    }
  }
}

std::vector<std::pair<int, int>> MotionFootageWriter::Crossings(int camera, const MotionRect& area) const {
  std::vector<std::pair<int, int>> runs;
  const MotionCameraScene& scene = options_.cameras[static_cast<std::size_t>(camera)];
  for (int image = 0; image < options_.imagesPerCamera; ++image) {
    bool inArea = false;
    for (const MotionFigure& figure : scene.figures) {
      MotionRect box;
      if (FigureAt(figure, image, box) && box.x < area.Right() && box.Right() > area.x && box.y < area.Bottom() &&
          box.Bottom() > area.y) {
        inArea = true;
      }
    }
    if (!inArea) continue;
    if (!runs.empty() && runs.back().second == image - 1) {
      runs.back().second = image;
    } else {
      runs.emplace_back(image, image);
    }
  }
  return runs;
}

std::string MotionFootageWriter::ImagePath(int camera, int image) const {
  const int number = image * static_cast<int>(options_.cameras.size()) + camera;
  char name[64];
  std::snprintf(name, sizeof name, "IMG%05d/IMG%08d.%s", number / kImagesPerFolder + 1, number + 1,
                options_.format == ImageFormat::kJpeg ? "jpg" : "jp2");
  return name;
}

bool MotionFootageWriter::WriteBytes(const std::string& path, const void* bytes, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  out.close();
  if (out) return true;
  error_ = path + ": cannot write";
  return false;
}

bool MotionFootageWriter::WriteImages(const std::string& folder) {
  const int cameras = static_cast<int>(options_.cameras.size());
  std::vector<std::uint8_t> rgb, bytes;
  for (int image = 0; image < options_.imagesPerCamera; ++image) {
    for (int camera = 0; camera < cameras; ++camera) {
      const auto number = static_cast<std::uint32_t>(image * cameras + camera);
      const std::string path = JoinPath(folder, ImagePath(camera, image));
      std::error_code code;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path(), code);
      Paint(camera, image, rgb);
      std::vector<std::uint8_t> encoded = options_.format == ImageFormat::kJpeg
                                              ? EncodeJpeg(rgb.data(), options_.width, options_.height, options_.jpegQuality)
                                              : EncodeJp2(rgb.data(), options_.width, options_.height);
      const std::optional<TrailerWriter> writer = TrailerWriter::For(options_.format, std::move(encoded));
      if (!writer) {
        error_ = "the encoder gave no usable image";
        return false;
      }
      const std::uint32_t stamp = number * kStampStepMs;
      writer->WriteTo(TrailerValues{kStartSeconds + stamp / 1000, stamp}, TrailerDamage::kNone, bytes);
      if (!WriteBytes(path, bytes.data(), bytes.size())) return false;
    }
  }
  return true;
}

bool MotionFootageWriter::WriteIndex(const std::string& folder) {
  InfoIndexWriter index;
  std::string times;
  const int cameras = static_cast<int>(options_.cameras.size());
  for (int camera = 0; camera < cameras; ++camera) index.SetTitle(camera, "CAM " + std::to_string(camera + 1));
  for (int number = 0; number < options_.imagesPerCamera * cameras; ++number) {
    const std::uint32_t stamp = static_cast<std::uint32_t>(number) * kStampStepMs;
    index.Add(InfoEntry{kStartSeconds + stamp / 1000, stamp, static_cast<std::int8_t>(number % cameras)});
    times += std::to_string(stamp) + "\r\n";
  }
  std::error_code code;
  std::filesystem::create_directories(JoinPath(folder, "INFO"), code);
  return index.WriteFile(JoinPath(folder, "INFO/MOTION.INF"), error_) &&
         WriteBytes(JoinPath(folder, "time.txt"), times.data(), times.size());
}

bool MotionFootageWriter::Write(const std::string& folder) {
  if (options_.cameras.empty() || options_.cameras.size() > 16 || options_.imagesPerCamera < 1) {
    error_ = "between one and sixteen cameras, and images, are needed";
    return false;
  }
  return WriteImages(folder) && WriteIndex(folder);
}

}  // namespace selvo
