#include "export/FolderExportInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "source/FileBytes.h"
#include "source/FileDescriptor.h"
#include "source/InfoIndex.h"
#include "source/FolderRecording.h"
#include "source/TrailerParser.h"

namespace selvo {

namespace {

// The first limit bytes of a regular file, or all of it; errno tells why
// not. A FIFO or device named like an image is refused without waiting.
bool ReadFilePrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& out) {
  out.clear();
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat status {};
  if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0) return false;
  if (!S_ISREG(status.st_mode)) {
    errno = S_ISDIR(status.st_mode) ? EISDIR : ENOTBLK;
    return false;
  }
  out.resize(std::min<std::size_t>(limit, static_cast<std::size_t>(status.st_size)));
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::read(file.Get(), out.data() + done, out.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  out.resize(done);
  return true;
}

}  // namespace

bool FolderExportInput::Fail(const std::string& text) {
  error_ = text;
  return false;
}

bool FolderExportInput::Open(const std::string& folder, const ExportSelection& selection,
                             const std::atomic<int>* cancelFlag) {
  folder_ = folder;
  char* full = realpath(folder.c_str(), nullptr);
  fullFolder_ = full != nullptr ? full : folder;
  std::free(full);
  notes_.clear();
  FolderRecording recording(folder);
  const bool opened = recording.Open(cancelFlag);
  // The viewer plays sound only when the file opens; an export copies it on
  // the same terms, and says so when it cannot.
  if (!recording.SoundProblem().empty()) {
    notes_.push_back(recording.SoundProblem() + "; the video is made without sound");
  }
  soundPath_ = recording.SoundPlayable() ? recording.SoundFile() : std::string();
  if (!recording.HasImages()) return Fail(folder + ": " + recording.FailureText());
  codec_ = *recording.Codec();
  const std::string failure = opened ? recording.NoImagesText() : recording.FailureText();
  source_ = recording.TakeImages();
  NoteOmissions();
  if (!opened || source_->GetCount() == 0) return Fail(folder + ": " + failure);
  if (!source_->Index().Problem().empty()) {
    notes_.push_back(source_->Index().Problem() + "; the INFO index is not used, so the images carry no camera");
  }
  const std::string foreignChannels = source_->Index().ForeignChannelText();
  if (!foreignChannels.empty()) notes_.push_back(folder + ": " + foreignChannels);
  if (!SelectCamera(selection.camera)) return false;
  return selection.byStamps ? SetRangeByStamps(selection) : SetRange(selection);
}

// What the list lacks: the images of folders that could not be listed, and
// the cameras when an INFO index exists but does not list the files found
// (a folder missing, an image added), so the source could not use it.
void FolderExportInput::NoteOmissions() {
  omissions_.clear();
  for (const UnreadableFolder& folder : source_->UnreadableFolders()) {
    omissions_.push_back(folder.path + ": unreadable folder (" + std::strerror(folder.error) +
                         "); its images are not in the video");
  }
  indexUnused_ = false;
  if (source_->Index().Loaded()) return;
  InfoIndex present;
  if (!present.Load(folder_)) return;
  indexUnused_ = true;
  unusedIndexEntries_ = present.EntryCount();
  omissions_.push_back(UnusedIndexText() + ": the images carry no camera and the video holds every image found");
}

std::string FolderExportInput::UnusedIndexText() const {
  return folder_ + ": the INFO index lists " + std::to_string(unusedIndexEntries_) + " images but the folder holds " +
         std::to_string(source_->FileCount()) + " image files, so the index is not used";
}

bool FolderExportInput::SetRange(const ExportSelection& selection) {
  const int count = source_->GetCount();
  first_ = selection.first > 0 ? selection.first : 1;
  last_ = selection.last > 0 ? selection.last : count;
  if (first_ > last_ || last_ > count) {
    return Fail("the range " + std::to_string(first_) + "-" + std::to_string(last_) + " lies outside the " +
                std::to_string(count) + " images of the list");
  }
  return true;
}

// Stamps as offsets from the recording's start, which carry a wrap of the
// recorder's clock.
std::uint32_t FolderExportInput::OffsetAt(int position) {
  return source_->GetStampAt(position) - source_->RecordingStartStamp();
}

bool FolderExportInput::SetRangeByStamps(const ExportSelection& selection) {
  const std::uint32_t start = source_->RecordingStartStamp();
  const std::uint32_t from = selection.firstStamp - start;
  const std::uint32_t to = selection.lastStamp - start;
  first_ = 1;
  last_ = 0;
  for (int i = 0; i < source_->GetCount(); ++i) {
    const std::uint32_t offset = OffsetAt(i);
    if (offset < from) {
      first_ = i + 2;
    } else if (offset <= to) {
      last_ = i + 1;
    }
  }
  if (last_ < first_) return Fail(folder_ + ": the camera has no images in the range");
  return true;
}

// Without an index the images carry no camera: the list is every image, as
// the viewer shows it.
bool FolderExportInput::SelectCamera(int camera) {
  if (!source_->HasChannel(-1)) {
    if (camera == 0) return true;
    const std::string cameraText = "the images of camera " + std::to_string(camera) + " are not known";
    if (indexUnused_) {
      omissions_.pop_back();  // the failure says it
      return Fail(UnusedIndexText() + ": " + cameraText);
    }
    return Fail(folder_ + ": no INFO index, so " + cameraText);
  }
  const int channel = camera != 0 ? camera - 1 : source_->FirstChannel();
  if (!InfoIndex::IsCameraChannel(channel) || !source_->HasChannel(channel)) {
    return Fail(folder_ + ": camera " + std::to_string(camera) + " has no images");
  }
  camera_ = channel + 1;
  if (!source_->SelectChannels(channel, 1, nullptr)) return Fail(folder_ + ": the camera's images cannot be listed");
  return true;
}

bool FolderExportInput::ReadBytes(int index, std::vector<std::uint8_t>& bytes, std::string& why) {
  const std::string path = source_->GetPathAt(Position(index));
  if (ReadWholeFile(path, bytes)) return true;
  why = FileReadProblem(path);
  if (why.empty()) why = "cannot be read";
  return false;
}

bool FolderExportInput::ReadHead(int index, std::size_t limit, std::vector<std::uint8_t>& bytes, std::string& why) {
  const std::string path = source_->GetPathAt(Position(index));
  if (ReadFilePrefix(path, limit, bytes)) return true;
  why = std::strerror(errno);
  return false;
}

ExportPicture FolderExportInput::PictureAt(int index, const std::vector<std::uint8_t>& bytes) {
  const int position = Position(index);
  ExportPicture picture;
  picture.number = position + 1;
  picture.stampMs = source_->GetStampAt(position);
  ImageInfo info;
  const bool parsed = ParseImageInfo(bytes.data(), bytes.size(), codec_, info);
  if (parsed) picture.status = info.status;
  // An index gives the time; the trailer only judges it.
  const CalendarSeconds indexed = source_->GetTimeAt(position);
  picture.time = indexed != 0 ? indexed : (parsed ? info.recordTime : 0);
  return picture;
}

std::uint32_t FolderExportInput::StampAt(int index, const std::vector<std::uint8_t>&) {
  return source_->GetStampAt(Position(index));
}

std::string FolderExportInput::NameOf(int index) { return source_->GetPathAt(Position(index)); }

bool FolderExportInput::HoldsPlace(int camera, std::int64_t number) const {
  return camera == camera_ && number >= first_ && number <= last_;
}

int FolderExportInput::IndexOfImage(int camera, std::int64_t number, const std::string& file) {
  if (!HoldsPlace(camera, number) || file.empty()) return -1;
  const int index = static_cast<int>(number - first_);
  const std::string path = NameOf(index);
  const std::size_t start = path.size() - file.size();
  const bool same = path.size() > file.size() && path[start - 1] == '/' && path.compare(start, file.size(), file) == 0;
  return same ? index : -1;
}

std::string FolderExportInput::CameraTitle() { return source_->GetChannelTitle(first_ - 1); }

std::uint32_t FolderExportInput::SoundStartStamp() { return source_->RecordingStartStamp(); }

}  // namespace selvo
