#include "sound/PcmPlayer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace selvo {
namespace {

constexpr int kBlocksPerSecond = 50;  // 20 ms blocks: the pan and a pause act within one
// Between two reports of the playback thread the position runs on with the
// clock, but never further than this, so a stalled device is not outrun.
constexpr std::int64_t kMaxExtrapolationUs = 60000;
constexpr auto kDrainPoll = std::chrono::milliseconds(5);

std::atomic<bool> silentFallbackLogged{false};

void LogSilentFallbackOnce() {
  if (!silentFallbackLogged.exchange(true))
    std::fprintf(stderr, "selvo: no sound output device could be opened; sound plays silently\n");
}

}  // namespace

PcmPlayer::PcmPlayer(std::unique_ptr<AudioOutput> device, std::unique_ptr<AudioOutput> fallback,
                     const AudioClock& clock)
    : device_(std::move(device)), fallback_(std::move(fallback)), clock_(clock) {}

PcmPlayer::~PcmPlayer() { Close(); }

bool PcmPlayer::Open(const std::string& path) {
  Close();
  return decoder_.Open(path);
}

void PcmPlayer::Close() {
  Halt();
  decoder_.Close();
  positionFrame_ = 0;
}

bool PcmPlayer::SeekFrame(std::int64_t frame) {
  Halt();
  if (!IsOpen() || frame < 0 || frame > FrameCount()) return false;
  positionFrame_ = frame;
  return true;
}

bool PcmPlayer::SeekMs(std::int64_t ms) {
  if (!IsOpen() || ms < 0) return false;
  // Rounded up to a whole frame, so the position reads back as the same ms.
  return SeekFrame((ms * SampleRate() + 999) / 1000);
}

AudioOutput* PcmPlayer::StartOutput(int channels) {
  silent_ = false;
  if (device_ && device_->Start(SampleRate(), channels)) return device_.get();
  if (fallback_ && fallback_->Start(SampleRate(), channels)) {
    silent_ = true;
    LogSilentFallbackOnce();
    return fallback_.get();
  }
  return nullptr;
}

bool PcmPlayer::Run(bool forceStereo) {
  Halt();
  if (!IsOpen() || !decoder_.SeekFrame(positionFrame_)) return false;
  const int fileChannels = decoder_.Channels();
  const int outChannels = forceStereo ? 2 : std::min(fileChannels, 2);
  active_ = StartOutput(outChannels);
  if (active_ == nullptr) return false;
  runStartFrame_ = positionFrame_;
  Publish(0, 0);
  stopRequested_.store(false);
  thread_ = std::thread(&PcmPlayer::PlayLoop, this, fileChannels, outChannels);
  return true;
}

void PcmPlayer::PlayLoop(int fileChannels, int outChannels) {
  const std::int64_t blockFrames = std::max(1, SampleRate() / kBlocksPerSecond);
  std::vector<std::int16_t> decoded(static_cast<std::size_t>(blockFrames * fileChannels));
  std::vector<std::int16_t> out(static_cast<std::size_t>(blockFrames * outChannels));
  std::int64_t written = 0;
  bool reachedEnd = false;
  while (!stopRequested_.load()) {
    const std::int64_t frames = decoder_.ReadFrames(decoded.data(), blockFrames);
    if (frames <= 0) {
      reachedEnd = true;
      break;
    }
    ConvertFrameLayout(decoded.data(), fileChannels, frames, out.data(), outChannels);
    if (outChannels == 2) ApplyChannelPan(out.data(), frames, pan_.load());
    const std::int64_t queued = active_->Write(out.data(), frames);
    written += queued;
    Publish(written - active_->DelayFrames(), written);
    if (queued < frames) break;
  }
  if (!reachedEnd) return;
  active_->EndOfStream();
  // Stay until the last frame has been heard, so the position reaches the end.
  while (!stopRequested_.load()) {
    const std::int64_t delay = active_->DelayFrames();
    Publish(written - delay, written);
    if (delay <= 0) break;
    std::this_thread::sleep_for(kDrainPoll);
  }
}

void PcmPlayer::Publish(std::int64_t heard, std::int64_t written) {
  const std::int64_t now = clock_.NowMicroseconds();
  std::lock_guard<std::mutex> lock(snapshotMutex_);
  snapshotLive_ = true;
  snapshotHeard_ = std::clamp<std::int64_t>(heard, 0, written);
  snapshotWritten_ = written;
  snapshotUs_ = now;
}

void PcmPlayer::Halt() {
  if (!thread_.joinable()) return;
  stopRequested_.store(true);
  active_->Interrupt();
  thread_.join();
  // What is still queued is thrown away unheard, so the listener stopped at
  // written − delay; the next Run starts exactly there.
  std::int64_t heard = 0;
  {
    std::lock_guard<std::mutex> lock(snapshotMutex_);
    heard = std::clamp<std::int64_t>(snapshotWritten_ - active_->DelayFrames(), 0, snapshotWritten_);
    snapshotLive_ = false;
  }
  active_->Stop();
  active_ = nullptr;
  positionFrame_ = runStartFrame_ + heard;
}

std::int64_t PcmPlayer::PositionFrames() const {
  std::lock_guard<std::mutex> lock(snapshotMutex_);
  if (!snapshotLive_) return positionFrame_;
  const std::int64_t sinceUs =
      std::clamp<std::int64_t>(clock_.NowMicroseconds() - snapshotUs_, 0, kMaxExtrapolationUs);
  const std::int64_t heard = std::min(snapshotWritten_, snapshotHeard_ + sinceUs * SampleRate() / 1000000);
  return runStartFrame_ + heard;
}

std::int64_t PcmPlayer::PositionMs() const {
  if (SampleRate() <= 0) return 0;
  return PositionFrames() * 1000 / SampleRate();
}

}  // namespace selvo
