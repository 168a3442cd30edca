#pragma once
// Appends the recorder's trailer to an encoded JPEG or JPEG 2000 image: the
// exact inverse of ParseJpegInfo / ParseJp2Info. The check values that depend
// only on the compressed data are taken once per encoded image, so one
// encoding can be written many times with fresh times and stamps.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace selvo {

enum class ImageFormat { kJpeg, kJp2 };

// How a written image deviates from what the recorder writes.
enum class TrailerDamage {
  kNone,          // full trailer with time: status 0
  kWithoutTime,   // the short trailer the recorder writes without a clock: flag 4
  kNoTrailer,     // the bare image: status 7
  kAlteredImage,  // image bytes changed after the data check was taken: flag 1
  kAlteredTime,   // seconds changed after the time check was taken: flag 2
  kTamperedData,  // a byte of the compressed data changed, as an edit of the
                  // picture would: flag 1; the decoder warns but shows it
};

struct TrailerValues {
  std::uint32_t seconds = 0;  // recorder seconds since 2000-01-01 00:00:00 local
  std::uint32_t stampMs = 0;
};

class TrailerWriter {
 public:
  // nullopt when the bytes lack what the matching parser looks for (JPEG: start
  // marker, quantisation table, start of scan, end of image; JPEG 2000:
  // signature and file-type boxes, start of data, end of codestream). Bytes
  // after the end marker are dropped.
  static std::optional<TrailerWriter> ForJpeg(std::vector<std::uint8_t> encoded);
  static std::optional<TrailerWriter> ForJp2(std::vector<std::uint8_t> encoded);
  static std::optional<TrailerWriter> For(ImageFormat format, std::vector<std::uint8_t> encoded);

  ImageFormat Format() const { return format_; }

  // Replaces out with the image and its trailer. Reusing one out buffer keeps
  // repeated writes free of allocations.
  void WriteTo(const TrailerValues& values, TrailerDamage damage, std::vector<std::uint8_t>& out) const;
  std::vector<std::uint8_t> Write(const TrailerValues& values, TrailerDamage damage = TrailerDamage::kNone) const;

  // The seconds an altered-time image carries instead of the true ones.
  static std::uint32_t AlteredSeconds(std::uint32_t seconds);

 private:
  TrailerWriter() = default;

  void AppendJpegTrailer(const TrailerValues& values, TrailerDamage damage, std::vector<std::uint8_t>& out) const;
  void AppendJp2Trailer(const TrailerValues& values, TrailerDamage damage, std::vector<std::uint8_t>& out) const;
  void AlterJpegImage(std::vector<std::uint8_t>& out) const;
  void AlterJp2Image(std::vector<std::uint8_t>& out) const;
  void TamperCompressedData(const TrailerValues& values, std::vector<std::uint8_t>& out) const;

  ImageFormat format_ = ImageFormat::kJpeg;
  std::vector<std::uint8_t> image_;  // through the end marker

  // JPEG
  std::size_t dqtEntries_ = 0;     // first entry of the first quantisation table
  std::size_t alignmentBytes_ = 0;
  std::uint8_t dqt4_[4] = {};

  // JPEG 2000
  std::uint32_t sodOffset_ = 0;
  std::uint32_t count_ = 0;
  std::size_t mainHeaderEnd_ = 0;   // first SOT marker, 0 when not found
  std::size_t codestreamBox_ = 0;   // offset of the jp2c box, 0 when not found

  std::uint16_t dataSum_ = 0;
};

}  // namespace selvo
