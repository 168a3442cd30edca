#include "source/FolderRecording.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "source/MediaProbe.h"
#include "source/SoundFile.h"

namespace selvo {

FolderRecording::FolderRecording(std::string folder) : folder_(std::move(folder)) {}

FolderRecording::~FolderRecording() = default;

bool FolderRecording::Fail(FolderRecordingFailure failure, int error) {
  failure_ = failure;
  error_ = error;
  return false;
}

bool FolderRecording::Open(const std::atomic<int>* cancelFlag) {
  if (!Reach() || !Probe()) return false;
  TrySound();
  return IndexImages(cancelFlag);
}

bool FolderRecording::Reach() {
  struct stat status {};
  if (::stat(folder_.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) {
    return Fail(FolderRecordingFailure::kNotAFolder, ENOTDIR);
  }
  // A missing folder is told by the system's words too.
  if (::access(folder_.c_str(), R_OK | X_OK) != 0) return Fail(FolderRecordingFailure::kUnreachable, errno);
  return true;
}

// A probe that found nothing may have been kept from looking: the folder it
// could not list is kept to say so.
bool FolderRecording::Probe() {
  MediaProbe probe(folder_);
  const bool probed = probe.Probe();
  kind_ = probe.Kind();
  unlistedFolder_ = probe.UnlistedFolder();
  unlistedError_ = probe.UnlistedError();
  if (probed && kind_.Any()) return true;
  return Fail(unlistedFolder_.empty() ? FolderRecordingFailure::kNoImages : FolderRecordingFailure::kImagesUnlisted);
}

// The viewer plays sound only when the file opens, and the recorder's
// layout follows from there being sound: a track that does not play makes
// the recording one without sound, everywhere alike.
void FolderRecording::TrySound() {
  soundProblem_ = SoundFileProblem(folder_, soundPlayable_);
  FindSoundFile(folder_, soundFile_);
}

bool FolderRecording::IndexImages(const std::atomic<int>* cancelFlag) {
  images_ = std::make_unique<FolderImageSource>(kind_, cancelFlag);
  const bool indexed = images_->OpenRecording(folder_, soundPlayable_);
  TakeUnlistedFromImages();
  if (indexed) return true;
  return Fail(unlistedFolder_.empty() ? FolderRecordingFailure::kNoImages : FolderRecordingFailure::kImagesUnlisted);
}

// The source listed every folder the probe did and more; its first failure
// is the one to tell.
void FolderRecording::TakeUnlistedFromImages() {
  const std::vector<UnreadableFolder>& unlisted = images_->UnreadableFolders();
  unlistedFolder_ = unlisted.empty() ? std::string() : unlisted.front().path;
  unlistedError_ = unlisted.empty() ? 0 : unlisted.front().error;
}

std::string FolderRecording::IndexProblem() const { return images_ ? images_->Index().Problem() : std::string(); }

std::string FolderRecording::ForeignChannelText() const {
  return images_ ? images_->Index().ForeignChannelText() : std::string();
}

std::string FolderRecording::NoImagesText() const {
  if (unlistedFolder_.empty()) return "no recorder images found";
  return "no recorder images could be listed: " + unlistedFolder_ + ": " + std::strerror(unlistedError_);
}

std::string FolderRecording::FailureText() const {
  switch (failure_) {
    case FolderRecordingFailure::kNone:
      return std::string();
    case FolderRecordingFailure::kNotAFolder:
      return "not a folder";
    case FolderRecordingFailure::kUnreachable:
      return std::strerror(error_);
    case FolderRecordingFailure::kNoImages:
    case FolderRecordingFailure::kImagesUnlisted:
      break;
  }
  return NoImagesText();
}

}  // namespace selvo
