#pragma once
// What a disc recording showed at one moment, answering as the disc source
// did then. While the copy thread moves the disc's cursor, the document
// puts one in the disc source's place, so every repaint of the view and the
// panel reads the image the user chose, and none reaches the disc.
#include <array>
#include <string>

#include "source/DiscChannelAnswers.h"
#include "source/ImageSource.h"

namespace selvo {

class DiscStillSource : public DiscChannelAnswers {
 public:
  // Takes the cursor, the count and the current image's facts from shown,
  // and the times known for the first, current and last image.
  explicit DiscStillSource(ImageSource& shown);

  bool OpenRecording(const std::string& path, bool hasSound) override;
  bool OpenDrive(int driveIndex, bool logFlag) override;
  bool Open(const std::string& pathOrDrive) override;
  // Reads nothing: the still holds no disc.
  ReadOutcome ReadImage(std::uint32_t& sizeOut, int mode, const SaveTarget& saveTarget, bool orderCheck,
                        bool logFlag) override;
  // The cursor stays where it was: every move answers false.
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

 private:
  struct KnownTime {
    int index;
    CalendarSeconds time;
  };
  int position_;
  int count_;
  int status_;
  CalendarSeconds time_;
  std::array<KnownTime, 3> knownTimes_;  // first, current, last image
};

}  // namespace selvo
