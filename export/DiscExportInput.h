#pragma once
// A recorder disc (a CD drive or a dump of its blocks) as an export reads
// it: its records in disc order, a range of them by 1-based record numbers.
// A disc keeps no stamps of its own, so the trailers' stamps space the
// pictures; it holds one stream of JPEG images and no sound.
#include <memory>
#include <string>

#include "export/ExportInput.h"
#include "source/DiscImageSource.h"

namespace selvo {

class DiscExportInput : public ExportInput {
 public:
  // notifier hears the disc's read failures; it must outlive the input.
  explicit DiscExportInput(Notifier& notifier);

  // false with ErrorText when nothing can be read there or the range lies
  // past the last record; first and last 0 take every record.
  bool Open(const std::string& path, int first, int last);
  const std::string& ErrorText() const { return error_; }

  int Count() override { return last_ - first_ + 1; }
  ImageCodec Codec() const override { return ImageCodec::Jpeg; }
  bool ReadBytes(int index, std::vector<std::uint8_t>& bytes, std::string& why) override;
  ExportPicture PictureAt(int index, const std::vector<std::uint8_t>& bytes) override;
  std::uint32_t StampAt(int index, const std::vector<std::uint8_t>& bytes) override;
  std::string NameOf(int index) override;
  std::string CameraTitle() override { return {}; }
  std::string SourceName() const override { return path_; }

 private:
  DiscImageSource source_;
  std::string path_;
  int first_ = 1;  // 1-based record numbers
  int last_ = 0;
  std::string error_;
};

}  // namespace selvo
