#include "sound/PcmFrames.h"

#include <algorithm>

namespace selvo {

void ConvertFrameLayout(const std::int16_t* in, int inChannels, std::int64_t frames, std::int16_t* out,
                        int outChannels) {
  if (inChannels <= 0 || outChannels <= 0) return;
  for (std::int64_t f = 0; f < frames; ++f) {
    const std::int16_t* frameIn = in + f * inChannels;
    std::int16_t* frameOut = out + f * outChannels;
    for (int c = 0; c < outChannels; ++c) frameOut[c] = frameIn[std::min(c, inChannels - 1)];
  }
}

void ApplyChannelPan(std::int16_t* stereo, std::int64_t frames, ChannelPan pan) {
  if (pan == ChannelPan::kBoth) return;
  const int silenced = pan == ChannelPan::kLeftOnly ? 1 : 0;
  for (std::int64_t f = 0; f < frames; ++f) stereo[f * 2 + silenced] = 0;
}

}  // namespace selvo
