#pragma once
// A recording folder as an export reads it: its own FolderImageSource,
// narrowed to one camera when the folder has an INFO index, and to a range
// of positions in that camera's list.
#include <memory>
#include <string>
#include <vector>

#include "export/ExportInput.h"
#include "source/FolderImageSource.h"

namespace selvo {

struct ExportSelection {
  int camera = 0;  // 1..16; 0: the first camera the recording has
  int first = 0;   // 1-based positions in the camera's list; 0: from the start
  int last = 0;    // 0: to the end
  // Instead of positions: the camera's images stamped from firstStamp to
  // lastStamp, the stamps of two images of any list of the recording (the
  // viewer's copy range, whichever cameras its list holds).
  bool byStamps = false;
  std::uint32_t firstStamp = 0;
  std::uint32_t lastStamp = 0;
};

class FolderExportInput : public ExportInput {
 public:
  // false with ErrorText when the folder holds no recording, the camera has
  // no images or the range lies outside its list. cancelFlag (may be null)
  // stops the indexing when it turns 1.
  bool Open(const std::string& folder, const ExportSelection& selection,
            const std::atomic<int>* cancelFlag = nullptr);
  const std::string& ErrorText() const { return error_; }
  // What the open left out and why, for a warning: a sound track or an INFO
  // index that is there and cannot be read.
  const std::vector<std::string>& Notes() const { return notes_; }
  int Camera() const { return camera_; }  // 1..16, 0 when the folder has no index
  // Whether the export holds camera's image number (as the viewer numbers
  // a camera's images), and its index when that image is still file,
  // relative to the folder; -1 when not.
  bool HoldsPlace(int camera, std::int64_t number) const;
  int IndexOfImage(int camera, std::int64_t number, const std::string& file);

  int Count() override { return last_ - first_ + 1; }
  ImageCodec Codec() const override { return codec_; }
  bool ReadBytes(int index, std::vector<std::uint8_t>& bytes, std::string& why) override;
  bool ReadHead(int index, std::size_t limit, std::vector<std::uint8_t>& bytes, std::string& why) override;
  std::vector<std::string> Omissions() const override { return omissions_; }
  ExportPicture PictureAt(int index, const std::vector<std::uint8_t>& bytes) override;
  std::uint32_t StampAt(int index, const std::vector<std::uint8_t>& bytes) override;
  std::string NameOf(int index) override;
  std::string CameraTitle() override;
  std::string SourceName() const override { return fullFolder_; }
  std::string SoundPath() const override { return soundPath_; }
  std::uint32_t SoundStartStamp() override;

 private:
  bool Fail(const std::string& text);
  void NoteOmissions();
  std::string UnusedIndexText() const;
  bool SelectCamera(int camera);
  bool SetRange(const ExportSelection& selection);
  bool SetRangeByStamps(const ExportSelection& selection);
  std::uint32_t OffsetAt(int position);
  int Position(int index) const { return first_ + index - 1; }  // 0-based in the source's list

  std::string folder_;
  std::string fullFolder_;  // without "..", links or a relative start: what the video's tags keep
  ImageCodec codec_ = ImageCodec::Jpeg;
  std::unique_ptr<FolderImageSource> source_;
  std::string soundPath_;
  int camera_ = 0;
  int first_ = 1;
  int last_ = 0;
  std::string error_;
  std::vector<std::string> omissions_;
  std::uint32_t unusedIndexEntries_ = 0;  // entries of an INFO index that did not match the files
  bool indexUnused_ = false;
  std::vector<std::string> notes_;
};

}  // namespace selvo
