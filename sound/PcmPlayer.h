#pragma once
// Plays a decoded sound file into an AudioOutput on its own thread and knows
// how much of it has been heard. The wave and MP3 paths of SoundTrack share
// it. Every call comes from the one controlling thread; only the playback
// thread it starts runs beside it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "source/SoundDecoder.h"
#include "sound/AudioClock.h"
#include "sound/AudioOutput.h"
#include "sound/PcmFrames.h"

namespace selvo {

class PcmPlayer {
 public:
  // device is tried first on every Run; when it cannot start, fallback (may
  // be null) takes its place and that is logged once on stderr.
  PcmPlayer(std::unique_ptr<AudioOutput> device, std::unique_ptr<AudioOutput> fallback, const AudioClock& clock);
  ~PcmPlayer();
  PcmPlayer(const PcmPlayer&) = delete;
  PcmPlayer& operator=(const PcmPlayer&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return decoder_.IsOpen(); }

  int SampleRate() const { return decoder_.SampleRate(); }
  std::int64_t FrameCount() const { return decoder_.FrameCount(); }
  std::int64_t LengthMs() const { return decoder_.LengthMs(); }

  // Moves the play position (halting playback); false when not open or
  // beyond the end.
  bool SeekFrame(std::int64_t frame);
  bool SeekMs(std::int64_t ms);

  // Plays from the current position. forceStereo sends even mono files as
  // stereo, which the pan needs; otherwise the file's layout (at most two
  // channels) goes out. false when no output could be started.
  bool Run(bool forceStereo);
  // Stops playing; the position stays at what has been heard.
  void Halt();
  bool IsRunning() const { return thread_.joinable(); }
  // The last Run went to the fallback: the device could not be started.
  bool PlaysSilently() const { return silent_; }

  // Takes effect from the next block, also while playing.
  void SetPan(ChannelPan pan) { pan_.store(pan); }
  ChannelPan Pan() const { return pan_.load(); }

  // The position heard, in frames from the start of the file, and in ms.
  // Cheap: no device call, safe to poll while playing.
  std::int64_t PositionFrames() const;
  std::int64_t PositionMs() const;

 private:
  AudioOutput* StartOutput(int channels);
  void PlayLoop(int fileChannels, int outChannels);
  void Publish(std::int64_t heard, std::int64_t written);

  std::unique_ptr<AudioOutput> device_;
  std::unique_ptr<AudioOutput> fallback_;
  const AudioClock& clock_;
  SoundDecoder decoder_;
  AudioOutput* active_ = nullptr;  // the output of the running play, if any
  bool silent_ = false;
  std::thread thread_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<ChannelPan> pan_{ChannelPan::kBoth};
  std::int64_t positionFrame_ = 0;  // where the next Run starts
  std::int64_t runStartFrame_ = 0;

  // What the playback thread last saw, read by PositionFrames.
  mutable std::mutex snapshotMutex_;
  bool snapshotLive_ = false;
  std::int64_t snapshotHeard_ = 0;    // frames since runStartFrame_
  std::int64_t snapshotWritten_ = 0;  // frames since runStartFrame_
  std::int64_t snapshotUs_ = 0;
};

}  // namespace selvo
