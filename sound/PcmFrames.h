#pragma once
// Reshaping decoded frames on their way to the output.
#include <cstdint>

namespace selvo {

// Which side of a stereo output keeps its sound; the other is silenced.
enum class ChannelPan { kBoth, kLeftOnly, kRightOnly };

// Copies frames from one interleaved layout to another: output channel c
// takes input channel c, or the last input channel when there are fewer
// (mono is doubled into stereo); input channels past the output's are dropped.
void ConvertFrameLayout(const std::int16_t* in, int inChannels, std::int64_t frames, std::int16_t* out,
                        int outChannels);

// Silences the other side of interleaved stereo frames in place.
void ApplyChannelPan(std::int16_t* stereo, std::int64_t frames, ChannelPan pan);

}  // namespace selvo
