// make-fuzz-seeds CORPUS: remakes the fuzzers' seed corpora (fuzz/corpus)
// from our own writers. Pictures are tiny and recordings short, so that every
// seed stays a few kilobytes and the fuzzers spend their time on structure.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "fuzz/InputParts.h"
#include "fuzz/MemoryDiscDevice.h"
#include "source/DiscLayout.h"
#include "tools/recwriter/DiscImageWriter.h"
#include "tools/recwriter/InfoIndexWriter.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/RecordingWriter.h"
#include "tools/recwriter/TrailerWriter.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using selvo::ImageFormat;

constexpr int kWidth = 32;
constexpr int kHeight = 24;

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool WriteSeed(const fs::path& corpus, const std::string& harness, const std::string& name, const Bytes& bytes) {
  if (bytes.empty()) {
    std::fprintf(stderr, "make-fuzz-seeds: the writer made nothing for %s/%s\n", harness.c_str(), name.c_str());
    return false;
  }
  std::error_code error;
  fs::create_directories(corpus / harness, error);
  std::ofstream out(corpus / harness / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "make-fuzz-seeds: cannot write %s/%s\n", harness.c_str(), name.c_str());
  return static_cast<bool>(out);
}

// Four frames on two cameras: the writer alters frame 1's image, frame 4's
// time and drops frame 3's trailer, so every trailer verdict is among them.
std::optional<fs::path> WriteRecording(const fs::path& scratch, ImageFormat format, bool subfolders) {
  selvo::RecordingOptions options;
  options.frames = 4;
  options.cameras = 2;
  options.format = format;
  options.sound = false;
  options.subfolders = subfolders;
  options.width = kWidth;
  options.height = kHeight;
  options.jpegQuality = 50;
  const fs::path folder = scratch / (std::string(format == ImageFormat::kJpeg ? "jpg" : "jp2") +
                                     (subfolders ? "-sub" : "-flat"));
  selvo::RecordingWriter writer(options);
  if (!writer.Write(folder.string())) {
    std::fprintf(stderr, "make-fuzz-seeds: %s\n", writer.ErrorText().c_str());
    return std::nullopt;
  }
  return folder;
}

std::vector<Bytes> RecordingImages(const fs::path& folder, ImageFormat format, bool subfolders) {
  selvo::RecordingOptions options;
  options.frames = 4;
  options.cameras = 2;
  options.format = format;
  options.subfolders = subfolders;
  const selvo::RecordingWriter writer(options);
  std::vector<Bytes> images;
  for (std::uint32_t i = 0; i < options.frames; ++i) images.push_back(ReadFile(folder / writer.ImagePath(i)));
  return images;
}

// The folder harness's input: layout byte, INFO index, time.txt, images.
Bytes FolderInput(const fs::path& folder, std::uint8_t layout, const std::vector<Bytes>& images) {
  std::vector<Bytes> parts{Bytes{layout}, ReadFile(folder / selvo::RecordingWriter::InfoIndexPath()),
                           ReadFile(folder / "time.txt")};
  parts.insert(parts.end(), images.begin(), images.end());
  return selvo::fuzz::JoinParts(parts);
}

Bytes Picture(int components) {
  Bytes pixels(static_cast<std::size_t>(kWidth * kHeight * components));
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 13);
  return pixels;
}

std::optional<selvo::DiscRecord> DiscRecordFor(const Bytes& rgb, std::uint32_t stamp) {
  for (int quality = 60; quality > 20; --quality) {
    Bytes jpeg = selvo::EncodeJpeg(rgb.data(), kWidth, kHeight, quality);
    const std::size_t jpegLength = jpeg.size();
    const auto trailer = selvo::TrailerWriter::ForJpeg(std::move(jpeg));
    if (!trailer) return std::nullopt;
    auto record = selvo::DiscImageWriter::RecordFromFileImage(trailer->Write({800000000, stamp}), jpegLength);
    if (record) return record;
  }
  return std::nullopt;
}

// A disc of three records (one intact, one with a negative data length, one
// without its end-of-image marker) and an unused entry, as the disc harness
// takes it: from the tag area on.
std::optional<Bytes> DiscInput(const fs::path& scratch) {
  const Bytes rgb = Picture(3);
  selvo::DiscImageWriter writer;
  for (int i = 0; i < 3; ++i) {
    auto record = DiscRecordFor(rgb, static_cast<std::uint32_t>(i) * 100);
    if (!record) return std::nullopt;
    if (i == 1) record->storedLength = -1;
    if (i == 2) record->withoutEoi = true;
    writer.AddRecord(std::move(*record));
    if (i == 0) writer.AddEmptyEntry();
  }
  const fs::path path = scratch / "disc.img";
  std::string error;
  if (!writer.Write(path.string(), &error)) {
    std::fprintf(stderr, "make-fuzz-seeds: disc image: %s\n", error.c_str());
    return std::nullopt;
  }
  const Bytes whole = ReadFile(path);
  const std::size_t skipped = selvo::fuzz::MemoryDiscDevice::kFirstBlock * selvo::disc::kSectorBytes;
  if (whole.size() <= skipped) return std::nullopt;
  return Bytes(whole.begin() + static_cast<std::ptrdiff_t>(skipped), whole.end());
}

// Titles on the first and last channel, entries on channels outside 0..15.
Bytes InfoWithOddChannels(const fs::path& scratch) {
  selvo::InfoIndexWriter writer;
  writer.SetTitle(0, "GATE");
  writer.SetTitle(15, "\x83\x4a\x83\x81\x83\x89");  // Shift_JIS
  writer.Add({800000000, 0, 0});
  writer.Add({800000001, 1000, 15});
  writer.Add({800000001, 1100, -1});
  writer.Add({800000002, 2000, 16});
  const fs::path path = scratch / "odd-channels.inf";
  std::string error;
  if (!writer.WriteFile(path.string(), error)) return Bytes{};
  return ReadFile(path);
}

// The setting-file harness's input: which files exist, then their contents.
Bytes SettingInput(std::uint8_t present, const Bytes& viewer2, const Bytes& viewer) {
  Bytes input{present};
  const Bytes parts = selvo::fuzz::JoinParts({viewer2, viewer});
  input.insert(input.end(), parts.begin(), parts.end());
  return input;
}

bool MakeSeeds(const fs::path& corpus, const fs::path& scratch) {
  const auto jpegFolder = WriteRecording(scratch, ImageFormat::kJpeg, true);
  const auto jp2Folder = WriteRecording(scratch, ImageFormat::kJp2, false);
  if (!jpegFolder || !jp2Folder) return false;
  const std::vector<Bytes> jpegs = RecordingImages(*jpegFolder, ImageFormat::kJpeg, true);
  const std::vector<Bytes> jp2s = RecordingImages(*jp2Folder, ImageFormat::kJp2, false);
  bool ok = true;
  for (std::size_t i = 0; i < jpegs.size(); ++i) {
    const std::string name = "frame" + std::to_string(i + 1);
    ok &= WriteSeed(corpus, "JpegTrailer", name + ".jpg", jpegs[i]);
    ok &= WriteSeed(corpus, "Jp2Trailer", name + ".jp2", jp2s[i]);
  }

  ok &= WriteSeed(corpus, "JpegDecoder", "recorder.jpg", jpegs[1]);
  ok &= WriteSeed(corpus, "JpegDecoder", "grey.jpg", selvo::EncodeGreyJpeg(Picture(1).data(), kWidth, kHeight, 50));
  ok &= WriteSeed(corpus, "JpegDecoder", "cmyk.jpg", selvo::EncodeCmykJpeg(Picture(4).data(), kWidth, kHeight, 50));
  ok &= WriteSeed(corpus, "Jp2Decoder", "recorder.jp2", jp2s[1]);
  ok &= WriteSeed(corpus, "Jp2Decoder", "grey.jp2", selvo::EncodeLosslessJp2(Picture(1).data(), kWidth, kHeight, 1));
  ok &= WriteSeed(corpus, "Jp2Decoder", "lossless.jp2", selvo::EncodeLosslessJp2(Picture(3).data(), kWidth, kHeight, 3));

  ok &= WriteSeed(corpus, "InfoIndex", "recording.inf", ReadFile(*jpegFolder / selvo::RecordingWriter::InfoIndexPath()));
  ok &= WriteSeed(corpus, "InfoIndex", "odd-channels.inf", InfoWithOddChannels(scratch));

  ok &= WriteSeed(corpus, "TimeText", "recording.txt", ReadFile(*jpegFolder / "time.txt"));
  ok &= WriteSeed(corpus, "TimeText", "ragged.txt",
                  Text("0\r\n100\n\n  250 \n4294967295\n4294967296\n-5\n12ab\n" + std::string(300, '7') + "\n99"));

  const Bytes marker0{0x5E, 0x17, 0xC3, 0x2A, 0x91};
  const Bytes marker1{0xB4, 0x09, 0x6D, 0xE2};
  ok &= WriteSeed(corpus, "SettingFile", "viewer2.bin", SettingInput(1, marker0, Bytes{}));
  ok &= WriteSeed(corpus, "SettingFile", "viewer.bin", SettingInput(2, Bytes{}, marker1));
  ok &= WriteSeed(corpus, "SettingFile", "both.bin", SettingInput(3, Bytes{0x5E, 0x17}, marker1));

  const std::string nul(1, '\0');
  ok &= WriteSeed(corpus, "CommandLine", "switches.bin", Text("-check" + nul + "/LOG" + nul + "/rec/folder"));
  ok &= WriteSeed(corpus, "CommandLine", "disc.bin", Text("--disc" + nul + "/dev/sr0" + nul + "--" + nul + "-x"));
  ok &= WriteSeed(corpus, "CommandLine", "help.bin", Text("--HELP" + nul + "--version" + nul + "--disc"));

  const auto disc = DiscInput(scratch);
  ok &= disc.has_value() && WriteSeed(corpus, "DiscImage", "three-records.bin", *disc);

  ok &= WriteSeed(corpus, "RecordingFolder", "jpeg-subfolder.bin", FolderInput(*jpegFolder, 0, jpegs));
  ok &= WriteSeed(corpus, "RecordingFolder", "jp2-flat.bin", FolderInput(*jp2Folder, 3, jp2s));

  // The writers' harness: a file name, a camera title, an anomaly's detail.
  const auto texts = [](const std::string& name, const std::string& title, const std::string& detail) {
    return selvo::fuzz::JoinParts({Text(name), Text(title), Text(detail)});
  };
  ok &= WriteSeed(corpus, "OutputText", "plain.bin", texts("IMG00001/IMG00000001.jpg", "Entrance", "gap of 12 s"));
  ok &= WriteSeed(corpus, "OutputText", "hostile.bin",
                  texts("a\\b\nc\r,\"d\".jpg", "\x1b[2J\xe2\x80\xa8title", "\xff\xfe\xc2\x9b detail"));
  ok &= WriteSeed(corpus, "OutputText", "shift-jis.bin", texts("\x83J\x83\x81\x83\x89.jpg", "\x83J\x83\x81", ""));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-fuzz-seeds CORPUS_FOLDER\n");
    return 2;
  }
  std::error_code error;
  const fs::path scratch = fs::temp_directory_path(error) / ("make-fuzz-seeds-" + std::to_string(::getpid()));
  fs::remove_all(scratch, error);
  const bool ok = MakeSeeds(argv[1], scratch);
  fs::remove_all(scratch, error);
  return ok ? 0 : 1;
}
