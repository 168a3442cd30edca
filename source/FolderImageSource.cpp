#include "source/FolderImageSource.h"

#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>

#include "source/ByteOrder.h"
#include "source/DirectoryScanner.h"
#include "source/FileDescriptor.h"
#include "source/ImageInfo.h"
#include "source/ImageDecoder.h"
#include "source/PaneChannels.h"
#include "source/ShiftJis.h"
#include "source/StampDisagreements.h"
#include "source/TrailerParser.h"

namespace selvo {
namespace {

constexpr int kAllChannels = -1;
constexpr int kNoChannel = -1;
constexpr std::int32_t kOutOfRangeTimeStatus = kImageAltered | kTimeAltered;

// A list replaced, or the listing's growing buffers, leave room free that
// the allocator keeps for later in the midst of what is still in use; at a
// million images that is megabytes the process would hold for nothing.
void ReturnFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

}  // namespace

FolderImageSource::FolderImageSource(const MediaKind& kind, const std::atomic<int>* cancelFlag)
    : codec_(ImageCodecOf(kind)), cancelFlag_(cancelFlag) {}

bool FolderImageSource::CancelRequested() const {
  return cancelFlag_ != nullptr && cancelFlag_->load(std::memory_order_relaxed) == 1;
}

void FolderImageSource::ClearLists() {
  infoIndex_.Clear();
  channelTitles_.fill(std::string());
  names_.Clear();
  records_.clear();
  subfolders_.clear();
  unreadableFolders_.clear();
}

// ---------------------------------------------------------------- opening

bool FolderImageSource::OpenRecording(const std::string& path, bool hasSound) {
  if (!codec_) return false;
  // This runs on the viewer's loader thread, where an escaping exception
  // would end the program: running out of memory is an empty result.
  try {
    return OpenRecordingLists(path, hasSound);
  } catch (const std::exception&) {
    ClearLists();
    timeList_.Clear();
    cursor_ = -1;
    return false;
  }
}

bool FolderImageSource::OpenRecordingLists(const std::string& path, bool hasSound) {
  ClearLists();
  cursor_ = -1;

  // With a sound track the recorder puts every image in numbered subfolders.
  bool found = hasSound ? ScanSubfolders(path) : (AddMatchingFiles(path) || ScanSubfolders(path));
  if (found && !CancelRequested()) {
    SortNames();
    BuildRecords(path);
  }
  if (CancelRequested() || !found) return false;

  timeList_.Clear();
  const std::string timeFile = FindChildIgnoringCase(path, "time.txt", EntryType::kFile);
  // time.txt has a line per image file; lines past them are never asked for.
  if (!timeFile.empty()) timeList_.Load(timeFile, names_.Size());
  cursor_ = records_.empty() ? -1 : 0;
  return true;
}

// Every entry named like an image is listed, whatever it is: a dangling
// link, a FIFO or a folder called "x.jpg" stands where an image should, and
// whoever reads the list must be able to say it could not be read rather
// than never see it. Reading refuses all but regular files without waiting.
bool FolderImageSource::AddMatchingFiles(const std::string& folder) {
  bool found = false;
  const std::uint32_t folderNumber = names_.AddFolder(folder);
  const bool listed = ScanDirectory(folder, [&](const char* name, EntryType) {
    if (!HasExtensionIgnoringCase(name, FileExtensionOf(*codec_))) return true;
    names_.Add(folderNumber, name);
    found = true;
    return !CancelRequested();
  });
  if (!listed) NoteUnreadableFolder(folder);
  return found;
}

// Images in a folder that cannot be listed are missing, not absent: whoever
// reports on the recording must be able to say so.
void FolderImageSource::NoteUnreadableFolder(const std::string& folder) {
  const int error = errno;
  const bool known = std::any_of(unreadableFolders_.begin(), unreadableFolders_.end(),
                                 [&](const UnreadableFolder& seen) { return seen.path == folder; });
  if (!known) unreadableFolders_.push_back(UnreadableFolder{folder, error});
}

bool FolderImageSource::CollectSubfolders(const std::string& folder) {
  const bool listed = ScanDirectory(folder, [&](const char* name, EntryType type) {
    // A desktop's .Trash-1000 or any other hidden folder on the stick is
    // not the recorder's; it would sort first and, empty, end the search.
    if (type == EntryType::kDirectory && name[0] != '.') subfolders_.push_back(JoinPath(folder, name));
    return true;
  });
  if (!listed) NoteUnreadableFolder(folder);
  // Stable, so names equal but for case keep the order the directory gave.
  std::stable_sort(subfolders_.begin(), subfolders_.end(), [](const std::string& a, const std::string& b) {
    return CompareIgnoringCase(a, b) < 0;
  });
  return !subfolders_.empty();
}

bool FolderImageSource::ScanSubfolders(const std::string& folder) {
  if (!CollectSubfolders(folder)) return false;
  for (std::size_t i = 0; i < subfolders_.size() && !CancelRequested(); ++i) {
    // A recording starts in its first subfolder; later ones may be empty.
    if (!AddMatchingFiles(subfolders_[i]) && i == 0) return false;
  }
  return true;
}

void FolderImageSource::SortNames() {
  names_.SortByPath();
  names_.Compact();
  ReturnFreedMemory();
}

void FolderImageSource::BuildRecords(const std::string& folder) {
  // An index that does not list every file is not used, so one that
  // cannot is not even read: a hostile count costs nothing.
  if (infoIndex_.Load(folder, names_.Size())) {
    DecodeChannelTitles();
    // An index whose entries name no camera channel at all still lists
    // every image rather than none.
    const int first = infoIndex_.ChannelSlot(0);
    SelectChannels(first == InfoIndex::kEmptySlot ? kAllChannels : first, 1, nullptr);
    return;
  }
  infoIndex_.Clear();
  BuildRecordsFromNames();
}

// Record i is the image of name i.
void FolderImageSource::BuildRecordsFromNames() {
  if (CancelRequested()) return;
  records_.assign(names_.Size(), ImageRecord{});
}

void FolderImageSource::DecodeChannelTitles() {
  for (int channel = 0; channel < InfoIndex::kChannels; ++channel) {
    const std::string bytes = infoIndex_.ChannelTitleBytes(channel);
    channelTitles_[static_cast<std::size_t>(channel)] = ShiftJisToUtf8(bytes.data(), bytes.size());
  }
}

bool FolderImageSource::Open(const std::string& path) {
  if (!codec_) return false;
  // A flat open reads neither index nor time list; nothing of an earlier
  // recording may leak into it.
  ClearLists();
  timeList_.Clear();
  const std::uint32_t folder = names_.AddFolder(path);
  ScanDirectory(path, [&](const char* name, EntryType) {
    if (HasExtensionIgnoringCase(name, FileExtensionOf(*codec_))) names_.Add(folder, name);
    return true;
  });
  names_.SortByPathIgnoringCase();
  names_.Compact();
  records_.assign(names_.Size(), ImageRecord{});
  cursor_ = records_.empty() ? -1 : 0;
  return !records_.empty();
}

bool FolderImageSource::OpenDrive(int, bool) { return true; }

// ---------------------------------------------------------------- reading

ImageRecord* FolderImageSource::MutableRecord(int index) {
  if (index < 0 || index >= RecordCount()) return nullptr;
  return &records_[static_cast<std::size_t>(index)];
}

const ImageRecord* FolderImageSource::RecordAt(int index) const {
  if (index < 0 || index >= RecordCount()) return nullptr;
  return &records_[static_cast<std::size_t>(index)];
}

ReadOutcome FolderImageSource::ReadImage(std::uint32_t& sizeOut, int, const SaveTarget&, bool orderCheck, bool) {
  ImageRecord* record = MutableRecord(cursor_);
  if (record == nullptr) return {};
  try {
    // The trailer is judged even when the picture cannot be decoded: a frame
    // damaged beyond decoding must still show its marks and its time.
    if (record->status == -1) FillOnFirstVisit(*record, cursor_);
    DibPtr block = DecodeImageFile(PathOf(*record, cursor_), *codec_).block;
    if (!block) return {};
    sizeOut = static_cast<std::uint32_t>(block->Size());
    if (orderCheck && StampBelowPrevious()) return {};
    ReadOutcome outcome;
    outcome.block = std::move(block);
    return outcome;
  } catch (const std::exception&) {
    return {};
  }
}

bool FolderImageSource::ExamineRecord(int index) {
  ImageRecord* record = MutableRecord(index);
  if (record == nullptr) return false;
  if (record->status == -1) FillOnFirstVisit(*record, index);
  return record->status != -1;
}

void FolderImageSource::TakeExamination(int index, const ImageInfo& parsed) {
  ImageRecord* record = MutableRecord(index);
  if (record != nullptr && record->status == -1) FillFromTrailer(*record, index, parsed);
}

void FolderImageSource::FillOnFirstVisit(ImageRecord& record, int index) {
  ImageInfo info;
  if (ReadImageInfo(PathOf(record, index), info, *codec_)) FillFromTrailer(record, index, info);
}

void FolderImageSource::FillFromTrailer(ImageRecord& record, int index, const ImageInfo& info) const {
  record.status = info.status;
  // The index already gave the time; the trailer only judges it.
  if (!infoIndex_.Loaded() && record.recordTime == 0) record.recordTime = info.recordTime;
  record.stampMs = RuledStamp(record, index, info.stampMs);
}

// The one rule for an image's stamp, whoever asks: the first display, the
// play loop, the background check, selvo-check. time.txt's line first (it
// paces play), then the index entry, then the trailer; none for an image
// without a recorder trailer.
std::uint32_t FolderImageSource::RuledStamp(const ImageRecord& record, int index, std::uint32_t trailerStamp) const {
  if (record.status == kNoTrailer) return 0;
  const std::size_t line = TimeListLine(record, index);
  if (timeList_.Has(line)) return timeList_.At(line);
  if (infoIndex_.Loaded() && record.infoIndex >= 0) {
    return infoIndex_.EntryStamp(static_cast<std::size_t>(record.infoIndex));
  }
  return trailerStamp;
}

bool FolderImageSource::StampListed(const ImageRecord& record, int index) const {
  return timeList_.Has(TimeListLine(record, index)) || (infoIndex_.Loaded() && record.infoIndex >= 0);
}

// time.txt has a line for every image file; with the index loaded the list
// may hold one camera's images only, and a record's line is its place in
// the index, not in the list.
std::size_t FolderImageSource::TimeListLine(const ImageRecord& record, int index) const {
  if (infoIndex_.Loaded() && record.infoIndex >= 0) return static_cast<std::size_t>(record.infoIndex);
  return static_cast<std::size_t>(index);
}

// An image without a stamp is in no order to check.
bool FolderImageSource::StampBelowPrevious() const {
  if (cursor_ <= 0) return false;
  const ImageRecord& current = records_[static_cast<std::size_t>(cursor_)];
  const ImageRecord& previous = records_[static_cast<std::size_t>(cursor_) - 1];
  return IsStampKnown(current) && IsStampKnown(previous) && current.stampMs < previous.stampMs;
}

// An image without a stamp is due with the image before it: play neither
// waits for it nor counts it late, and a search by time passes over it. Its
// record keeps no stamp.
std::uint32_t FolderImageSource::GetStampAt(int index) {
  ImageRecord* record = MutableRecord(index);
  if (record == nullptr) return 0;
  // Without a line for this image only its trailer can tell, and only once a
  // parser has recognised it: a file's last four bytes are a stamp only when
  // they end a recorder trailer. The first image's stamp comes from its
  // first display.
  if (record->status == -1 && index != 0 && record->stampMs == 0 && !StampListed(*record, index)) {
    FillOnFirstVisit(*record, index);
  }
  record->stampMs = RuledStamp(*record, index, record->stampMs);
  return StampKnownAt(index) ? record->stampMs : EarlierKnownStamp(index);
}

// Only records already read are looked at, and only a short way back: a run
// of images without stamps must not make every question a walk to the start.
std::uint32_t FolderImageSource::EarlierKnownStamp(int index) const {
  constexpr int kMostLookedBack = 256;
  for (int i = index - 1; i >= 0 && i >= index - kMostLookedBack; --i) {
    if (StampKnownAt(i)) return records_[static_cast<std::size_t>(i)].stampMs;
  }
  return 0;
}

// A line of time.txt or an index entry is a stamp even where it says 0.
bool FolderImageSource::StampKnownAt(int index) const {
  const ImageRecord& record = records_[static_cast<std::size_t>(index)];
  return record.status != kNoTrailer && (StampListed(record, index) || IsStampKnown(record));
}

std::uint32_t FolderImageSource::RecordingStartStamp() {
  if (!infoIndex_.Loaded() || infoIndex_.EntryCount() == 0) return GetStampAt(0);
  // The list may hold one camera's images; the sound starts with the first
  // image of all.
  return timeList_.Has(0) ? timeList_.At(0) : infoIndex_.EntryStamp(0);
}

// ms is a time since the recording's start stamp, as the play loop measures
// it against the sound track; the stamps are compared as offsets from there.
// The answer is the first image stamped after ms, 0 when there is none.
int FolderImageSource::IndexForStamp(std::uint32_t ms) {
  const int count = RecordCount();
  if (count == 0) return 0;
  const std::uint32_t start = RecordingStartStamp();
  const auto offset = [&](int i) { return GetStampAt(i) - start; };
  const std::uint32_t span = GetStampAt(count - 1) - GetStampAt(0);
  int from = 0;
  // Equal stamps leave nothing to interpolate; search from the start.
  if (span != 0) {
    const double estimate = std::trunc(static_cast<double>(ms) / (static_cast<double>(span) / count));
    from = estimate < count ? static_cast<int>(estimate) : count - 1;
    // The estimate can overshoot when the list starts later than the
    // recording or its stamps are uneven.
    while (from > 0 && ms < offset(from - 1)) --from;
  }
  for (int i = from; i < count; ++i) {
    // An image without a stamp is due whenever its neighbours are.
    if (ms < offset(i) && StampKnownAt(i)) return i;
  }
  return 0;
}

// ---------------------------------------------------------------- cursor

bool FolderImageSource::Forward(int n) {
  cursor_ += n;
  return true;
}

bool FolderImageSource::Backward(int n) {
  cursor_ -= n;
  return true;
}

bool FolderImageSource::Seek(int) { return false; }

bool FolderImageSource::First() {
  cursor_ = 0;
  return true;
}

bool FolderImageSource::Last() {
  cursor_ = RecordCount() - 1;
  return true;
}

bool FolderImageSource::Next() { return Forward(1); }
bool FolderImageSource::Previous() { return Backward(1); }
bool FolderImageSource::Ping() { return true; }

bool FolderImageSource::SetPosition(int index) {
  cursor_ = index;
  return true;
}

int FolderImageSource::GetPosition() { return cursor_; }
int FolderImageSource::GetCount() { return RecordCount(); }

// ---------------------------------------------------------------- record fields

int FolderImageSource::GetStatusAt(int index) {
  const ImageRecord* record = RecordAt(index);
  return record != nullptr ? record->status : 0;
}

int FolderImageSource::GetStatus() { return GetStatusAt(cursor_); }

CalendarSeconds FolderImageSource::GetTimeAt(int index) {
  const ImageRecord* record = RecordAt(index);
  return record != nullptr ? record->recordTime : 0;
}

CalendarSeconds FolderImageSource::GetTime() { return GetTimeAt(cursor_); }

bool FolderImageSource::IsDriveNotReady() { return false; }

int FolderImageSource::GetChannel() { return GetChannelAt(cursor_); }

int FolderImageSource::GetChannelAt(int index) {
  const ImageRecord* record = RecordAt(index);
  return record != nullptr ? record->channel : kNoChannel;
}

std::string FolderImageSource::GetPathAt(int index) {
  const ImageRecord* record = RecordAt(index);
  return record != nullptr ? PathOf(*record, index) : std::string();
}

// With an index a record may list one camera's images; its file is its
// entry's. Without one, records and names are in the same order.
std::string FolderImageSource::PathOf(const ImageRecord& record, int index) const {
  return names_.PathAt(record.infoIndex >= 0 ? static_cast<std::size_t>(record.infoIndex)
                                             : static_cast<std::size_t>(index));
}

// ---------------------------------------------------------------- INFO index

int FolderImageSource::InfoEntryCount() const {
  // The index was accepted only with as many entries as files, so this fits.
  return static_cast<int>(std::min<std::uint32_t>(infoIndex_.EntryCount(), 0x7FFFFFFF));
}

bool FolderImageSource::HasChannel(int channel) {
  if (!infoIndex_.Loaded()) return false;
  return channel == kAllChannels || infoIndex_.ChannelImageCount(channel) != 0;
}

ImageRecord FolderImageSource::RecordFromEntry(std::size_t i, CalendarSeconds epoch) const {
  ImageRecord record;
  const std::uint32_t seconds = infoIndex_.EntrySeconds(i);
  if (seconds < kRecorderTimeLimit) {
    record.recordTime = epoch + static_cast<CalendarSeconds>(seconds);
  } else {
    record.status = kOutOfRangeTimeStatus;
  }
  record.stampMs = infoIndex_.EntryStamp(i);
  record.channel = infoIndex_.EntryChannel(i);
  record.infoIndex = static_cast<std::int32_t>(i);
  return record;
}

bool FolderImageSource::EntryMatches(std::size_t i, int channel) const {
  const int entryChannel = infoIndex_.EntryChannel(i);
  return entryChannel != kNoChannel && entryChannel == channel;
}

bool FolderImageSource::SelectChannels(int channel, int paneCount, int* channels) {
  // Without an index there is nothing to select from; the list stays.
  if (!infoIndex_.Loaded()) return false;

  std::array<int, InfoIndex::kChannels> wanted;
  wanted.fill(InfoIndex::kEmptySlot);
  int wantedCount = 0;
  const bool allChannels = paneCount == 1 && channel == kAllChannels;
  if (paneCount == 1) {
    wanted[0] = channel;
    wantedCount = 1;
  } else {
    wantedCount = std::clamp(paneCount, 0, InfoIndex::kChannels);
    int* panes = channels != nullptr ? channels : wanted.data();
    if (AllPanesEmpty(panes)) FillPaneChannels(infoIndex_.ChannelList(), panes, wantedCount);
    std::copy(panes, panes + wantedCount, wanted.begin());
  }

  const auto taken = [&](std::size_t i) {
    return allChannels || std::any_of(wanted.begin(), wanted.begin() + wantedCount,
                                      [&](int value) { return EntryMatches(i, value); });
  };
  const std::size_t count = infoIndex_.EntryCount();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) kept += taken(i) ? 1 : 0;
  // The old list goes before the new one is made, and the new one is made
  // to size: a million-image list never holds two lists, nor spare room.
  records_ = std::vector<ImageRecord>();
  ReturnFreedMemory();
  records_.reserve(kept);
  const CalendarSeconds epoch = RecorderEpoch();
  for (std::size_t i = 0; i < count; ++i) {
    if (taken(i)) records_.push_back(RecordFromEntry(i, epoch));
  }
  return true;
}

int FolderImageSource::FirstInfoIndex(int channel) {
  if (!InfoIndex::IsCameraChannel(channel)) return 0;
  // The field counts from 1 and is whatever the file says: a value that
  // names no int position is no position at all.
  const std::int64_t position = static_cast<std::int64_t>(infoIndex_.ChannelFirstImage(channel)) - 1;
  return position <= std::numeric_limits<int>::max() ? static_cast<int>(position) : -1;
}

int FolderImageSource::GetInfoIndex(int index) {
  if (index != -1) return index;
  const ImageRecord* record = RecordAt(cursor_);
  return record != nullptr ? record->infoIndex : -1;
}

int FolderImageSource::FindChannelBackward(int channel, int start) {
  const int count = InfoEntryCount();
  for (int i = std::min(start, count - 1); i >= 1; --i) {
    if (EntryMatches(static_cast<std::size_t>(i), channel)) return i;
  }
  for (int i = std::max(start, 0); i < count; ++i) {
    if (EntryMatches(static_cast<std::size_t>(i), channel)) return i;
  }
  return -1;
}

int FolderImageSource::FindChannelForward(int channel, int start) {
  const int count = InfoEntryCount();
  for (int i = std::max(start, 0); i < count; ++i) {
    if (EntryMatches(static_cast<std::size_t>(i), channel)) return i;
  }
  if (start > 0) {
    for (int i = std::min(start, count - 1); i >= 1; --i) {
      if (EntryMatches(static_cast<std::size_t>(i), channel)) return i;
    }
  }
  return -1;
}

int FolderImageSource::RecordForInfoIndex(int infoIndex) {
  const auto found = std::find_if(records_.begin(), records_.end(),
                                  [&](const ImageRecord& record) { return record.infoIndex == infoIndex; });
  return found != records_.end() ? static_cast<int>(found - records_.begin()) : 0;
}

std::string FolderImageSource::GetChannelTitle(int index) {
  const ImageRecord* record = RecordAt(index);
  if (record == nullptr || !InfoIndex::IsCameraChannel(record->channel)) return std::string();
  return channelTitles_[static_cast<std::size_t>(record->channel)];
}

int FolderImageSource::FirstChannel() { return infoIndex_.ChannelSlot(0); }

// ---------------------------------------------------- background examination

int FolderImageSource::FileIndexAt(int index) const {
  const ImageRecord* record = RecordAt(index);
  if (record == nullptr) return -1;
  return record->infoIndex >= 0 ? record->infoIndex : index;
}

// With an index the list holds its entries in ascending order, whichever
// cameras it was built for.
int FolderImageSource::IndexOfFile(int fileIndex) const {
  if (fileIndex < 0) return -1;
  if (!infoIndex_.Loaded()) return fileIndex < RecordCount() ? fileIndex : -1;
  const auto found = std::lower_bound(records_.begin(), records_.end(), fileIndex,
                                      [](const ImageRecord& record, int file) { return record.infoIndex < file; });
  if (found == records_.end() || found->infoIndex != fileIndex) return -1;
  return static_cast<int>(found - records_.begin());
}

ImageRecord FolderImageSource::ExamineFile(int fileIndex, const std::atomic<bool>* stop) const {
  if (fileIndex < 0 || fileIndex >= FileCount()) return ImageRecord{};
  const auto file = static_cast<std::size_t>(fileIndex);
  // An index time the recorder could not have written has judged the
  // record already, as on first display: the file need not be read.
  const bool judgedByIndex = infoIndex_.Loaded() && infoIndex_.EntrySeconds(file) >= kRecorderTimeLimit;
  ImageInfo info;
  const bool parsed = !judgedByIndex && ReadImageInfo(names_.PathAt(file), info, *codec_, stop);
  return FileFacts(fileIndex, parsed ? &info : nullptr);
}

ImageRecord FolderImageSource::FileFacts(int fileIndex, const ImageInfo* parsed) const {
  ImageRecord record;
  if (fileIndex < 0 || fileIndex >= FileCount()) return record;
  if (infoIndex_.Loaded()) record = RecordFromEntry(static_cast<std::size_t>(fileIndex), RecorderEpoch());
  if (record.status == -1 && parsed != nullptr) {
    FillFromTrailer(record, fileIndex, *parsed);
  } else {
    record.stampMs = RuledStamp(record, fileIndex, 0);
  }
  return record;
}

// The examination followed the same rules as a first display, so its time
// and stamp are the record's.
void FolderImageSource::AdoptExamined(int fileIndex, const ImageRecord& examined) {
  ImageRecord* record = MutableRecord(IndexOfFile(fileIndex));
  if (record == nullptr || record->status != -1) return;
  record->stampMs = examined.stampMs;
  if (examined.status == -1) return;
  record->status = examined.status;
  record->recordTime = examined.recordTime;
}

std::vector<TimelineAnomaly> FolderImageSource::StampDisagreements() const {
  if (!infoIndex_.Loaded()) return {};
  return FindStampDisagreements(infoIndex_, timeList_);
}

std::string FolderImageSource::FilePathAt(int fileIndex) const {
  if (fileIndex < 0 || fileIndex >= FileCount()) return std::string();
  return names_.PathAt(static_cast<std::size_t>(fileIndex));
}

}  // namespace selvo
