#pragma once
// A recording folder opened the one way the viewer and the tools all open
// it: the folder reached, the media probe deciding the codec, the sound
// track tried, and the images indexed with or without it as the recorder
// lays them out. What was found, and what failed and why, is told in the
// words every caller prints; what a caller does about it (plays or makes
// its video without sound, warns, gives up) is its own to say.
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "source/FolderImageSource.h"
#include "source/ImageCodec.h"
#include "source/MediaKind.h"

namespace selvo {

enum class FolderRecordingFailure {
  kNone,
  kNotAFolder,      // the path names something else
  kUnreachable,     // the folder cannot be listed or entered (a missing one too): Error() says why
  kNoImages,        // it holds no recorder images
  kImagesUnlisted,  // a folder that could not be listed (UnlistedFolder()) kept them from being found
};

class FolderRecording {
 public:
  explicit FolderRecording(std::string folder);
  ~FolderRecording();
  FolderRecording(const FolderRecording&) = delete;
  FolderRecording& operator=(const FolderRecording&) = delete;

  // Every step below in turn, as the tools open a folder; false at the first
  // that fails, with Failure() and FailureText(). cancelFlag (may be null)
  // turning 1 stops the indexing, which then finds no images.
  bool Open(const std::atomic<int>* cancelFlag = nullptr);

  // The steps on their own, for an open (the viewer's) that runs them apart.
  // Reach: the path is a folder that may be listed and entered.
  bool Reach();
  // Probe: the codec of the folder's images; false when it found none.
  bool Probe();
  // Sound: whether the folder's sound file is there and plays. Never fails
  // the open: a recording whose track does not play is read without it.
  void TrySound();
  // Images: indexes them into a new source, with or without the sound
  // track's layout as TrySound found; false when none could be listed.
  bool IndexImages(const std::atomic<int>* cancelFlag = nullptr);

  const std::string& Folder() const { return folder_; }

  // What the probe found: its flags, and the codec of the images (none
  // before a probe that found them).
  const MediaKind& Kind() const { return kind_; }
  std::optional<ImageCodec> Codec() const { return ImageCodecOf(kind_); }

  // The folder's sound file, playable or not; empty when there is none.
  const std::string& SoundFile() const { return soundFile_; }
  bool SoundPlayable() const { return soundPlayable_; }
  // Why the sound file that is there does not play ("PATH: reason"); empty
  // when it plays or there is none.
  const std::string& SoundProblem() const { return soundProblem_; }

  // The indexed images; only after IndexImages (or Open) got that far.
  bool HasImages() const { return images_ != nullptr; }
  FolderImageSource& Images() { return *images_; }
  const FolderImageSource& Images() const { return *images_; }
  // Hands the source over to a caller that outlives the open.
  std::unique_ptr<FolderImageSource> TakeImages() { return std::move(images_); }
  // Why an INFO index that is there was not used; empty otherwise.
  std::string IndexProblem() const;
  // The index's entries that name no camera, as a sentence; empty when none.
  std::string ForeignChannelText() const;

  FolderRecordingFailure Failure() const { return failure_; }
  int Error() const { return error_; }  // the errno value of kUnreachable
  // The first folder that could not be listed while looking for images,
  // and why (an errno value); empty when there was none.
  const std::string& UnlistedFolder() const { return unlistedFolder_; }
  int UnlistedError() const { return unlistedError_; }
  // The failure in words, without the folder's name: "not a folder", the
  // system's reason, "no recorder images found", or "no recorder images
  // could be listed: PATH: reason". Empty when nothing failed.
  std::string FailureText() const;
  // "no recorder images found", or why none could be listed: for a caller
  // that finds the list it chose empty.
  std::string NoImagesText() const;

 private:
  bool Fail(FolderRecordingFailure failure, int error = 0);
  void TakeUnlistedFromImages();

  std::string folder_;
  MediaKind kind_;
  std::string soundFile_;
  bool soundPlayable_ = false;
  std::string soundProblem_;
  std::unique_ptr<FolderImageSource> images_;
  FolderRecordingFailure failure_ = FolderRecordingFailure::kNone;
  int error_ = 0;
  std::string unlistedFolder_;
  int unlistedError_ = 0;
};

}  // namespace selvo
