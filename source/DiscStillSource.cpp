#include "source/DiscStillSource.h"

namespace selvo {

DiscStillSource::DiscStillSource(ImageSource& shown)
    : position_(shown.GetPosition()),
      count_(shown.GetCount()),
      status_(shown.GetStatus()),
      time_(shown.GetTime()),
      knownTimes_{KnownTime{0, shown.GetTimeAt(0)}, KnownTime{position_, shown.GetTimeAt(position_)},
                  KnownTime{count_ - 1, shown.GetTimeAt(count_ - 1)}} {}

bool DiscStillSource::OpenRecording(const std::string&, bool) { return true; }
bool DiscStillSource::OpenDrive(int, bool) { return false; }
bool DiscStillSource::Open(const std::string&) { return false; }

ReadOutcome DiscStillSource::ReadImage(std::uint32_t&, int, const SaveTarget&, bool, bool) { return {}; }

bool DiscStillSource::Forward(int) { return false; }
bool DiscStillSource::Backward(int) { return false; }
bool DiscStillSource::Seek(int) { return false; }
bool DiscStillSource::First() { return false; }
bool DiscStillSource::Last() { return false; }
bool DiscStillSource::Next() { return false; }
bool DiscStillSource::Previous() { return false; }
bool DiscStillSource::Ping() { return true; }
bool DiscStillSource::SetPosition(int) { return false; }

int DiscStillSource::IndexForStamp(std::uint32_t) { return 0; }
int DiscStillSource::GetPosition() { return position_; }
int DiscStillSource::GetCount() { return count_; }
int DiscStillSource::GetStatusAt(int) { return 0; }
int DiscStillSource::GetStatus() { return status_; }

CalendarSeconds DiscStillSource::GetTimeAt(int index) {
  for (const KnownTime& known : knownTimes_) {
    if (known.index == index && index >= 0) return known.time;
  }
  return 0;
}

CalendarSeconds DiscStillSource::GetTime() { return time_; }
bool DiscStillSource::IsDriveNotReady() { return false; }

}  // namespace selvo
