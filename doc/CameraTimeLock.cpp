#include "doc/CameraTimeLock.h"

#include <vector>

#include "source/ImageSource.h"

namespace selvo {

namespace {

std::int64_t Distance(std::int64_t a, std::int64_t b) { return a > b ? a - b : b - a; }

}  // namespace

void CameraTimeLock::Invalidate() {
  if (!read_) return;
  read_ = false;
  moments_ = CameraMoments();
  ++generation_;
}

// The millisecond stamps are the recorder's own clock, shared by every
// camera and finer than the calendar seconds; the seconds stand in for a
// recording that carries no stamps.
std::int64_t CameraTimeLock::MomentOf(ImageSource& source, int index) const {
  if (stamped_) return static_cast<std::int64_t>(source.GetStampAt(index));
  return static_cast<std::int64_t>(source.GetTimeAt(index)) * 1000;
}

void CameraTimeLock::Read(ImageSource& source) {
  count_ = source.GetCount();
  const std::uint32_t first = count_ > 0 ? source.GetStampAt(0) : 0;
  stamped_ = false;
  for (int i = 1; i < count_ && !stamped_; ++i) stamped_ = source.GetStampAt(i) != first;
  std::vector<ImageMoment> images(static_cast<std::size_t>(count_ > 0 ? count_ : 0));
  for (int i = 0; i < count_; ++i) images[static_cast<std::size_t>(i)] = {source.GetChannelAt(i), MomentOf(source, i)};
  moments_ = CameraMoments(images);
  read_ = true;
  ++generation_;
}

LockedImage CameraTimeLock::Nearest(ImageSource& source, int channel, int currentIndex) {
  if (!read_ || source.GetCount() != count_) Read(source);
  if (currentIndex < 0 || currentIndex >= count_) return {};
  const NearestImage found = moments_.Nearest(channel, MomentOf(source, currentIndex));
  if (found.index < 0) return {};
  // A stamp near the moment with a calendar time far from it is a clock
  // that jumped; that is no more the same moment than a gap is.
  const std::int64_t seconds = Distance(source.GetTimeAt(found.index), source.GetTimeAt(currentIndex));
  return {found.index, found.distance > kFarMs || seconds * 1000 > kFarMs};
}

}  // namespace selvo
