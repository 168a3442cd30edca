#pragma once
// A recording on a recorder disc (or a dump of one): the tag area is indexed
// on open, a record's header is loaded whenever the cursor moves, and
// ReadImage reads the record's JPEG data up to its end-of-image marker and
// the recorder trailer after it, then decodes the image or writes it to a
// file. Operations a disc cannot answer give the neutral values callers rely
// on (channel -1, stamp 0, no title); a time by index is known only for a
// record read before.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "source/DiscLayout.h"
#include "source/DiscLog.h"
#include "source/DiscReader.h"
#include "source/ImageInfo.h"
#include "source/ImageRecord.h"
#include "source/DiscChannelAnswers.h"
#include "source/ImageSource.h"
#include "source/Notifier.h"

namespace selvo {

class DiscImageSource : public DiscChannelAnswers {
 public:
  // notifier must outlive the source; it may be called from whichever
  // thread reads (the copy runs on a worker thread).
  explicit DiscImageSource(Notifier& notifier, DiscLog log = DiscLog(),
                           DiscReader::DeviceFactory makeDevice = nullptr);
  ~DiscImageSource() override;

  bool OpenRecording(const std::string& path, bool hasSound) override;
  bool OpenDrive(int driveIndex, bool logFlag) override;
  // A CD device node or a disc-image file.
  bool Open(const std::string& pathOrDrive) override;
  // Mode 0 decodes; mode 1 writes the image bytes (JPEG data through the
  // trailer) to saveTarget and answers written only when the file is there
  // whole under its name. orderCheck is not used.
  ReadOutcome ReadImage(std::uint32_t& sizeOut, int mode, const SaveTarget& saveTarget, bool orderCheck,
                        bool logFlag) override;
  bool Forward(int n) override;
  bool Backward(int n) override;
  bool Seek(int index) override;
  bool First() override;
  bool Last() override;
  bool Next() override;
  bool Previous() override;
  bool Ping() override;
  bool SetPosition(int index) override;
  int IndexForStamp(std::uint32_t ms) override;
  int GetPosition() override;
  int GetCount() override;
  int GetStatusAt(int index) override;
  int GetStatus() override;
  CalendarSeconds GetTimeAt(int index) override;
  CalendarSeconds GetTime() override;
  bool IsDriveNotReady() override;

  // The image bytes of the record under the cursor (JPEG data through the
  // 44-byte trailer), with every length checked; false, with the log line
  // when logFlag is set, for a bad record or an unreadable sector. Like
  // ReadImage it needs a cursor move before each read of the same record.
  bool ReadRecordBytes(std::vector<std::uint8_t>& image, bool logFlag);

  // What the trailer of the last image read reported: status -1 and time 0
  // when the last read failed or its trailer was not recognised.
  const ImageInfo& LastImageInfo() const { return lastInfo_; }
  // Why the last open failed: RawDiscDevice::kErrorNotReady or an errno value.
  int LastOpenError() const { return reader_.LastOpenError(); }
  // Whether the open indexed only the tag entries before a read failure:
  // records past them may exist and are not listed.
  bool IndexCutShort() const { return indexCutShort_; }
  const DiscLog& Log() const { return log_; }

 private:
  enum class OpenRoute { ByPath, ByIndex };
  void ForgetRecording();
  bool IndexTagArea(OpenRoute route, int driveIndex, bool logFlag);
  bool ReadTagEntries(OpenRoute route, int driveIndex, bool logFlag);
  bool MoveCursorTo(std::int64_t index);
  bool LoadHeader();
  bool FindEndOfImage(std::vector<std::uint8_t>& image, std::size_t& length, bool logFlag);
  // 0, or the errno of the step that failed.
  int WriteImageFile(const std::vector<std::uint8_t>& image, const SaveTarget& target) const;
  void ForgetLastImage();
  void Trace(bool logFlag, const char* format, ...) const __attribute__((format(printf, 3, 4)));

  Notifier& notifier_;
  DiscLog log_;
  DiscReader reader_;
  std::array<std::uint8_t, disc::kRecordHeaderBytes> header_{};
  bool headerLoaded_ = false;
  std::int64_t headerOffset_ = 0;
  int count_ = 0;
  int cursor_ = -1;
  ImageRecord record_;
  ImageInfo lastInfo_{-1, 0, 0};
  std::vector<std::uint32_t> table_;
  // The time each record's trailer gave when it was read, 0 until then:
  // once read, the first and last image keep their time on the panel.
  // calloc's zeros: a full disc's 400 KB of them cost no writing and no
  // page until an image is read, where clearing them was a third of the
  // index's time.
  struct FreeMemory {
    void operator()(void* memory) const { std::free(memory); }
  };
  std::unique_ptr<CalendarSeconds[], FreeMemory> seenTimes_;
  bool indexCutShort_ = false;
};

}  // namespace selvo
