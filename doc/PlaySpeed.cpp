#include "doc/PlaySpeed.h"

namespace selvo {

namespace {

struct SpeedRow {
  int intervalMs;
  int skip;
};

constexpr SpeedRow kSpeeds[] = {
    {1000, 1}, {500, 1}, {200, 1}, {100, 1}, {20, 1}, {20, 7}, {20, 17}, {20, 47}, {20, 97}, {20, 197},
};

constexpr SpeedRow kOutOfRange{20, 1};

const SpeedRow& RowFor(int position) {
  if (position < kSlowestSpeed || position > kFastestSpeed) return kOutOfRange;
  return kSpeeds[position - kSlowestSpeed];
}

}  // namespace

int FrameIntervalForSpeed(int position) { return RowFor(position).intervalMs; }
int SkipCountForSpeed(int position) { return RowFor(position).skip; }

}  // namespace selvo
