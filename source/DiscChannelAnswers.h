#pragma once
// A recorder disc carries no INFO index and no stamps: every channel and
// stamp question has its neutral answer. The disc source and the still
// that stands in for it during a copy share these answers from here.
#include <cstdint>
#include <string>

#include "source/ImageSource.h"

namespace selvo {

class DiscChannelAnswers : public ImageSource {
 public:
  std::uint32_t GetStampAt(int) override { return 0; }
  int GetChannel() override { return -1; }
  bool HasChannel(int) override { return false; }
  bool SelectChannels(int, int, int*) override { return false; }
  int FirstInfoIndex(int) override { return 0; }
  int GetInfoIndex(int) override { return -1; }
  int FindChannelBackward(int, int) override { return -1; }
  int FindChannelForward(int, int) override { return -1; }
  int RecordForInfoIndex(int) override { return -1; }
  std::string GetChannelTitle(int) override { return {}; }
  int FirstChannel() override { return -1; }
};

}  // namespace selvo
