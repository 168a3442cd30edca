#pragma once
// One camera's images of a recording folder, numbered as selvo-check
// --camera N numbers them, for the motion search to read. Opening the
// folder is kept to Open alone, so that the way folders are opened can
// change in one place.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "source/CalendarTime.h"
#include "source/motion/MotionSearch.h"

namespace selvo {

class FolderImageSource;

// Where an image stands on the recording's time line.
struct MotionImageTime {
  CalendarSeconds time = 0;  // 0: none known
  std::uint32_t stamp = 0;
  bool stampKnown = false;
};

class MotionRecording : public MotionImageList {
 public:
  MotionRecording();
  ~MotionRecording() override;

  // Opens folder and lists camera's images (1..16); camera 0 takes the only
  // camera, or, without an INFO index, every image. false, told on err
  // under program, when the folder cannot be opened or the camera is not
  // there or not chosen among several.
  bool Open(const std::string& folder, int camera, std::FILE* err);

  int Count() const override;
  std::string PathAt(int index) const override;
  // The camera listed (1..16); 0 when the recording has no INFO index.
  int Camera() const { return camera_; }
  // Folders below the recording that could not be listed: their images are missing.
  int UnreadableFolders() const;
  // Reads the image's trailer as the viewer's first display does.
  MotionImageTime TimeOf(int index);

 private:
  bool ChooseCamera(const std::string& folder, int camera, std::FILE* err);

  std::unique_ptr<FolderImageSource> source_;
  int camera_ = 0;
};

}  // namespace selvo
