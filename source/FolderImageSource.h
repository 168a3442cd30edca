#pragma once
// A recording exported to a folder: image files directly in it or in its
// numbered subfolders, an optional INFO index, an optional time.txt. Records
// gain status, time and stamp lazily when their image is first read.
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "source/ImageCodec.h"
#include "source/ImageInfo.h"
#include "source/ImageRecord.h"
#include "source/ImageSource.h"
#include "source/InfoIndex.h"
#include "source/MediaKind.h"
#include "source/NameTable.h"
#include "source/RecordingFiles.h"
#include "source/TimeList.h"
#include "source/TimelineAnomalies.h"

namespace selvo {

// A folder of the recording whose listing failed; its images are missing
// from the list. error is the errno value.
struct UnreadableFolder {
  std::string path;
  int error = 0;
};

class FolderImageSource : public ImageSource, public RecordingFiles {
 public:
  // kind: the media probe's answer; its codec decides the file extension,
  // the trailer parser and the decoder. cancelFlag (may be null) is the loader's shared flag;
  // the value 1 stops OpenRecording.
  explicit FolderImageSource(const MediaKind& kind, const std::atomic<int>* cancelFlag = nullptr);
  ~FolderImageSource() override = default;

  bool OpenRecording(const std::string& path, bool hasSound) override;
  // The flag later opens poll: an index built on a thread of its own, with
  // a flag of that thread's, is handed to an owner whose flag outlives it.
  void SetCancelFlag(const std::atomic<int>* cancelFlag) { cancelFlag_ = cancelFlag; }
  bool OpenDrive(int driveIndex, bool logFlag) override;
  bool Open(const std::string& path) override;
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
  std::uint32_t GetStampAt(int index) override;
  int GetChannel() override;
  bool HasChannel(int channel) override;
  bool SelectChannels(int channel, int paneCount, int* channels) override;
  int FirstInfoIndex(int channel) override;
  int GetInfoIndex(int index) override;
  int FindChannelBackward(int channel, int start) override;
  int FindChannelForward(int channel, int start) override;
  int RecordForInfoIndex(int infoIndex) override;
  std::string GetChannelTitle(int index) override;
  int FirstChannel() override;
  int GetChannelAt(int index) override;
  std::uint32_t RecordingStartStamp() override;
  virtual std::string GetPathAt(int index);
  RecordingFiles* Files() override { return this; }

  // Image files of the recording, whichever camera the list holds now.
  int FileCount() const override { return static_cast<int>(names_.Size()); }
  // The file of record index: its index entry, or its own place without an
  // index. -1 when there is no such record.
  int FileIndexAt(int index) const override;
  // The record index of a file in the list as it stands; -1 when the list
  // (one camera's, say) does not hold it.
  int IndexOfFile(int fileIndex) const override;
  // The trailer check of one file, with the camera, time and stamp its
  // record would show. It reads only what OpenRecording built and never a
  // record, so a background thread may run it while the list is in use and
  // rebuilt; not while OpenRecording runs. stop (may be null) turning true
  // ends the read of a large file between two pieces, unexamined.
  ImageRecord ExamineFile(int fileIndex, const std::atomic<bool>* stop = nullptr) const override;
  // Hands such a result to the file's record, if the list holds it and it
  // was not examined yet: the user-interface thread's side of the above.
  void AdoptExamined(int fileIndex, const ImageRecord& examined) override;
  // The same facts for a caller that parsed the file itself (parsed null:
  // no parser recognised it), under the same rules.
  ImageRecord FileFacts(int fileIndex, const ImageInfo* parsed) const;
  // Runs of a camera's images to which time.txt and the INFO index give
  // different stamps, numbered by file from 1, in order of their first
  // image. The stamp every reader takes is time.txt's; the index saying
  // otherwise is a finding of its own.
  std::vector<TimelineAnomaly> StampDisagreements() const override;
  // The path of file fileIndex; empty when there is none.
  std::string FilePathAt(int fileIndex) const override;

  // Read-only views for tools and tests.
  int RecordCount() const { return static_cast<int>(records_.size()); }
  const ImageRecord* RecordAt(int index) const;
  // The trailer check that the first display of record index runs, without
  // decoding the picture; false when no parser recognised the image.
  bool ExamineRecord(int index);
  // The same for a caller that read and parsed the image's file itself
  // (selvo-check reads on several threads and hashes the very bytes it
  // judges): fills the record as its first visit would. A record already
  // examined keeps what it has.
  void TakeExamination(int index, const ImageInfo& parsed);
  const InfoIndex& Index() const { return infoIndex_; }
  const TimeList& Times() const { return timeList_; }
  // Folders of the last open that could not be listed, in the order met.
  const std::vector<UnreadableFolder>& UnreadableFolders() const { return unreadableFolders_; }

 private:
  bool CancelRequested() const;
  bool OpenRecordingLists(const std::string& path, bool hasSound);
  void ClearLists();
  bool AddMatchingFiles(const std::string& folder);
  void NoteUnreadableFolder(const std::string& folder);
  bool CollectSubfolders(const std::string& folder);
  bool ScanSubfolders(const std::string& folder);
  void SortNames();
  void BuildRecords(const std::string& folder);
  void BuildRecordsFromNames();
  void DecodeChannelTitles();
  ImageRecord RecordFromEntry(std::size_t i, CalendarSeconds epoch) const;
  bool EntryMatches(std::size_t i, int channel) const;
  int InfoEntryCount() const;

  std::string PathOf(const ImageRecord& record, int index) const;
  ImageRecord* MutableRecord(int index);
  void FillOnFirstVisit(ImageRecord& record, int index);
  void FillFromTrailer(ImageRecord& record, int index, const ImageInfo& info) const;
  std::size_t TimeListLine(const ImageRecord& record, int index) const;
  std::uint32_t RuledStamp(const ImageRecord& record, int index, std::uint32_t trailerStamp) const;
  bool StampListed(const ImageRecord& record, int index) const;
  std::uint32_t EarlierKnownStamp(int index) const;
  bool StampKnownAt(int index) const;
  bool StampBelowPrevious() const;

  std::optional<ImageCodec> codec_;  // none when the probe found nothing
  const std::atomic<int>* cancelFlag_;

  int cursor_ = -1;
  TimeList timeList_;
  NameTable names_;  // every image file; with an index, name i is entry i's
  InfoIndex infoIndex_;
  std::vector<ImageRecord> records_;
  std::vector<std::string> subfolders_;
  std::vector<UnreadableFolder> unreadableFolders_;
  std::array<std::string, InfoIndex::kChannels> channelTitles_;  // UTF-8
};

}  // namespace selvo
