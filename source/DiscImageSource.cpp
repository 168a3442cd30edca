#include "source/DiscImageSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <utility>

#include "source/ByteOrder.h"
#include "source/FileBytes.h"
#include "source/FileDescriptor.h"
#include "source/JpegDecoder.h"
#include "source/OutputFile.h"
#include "source/TrailerParser.h"
#include "source/text/StringIds.h"
#include "source/text/StringTable.h"

namespace selvo {

namespace {

constexpr const char* kNoPictureText = "no picture in CD\n";

}  // namespace

DiscImageSource::DiscImageSource(Notifier& notifier, DiscLog log, DiscReader::DeviceFactory makeDevice)
    : notifier_(notifier), log_(std::move(log)), reader_(notifier, std::move(makeDevice)) {}

DiscImageSource::~DiscImageSource() { reader_.Close(); }

void DiscImageSource::Trace(bool logFlag, const char* format, ...) const {
  if (!logFlag) return;
  va_list args;
  va_start(args, format);
  char line[256];
  const int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length > 0) log_.Append(std::string(line, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof line - 1)));
}

// ---- opening and indexing --------------------------------------------------

bool DiscImageSource::OpenRecording(const std::string&, bool) { return true; }

bool DiscImageSource::OpenDrive(int driveIndex, bool logFlag) {
  ForgetRecording();
  Trace(logFlag, "Info:Open Start...\n");
  if (!reader_.OpenByIndex(driveIndex)) {
    Trace(logFlag, "Error:Open Error Drive =<%d>\n", driveIndex);
    return false;
  }
  return IndexTagArea(OpenRoute::ByIndex, driveIndex, logFlag);
}

bool DiscImageSource::Open(const std::string& pathOrDrive) {
  ForgetRecording();
  if (!reader_.OpenByPath(pathOrDrive)) return false;
  return IndexTagArea(OpenRoute::ByPath, -1, false);
}

void DiscImageSource::ForgetRecording() {
  reader_.Close();
  table_.clear();
  seenTimes_.reset();
  indexCutShort_ = false;
  count_ = 0;
  cursor_ = -1;
  headerLoaded_ = false;
  ForgetLastImage();
}

bool DiscImageSource::IndexTagArea(OpenRoute route, int driveIndex, bool logFlag) {
  Trace(logFlag, "Info:Seek Start...\n");
  if (!reader_.SeekTo(disc::kTagAreaOffset, DiscReader::kSeekFromStart)) {
    Trace(logFlag, "Error:Seek Error Drive =<%d>\n", driveIndex);
    return false;
  }
  Trace(logFlag, "Info:Seek End...\n");
  Trace(logFlag, "Info:Read Start...\n");
  cursor_ = 0;
  if (!ReadTagEntries(route, driveIndex, logFlag)) {
    table_.clear();
    count_ = 0;
    cursor_ = -1;
    return false;
  }
  count_ = static_cast<int>(table_.size());
  seenTimes_.reset(static_cast<CalendarSeconds*>(std::calloc(table_.size() + 1, sizeof(CalendarSeconds))));
  if (!seenTimes_) throw std::bad_alloc();
  if (count_ > 0) return First();
  notifier_.Notify(NoticeKind::Information, kNoPictureText);
  return false;
}

bool DiscImageSource::ReadTagEntries(OpenRoute route, int driveIndex, bool logFlag) {
  table_.reserve(disc::kMaxRecords);
  int emptyEntries = 0;
  // The entries are taken where the reader buffered them, a stretch at a
  // time: copying each out first cost as much again as reading the tag
  // area. Entries never span two sectors, so a stretch holds whole ones.
  static_assert(disc::kSectorBytes % disc::kTagEntryBytes == 0 && disc::kTagAreaOffset % disc::kTagEntryBytes == 0);
  while (static_cast<int>(table_.size()) < disc::kMaxRecords) {
    const std::uint8_t* stretch = nullptr;
    const int available = reader_.Peek(stretch);
    if (available < disc::kTagEntryBytes) {
      Trace(logFlag, "Info:Read Image=<%d>\n", static_cast<int>(table_.size()));
      if (route == OpenRoute::ByIndex) {
        Trace(logFlag, "Error:Read Error Drive =<%d> Image=<%d>\n", driveIndex, static_cast<int>(table_.size()));
        return false;
      }
      // Whatever was indexed before the damage can still be shown.
      notifier_.Notify(NoticeKind::Warning, LoadString(str::kTagAreaUnreadableText));
      indexCutShort_ = true;
      return true;
    }
    for (int at = 0; at + disc::kTagEntryBytes <= available && static_cast<int>(table_.size()) < disc::kMaxRecords;
         at += disc::kTagEntryBytes) {
      Trace(logFlag, "Info:Read Image=<%d>\n", static_cast<int>(table_.size()));
      reader_.Skip(disc::kTagEntryBytes);
      const std::uint8_t* entry = stretch + at;
      if (ReadLe32(entry + disc::kTagUsedFieldOffset) != 0) {
        table_.push_back(ReadLe32(entry + disc::kTagRecordFieldOffset));
      } else if (++emptyEntries > disc::kEmptyEntriesAllowed) {
        return true;
      }
    }
  }
  return true;
}

// ---- cursor ------------------------------------------------------------------

bool DiscImageSource::MoveCursorTo(std::int64_t index) {
  cursor_ = static_cast<int>(std::clamp<std::int64_t>(index, INT_MIN, INT_MAX));
  return LoadHeader();
}

bool DiscImageSource::LoadHeader() {
  headerLoaded_ = false;
  // The document keeps the cursor in range; a cursor outside it must still
  // never index past the table.
  if (cursor_ < 0 || cursor_ >= count_) return false;
  headerOffset_ = static_cast<std::int64_t>(table_[static_cast<std::size_t>(cursor_)]) * disc::kRecordUnitBytes;
  if (!reader_.SeekTo(headerOffset_, DiscReader::kSeekFromStart)) return false;
  if (reader_.Read(header_.data(), disc::kRecordHeaderBytes) != disc::kRecordHeaderBytes) return false;
  headerLoaded_ = true;
  return true;
}

bool DiscImageSource::Forward(int n) { return MoveCursorTo(static_cast<std::int64_t>(cursor_) + n); }
bool DiscImageSource::Backward(int n) { return MoveCursorTo(static_cast<std::int64_t>(cursor_) - n); }
bool DiscImageSource::Seek(int index) { return MoveCursorTo(index); }
bool DiscImageSource::First() { return MoveCursorTo(0); }
bool DiscImageSource::Last() { return MoveCursorTo(static_cast<std::int64_t>(count_) - 1); }
bool DiscImageSource::Next() { return true; }
bool DiscImageSource::Previous() { return true; }
bool DiscImageSource::Ping() { return true; }
bool DiscImageSource::SetPosition(int) { return true; }

// ---- reading a record ----------------------------------------------------------

bool DiscImageSource::ReadRecordBytes(std::vector<std::uint8_t>& image, bool logFlag) {
  image.clear();
  if (!headerLoaded_) return false;
  const std::int32_t length = ReadLe32Signed(header_.data() + disc::kRecordLengthFieldOffset);
  const std::uint16_t variable = ReadLe16(header_.data() + disc::kRecordVariableFieldOffset);
  if (length < 0 || length > disc::kMaxDataLength) {
    Trace(logFlag, "<%d>videosize:%d > %d\n", cursor_, length, disc::kMaxDataLength);
    return false;
  }
  // Measured from the header's own position rather than from wherever the
  // stream stands, so that the same record can be read twice.
  const std::int64_t dataStart = headerOffset_ + disc::kRecordHeaderBytes + disc::kGapBeforeData + variable;
  if (!reader_.SeekTo(dataStart, DiscReader::kSeekFromStart)) {
    Trace(logFlag, "Seek Error :%d\n", variable);
    return false;
  }
  try {
    image.resize(static_cast<std::size_t>(length) + disc::kImageSlackBytes);
  } catch (const std::bad_alloc&) {
    Trace(logFlag, "MEMORY REQUEST Error size=<%d>\n", length);
    return false;
  }
  if (reader_.Read(image.data(), length) != length) {
    Trace(logFlag, "ReadError:ID=<%d> size=<%d>\n", cursor_, length);
    image.clear();
    return false;
  }
  if (reader_.Read(image.data() + length, 2) != 2) {
    Trace(logFlag, "EOI NotFound1\n");
    image.clear();
    return false;
  }
  std::size_t used = static_cast<std::size_t>(length) + 2;
  // The trailer belongs to the image: a record whose trailer cannot be read
  // is not handed out as if it had been.
  if (!FindEndOfImage(image, used, logFlag) ||
      reader_.Read(image.data() + used, disc::kTrailerBytes) != disc::kTrailerBytes) {
    image.clear();
    return false;
  }
  image.resize(used + disc::kTrailerBytes);
  return true;
}

bool DiscImageSource::FindEndOfImage(std::vector<std::uint8_t>& image, std::size_t& used, bool logFlag) {
  // The pair is tested before each extra byte is read, so the pair that the
  // last allowed byte completes is never tested.
  for (int extraBytes = 0;; ++extraBytes) {
    if (extraBytes == disc::kEoiSearchLimit) {
      Trace(logFlag, "EOI NotFound3\n");
      return false;
    }
    if (image[used - 2] == 0xFF && image[used - 1] == 0xD9) return true;
    if (reader_.Read(image.data() + used, 1) != 1) {
      Trace(logFlag, "EOI NotFound2\n");
      return false;
    }
    ++used;
  }
}

ReadOutcome DiscImageSource::ReadImage(std::uint32_t& sizeOut, int mode, const SaveTarget& saveTarget, bool,
                                       bool logFlag) {
  ReadOutcome outcome;
  ForgetLastImage();
  std::vector<std::uint8_t> image;
  if (!ReadRecordBytes(image, logFlag)) return outcome;
  if (mode == kReadWriteFile) {
    outcome.writeError = WriteImageFile(image, saveTarget);
    outcome.written = outcome.writeError == 0;
  } else {
    outcome.block = DecodeJpegMemory(image.data(), image.size(), &sizeOut);
  }
  ImageInfo info;
  if (ParseJpegInfo(image.data(), image.size(), info)) {
    lastInfo_ = info;
    record_.status = info.status;
    record_.recordTime = info.recordTime;
    record_.stampMs = info.stampMs;
    if (cursor_ >= 0 && cursor_ < count_ && seenTimes_) seenTimes_[static_cast<std::size_t>(cursor_)] = info.recordTime;
  }
  return outcome;
}

void DiscImageSource::ForgetLastImage() {
  lastInfo_ = ImageInfo{-1, 0, 0};
  record_.status = -1;
  record_.recordTime = 0;
  record_.stampMs = 0;
}

int DiscImageSource::WriteImageFile(const std::vector<std::uint8_t>& image, const SaveTarget& target) const {
  OutputFile file;
  if (file.Create(target.Path()) && file.Write(image.data(), image.size()) && file.Commit()) return 0;
  return file.Error() != 0 ? file.Error() : EIO;
}

// ---- answers ---------------------------------------------------------------------

int DiscImageSource::IndexForStamp(std::uint32_t) { return 0; }
int DiscImageSource::GetPosition() { return cursor_; }
int DiscImageSource::GetCount() { return count_; }
int DiscImageSource::GetStatusAt(int) { return 0; }
int DiscImageSource::GetStatus() { return record_.status; }
// A disc keeps no index of times: what is known is what a read found.
CalendarSeconds DiscImageSource::GetTimeAt(int index) {
  if (index < 0 || index >= count_ || !seenTimes_) return 0;
  return seenTimes_[static_cast<std::size_t>(index)];
}
CalendarSeconds DiscImageSource::GetTime() { return record_.recordTime; }
bool DiscImageSource::IsDriveNotReady() { return reader_.IsNotReady(); }

}  // namespace selvo
