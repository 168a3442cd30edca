#pragma once
// Every camera's images ordered by the moment they were recorded, so that
// the image of one camera nearest to a given moment is found by binary
// search: a locked split view asks this for every pane on every step, and a
// million-image recording must step as fast as a small one.
#include <cstdint>
#include <vector>

namespace selvo {

// One image of the list: its camera and its moment in milliseconds on
// whatever clock the caller chose (the same clock for every image).
struct ImageMoment {
  int channel = -1;
  std::int64_t moment = 0;
};

struct NearestImage {
  int index = -1;                // list index; -1 when the camera has no image
  std::int64_t distance = 0;     // |moment - wanted|, milliseconds
};

// The smallest distance wins; of equal distances the lowest list index, as
// a scan of the list from its start would find. The moments need not be
// sorted: a damaged recording can step back in time.
class CameraMoments {
 public:
  static constexpr int kChannels = 16;

  CameraMoments() = default;
  // images[i] is list index i; images of no camera channel are left out.
  explicit CameraMoments(const std::vector<ImageMoment>& images);

  NearestImage Nearest(int channel, std::int64_t moment) const;
  bool Empty() const { return size_ == 0; }
  std::size_t Size() const { return size_; }

 private:
  struct Entry {
    std::int64_t moment;
    int index;
  };
  std::vector<Entry> byChannel_[kChannels];
  std::size_t size_ = 0;
};

}  // namespace selvo
