#pragma once
// The ten play speeds of the speed slider: how long a play step lasts and
// how many images it moves. Positions outside 1..10 read as the fastest
// single-image speed.

namespace selvo {

constexpr int kSlowestSpeed = 1;
constexpr int kFastestSpeed = 10;
// Where the speed slider starts.
constexpr int kInitialSpeed = 3;

// Milliseconds between two play steps at a speed-slider position.
int FrameIntervalForSpeed(int position);
// Images moved by one play step at a speed-slider position.
int SkipCountForSpeed(int position);

}  // namespace selvo
