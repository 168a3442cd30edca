#pragma once
// Writes a small recording for the widget tests: JPEG images with recorder
// trailers in IMG00001, optionally with an INFO index naming their channels.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/TestFolder.h"
#include "tools/recwriter/InfoIndexWriter.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo::test {

struct SmallFrame {
  int channel = 0;
  std::uint32_t seconds = 100000000;  // recorder seconds
  TrailerDamage damage = TrailerDamage::kNone;
};

// Changes image i's bytes after its trailer was written, as an editor would.
using FrameEdit = std::function<void(std::size_t i, std::vector<std::uint8_t>& bytes)>;

// Writes the recording into the subfolder `name` of `scratch`; returns its
// path. Image i is stamped i x 100 ms in its trailer, its INFO entry and,
// with withTimeList, line i of time.txt.
inline std::string WriteSmallRecording(const TestFolder& scratch, const std::string& name,
                                       const std::vector<SmallFrame>& frames, bool withInfo, int width = 64,
                                       int height = 48, bool withTimeList = false, const FrameEdit& edit = {}) {
  std::string timeText;
  InfoIndexWriter info;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t p = 0; p < rgb.size(); p += 3) {
      rgb[p] = static_cast<std::uint8_t>(40 * frames[i].channel);
      rgb[p + 1] = static_cast<std::uint8_t>(20 * i);
      rgb[p + 2] = 160;
    }
    auto writer = TrailerWriter::ForJpeg(EncodeJpeg(rgb.data(), width, height, 85));
    TrailerValues values;
    values.seconds = frames[i].seconds;
    values.stampMs = static_cast<std::uint32_t>(i * 100);
    std::vector<std::uint8_t> bytes = writer->Write(values, frames[i].damage);
    if (edit) edit(i, bytes);
    timeText += std::to_string(values.stampMs) + "\r\n";
    char file[64];
    std::snprintf(file, sizeof file, "/IMG00001/IMG%05zu.jpg", i + 1);
    scratch.Write(name + file, bytes);
    info.Add(InfoEntry{frames[i].seconds, values.stampMs, static_cast<std::int8_t>(frames[i].channel)});
  }
  if (withTimeList) scratch.Write(name + "/time.txt", timeText);
  if (withInfo) {
    scratch.MakeDir(name + "/INFO");
    std::string error;
    info.WriteFile(scratch / (name + "/INFO/REC.INF"), error);
  }
  return scratch / name;
}

}  // namespace selvo::test
