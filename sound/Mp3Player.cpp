#include "sound/Mp3Player.h"

namespace selvo {
namespace {

constexpr const char* kFailedSetPosition = "Failed Set Position";
constexpr const char* kFailedCreatePlayer = "Failed Create Player";
constexpr const char* kFailedStop = "Failed Stop";
constexpr const char* kFailedPause = "Failed Pause";
constexpr const char* kFailedPlay = "Failed Play";
constexpr const char* kNotFoundChannelNo = "Not Found ChannelNo";

}  // namespace

Mp3Player::~Mp3Player() { pcm_.Close(); }

int Mp3Player::Fail(const char* text) {
  notifier_.Notify(NoticeKind::Error, text);
  return 0;
}

int Mp3Player::Create(const std::string& path) {
  created_ = pcm_.Open(path);
  if (!created_) return Fail(kFailedCreatePlayer);
  pcm_.SetPan(ChannelPan::kBoth);
  return 1;
}

int Mp3Player::Close() {
  pcm_.Close();
  created_ = false;
  return 1;
}

int Mp3Player::SeekToEnd() {
  if (!created_) return Fail(kFailedSetPosition);
  // The end is taken in whole seconds, the fraction dropped.
  const std::int64_t wholeSeconds = pcm_.FrameCount() / pcm_.SampleRate();
  if (!pcm_.SeekFrame(wholeSeconds * pcm_.SampleRate())) return Fail(kFailedSetPosition);
  return 1;
}

int Mp3Player::Rewind() {
  if (!pcm_.SeekFrame(0)) return Fail(kFailedSetPosition);
  return 1;
}

int Mp3Player::Seek(std::int64_t ms) {
  if (!pcm_.SeekMs(ms)) return Fail(kFailedSetPosition);
  return 1;
}

int Mp3Player::Stop() {
  if (!created_) return Fail(kFailedStop);
  pcm_.Halt();
  return Rewind();
}

int Mp3Player::Pause() {
  if (!created_) return Fail(kFailedPause);
  pcm_.Halt();
  return 1;
}

int Mp3Player::PlayFromStart(int channel) { return PlayFrom(0, channel); }

int Mp3Player::PlayFrom(std::int64_t ms, int channel) {
  // The side is checked before anything moves, so a refused choice leaves
  // the player as it was instead of playing on the old side.
  if (!SetChannel(channel)) return 0;
  if (!Seek(ms)) return 0;
  if (!pcm_.Run(true)) return Fail(kFailedPlay);
  return 1;
}

std::int64_t Mp3Player::GetPosition() const { return pcm_.PositionMs(); }

int Mp3Player::SetChannel(int channel) {
  switch (channel) {
    case 1:
      pcm_.SetPan(ChannelPan::kLeftOnly);
      return 1;
    case 2:
      pcm_.SetPan(ChannelPan::kRightOnly);
      return 1;
    case 3:
      pcm_.SetPan(ChannelPan::kBoth);
      return 1;
    default:
      return Fail(kNotFoundChannelNo);
  }
}

}  // namespace selvo
