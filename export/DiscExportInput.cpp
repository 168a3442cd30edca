#include "export/DiscExportInput.h"

#include "source/TrailerParser.h"

namespace selvo {

DiscExportInput::DiscExportInput(Notifier& notifier) : source_(notifier) {}

bool DiscExportInput::Open(const std::string& path, int first, int last) {
  path_ = path;
  if (!source_.Open(path)) {
    // The source has told why a drive or file could not be opened.
    error_ = source_.LastOpenError() == 0 ? path + ": no recorder images found" : path + ": cannot be opened";
    return false;
  }
  const int count = source_.GetCount();
  first_ = first > 0 ? first : 1;
  last_ = last > 0 ? last : count;
  if (first_ > last_ || last_ > count) {
    error_ = path + ": the range " + std::to_string(first_) + "-" + std::to_string(last_) +
             " lies past the last record (" + std::to_string(count) + ")";
    return false;
  }
  return true;
}

bool DiscExportInput::ReadBytes(int index, std::vector<std::uint8_t>& bytes, std::string& why) {
  if (source_.Seek(first_ - 1 + index) && source_.ReadRecordBytes(bytes, false)) return true;
  why = "unreadable record";
  return false;
}

ExportPicture DiscExportInput::PictureAt(int index, const std::vector<std::uint8_t>& bytes) {
  ExportPicture picture;
  picture.number = first_ + index;
  ImageInfo info;
  if (ParseJpegInfo(bytes.data(), bytes.size(), info)) {
    picture.status = info.status;
    picture.time = info.recordTime;
    picture.stampMs = info.stampMs;
  }
  return picture;
}

std::uint32_t DiscExportInput::StampAt(int index, const std::vector<std::uint8_t>& bytes) {
  return PictureAt(index, bytes).stampMs;
}

std::string DiscExportInput::NameOf(int index) { return path_ + "#" + std::to_string(first_ + index); }

}  // namespace selvo
