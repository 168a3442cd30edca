#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sound/PcmFrames.h"
#include "sound/SilentAudioOutput.h"
#include "sound/SoundTrack.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/SoundWriter.h"

namespace selvo {
namespace {

class FakeClock : public AudioClock {
 public:
  std::int64_t NowMicroseconds() const override { return us_.load(); }
  void AdvanceMs(std::int64_t ms) { us_ += ms * 1000; }

 private:
  std::atomic<std::int64_t> us_{1000000};
};

// What a fake output was asked to do; the test keeps it after the track
// has taken the output itself.
struct OutputLog {
  std::mutex mutex;
  bool refuseStart = false;
  int starts = 0;
  int stops = 0;
  int rate = 0;
  int channels = 0;
  bool ended = false;
  std::vector<std::int16_t> samples;   // everything written since the last Start
  std::atomic<std::int64_t> delay{0};  // frames reported as still queued

  std::int64_t WrittenFrames() {
    std::lock_guard<std::mutex> lock(mutex);
    return channels == 0 ? 0 : static_cast<std::int64_t>(samples.size()) / channels;
  }
  bool Ended() {
    std::lock_guard<std::mutex> lock(mutex);
    return ended;
  }
};

class FakeOutput : public AudioOutput {
 public:
  explicit FakeOutput(std::shared_ptr<OutputLog> log) : log_(std::move(log)) {}

  bool Start(int sampleRate, int channels) override {
    std::lock_guard<std::mutex> lock(log_->mutex);
    if (log_->refuseStart) return false;
    ++log_->starts;
    log_->rate = sampleRate;
    log_->channels = channels;
    log_->ended = false;
    log_->samples.clear();
    return true;
  }
  std::int64_t Write(const std::int16_t* interleaved, std::int64_t frameCount) override {
    std::lock_guard<std::mutex> lock(log_->mutex);
    log_->samples.insert(log_->samples.end(), interleaved, interleaved + frameCount * log_->channels);
    return frameCount;
  }
  void EndOfStream() override {
    std::lock_guard<std::mutex> lock(log_->mutex);
    log_->ended = true;
  }
  std::int64_t DelayFrames() override { return std::min(log_->delay.load(), log_->WrittenFrames()); }
  void Interrupt() override {}
  void Stop() override {
    std::lock_guard<std::mutex> lock(log_->mutex);
    ++log_->stops;
  }

 private:
  std::shared_ptr<OutputLog> log_;
};

bool WaitUntil(const std::function<bool()>& done) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct SideLevels {
  bool left = false;
  bool right = false;
};

SideLevels SidesWithSound(OutputLog& log) {
  std::lock_guard<std::mutex> lock(log.mutex);
  SideLevels sides;
  for (std::size_t i = 0; i + 1 < log.samples.size(); i += 2) {
    sides.left = sides.left || log.samples[i] != 0;
    sides.right = sides.right || log.samples[i + 1] != 0;
  }
  return sides;
}

class SoundTrackTest : public ::testing::Test {
 protected:
  // A tone over the whole track, so every stretch of it carries sound.
  void WriteSound(const std::string& name, SoundFormat format, int channels, std::uint32_t lengthMs,
                  int sampleRate = 8000) {
    SoundSpec spec;
    spec.format = format;
    spec.sampleRate = sampleRate;
    spec.channels = channels;
    spec.lengthMs = lengthMs;
    spec.beepMs = lengthMs;
    spec.beeps = {Beep{0, 440}};
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) folder_.MakeDir(name.substr(0, slash));
    std::string error;
    ASSERT_TRUE(SoundWriter::Write(folder_ / name, spec, error)) << error;
  }

  std::unique_ptr<SoundTrack> MakeTrack(std::unique_ptr<AudioOutput> fallback = nullptr) {
    return std::make_unique<SoundTrack>(notifier_, std::make_unique<FakeOutput>(log_), std::move(fallback), clock_);
  }

  test::TestFolder folder_;
  RecordingNotifier notifier_;
  FakeClock clock_;
  std::shared_ptr<OutputLog> log_ = std::make_shared<OutputLog>();
};

TEST_F(SoundTrackTest, FolderWithoutSoundOpensNothingAndRefusesEveryCommand) {
  auto track = MakeTrack();
  EXPECT_EQ(track->Open(folder_.Path()), 0);
  EXPECT_EQ(track->Kind(), kNoSound);
  EXPECT_TRUE(track->Path().empty());
  EXPECT_EQ(track->Play(0, 3), 0);
  EXPECT_EQ(track->Pause(), 0);
  EXPECT_EQ(track->Stop(), 0);
  EXPECT_EQ(track->SeekToStart(), 0);
  EXPECT_EQ(track->SeekToEnd(), 0);
  EXPECT_EQ(track->Close(), 0);
  EXPECT_EQ(track->GetLength(), 0);
  EXPECT_EQ(track->LastCommand(), SoundTrack::kCommandStop);
  EXPECT_EQ(log_->starts, 0);
  EXPECT_EQ(notifier_.Count(), 0);
}

TEST_F(SoundTrackTest, TransportRecordsTheLastSuccessfulCommand) {
  WriteSound("sound.wav", SoundFormat::kWav, 1, 1000);
  auto track = MakeTrack();
  EXPECT_EQ(track->LastCommand(), 0x808);
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  EXPECT_EQ(track->Kind(), kWaveSound);

  EXPECT_EQ(track->Play(0, 3), 1);
  EXPECT_EQ(track->LastCommand(), 0x806);
  EXPECT_EQ(log_->rate, 8000);
  EXPECT_EQ(log_->channels, 1);

  log_->delay = 1 << 30;  // from here on nothing gets heard
  EXPECT_EQ(track->Play(400, 3), 1);
  EXPECT_EQ(track->GetPosition(), 400);
  EXPECT_EQ(track->Pause(), 1);
  EXPECT_EQ(track->LastCommand(), 0x809);
  EXPECT_EQ(track->GetPosition(), 400);

  EXPECT_EQ(track->Stop(), 1);
  EXPECT_EQ(track->LastCommand(), 0x808);
  EXPECT_EQ(track->GetPosition(), 0);

  EXPECT_EQ(track->Play(0, 3), 1);
  EXPECT_EQ(track->Pause(), 1);
  EXPECT_EQ(track->Close(), 1);
  EXPECT_FALSE(track->IsOpen());
  EXPECT_EQ(track->Play(0, 3), 0);
  EXPECT_EQ(track->LastCommand(), 0x809);
  EXPECT_EQ(log_->starts, log_->stops);  // every device started was released
  EXPECT_EQ(notifier_.Count(), 0);
}

TEST_F(SoundTrackTest, PositionIsWhatHasBeenHeardNotWhatHasBeenQueued) {
  WriteSound("sound.wav", SoundFormat::kWav, 1, 1000);
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  log_->delay = 800;  // 100 ms still in the device
  ASSERT_EQ(track->Play(250, 3), 1);
  ASSERT_TRUE(WaitUntil([&] { return log_->Ended(); }));
  EXPECT_EQ(log_->WrittenFrames(), 6000);
  EXPECT_EQ(track->GetPosition(), 900);

  // Pausing drops the unheard 100 ms, so the track stays where the listener is.
  EXPECT_EQ(track->Pause(), 1);
  EXPECT_EQ(track->GetPosition(), 900);

  log_->delay = 0;
  ASSERT_EQ(track->Play(900, 3), 1);
  ASSERT_TRUE(WaitUntil([&] { return track->GetPosition() == 1000; }));
  // Going away while still playing must end the playback thread.
  log_->delay = 400;
  ASSERT_EQ(track->Play(0, 3), 1);
}

TEST_F(SoundTrackTest, PlayOffsetReadsBackAsTheSameMillisecond) {
  WriteSound("sound.wav", SoundFormat::kWav, 1, 1000, 22050);
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  log_->delay = 1 << 30;
  for (std::int64_t offset : {1, 333, 999}) {
    ASSERT_EQ(track->Play(offset, 3), 1);
    EXPECT_EQ(track->GetPosition(), offset);
  }
}

TEST_F(SoundTrackTest, WaveFilesPlayBothChannelsWhateverTheMask) {
  WriteSound("sound.wav", SoundFormat::kWav, 2, 300);
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  for (int mask : {2, 1, 0}) {
    ASSERT_EQ(track->Play(0, mask), 1) << mask;
    ASSERT_TRUE(WaitUntil([&] { return log_->Ended(); }));
    const SideLevels sides = SidesWithSound(*log_);
    EXPECT_TRUE(sides.left && sides.right) << "mask " << mask;
  }
  EXPECT_EQ(notifier_.Count(), 0);
}

TEST(ChannelPan, SilencesTheOtherSideOfStereoFrames) {
  struct Case {
    ChannelPan pan;
    std::vector<std::int16_t> expected;
  };
  const Case cases[] = {
      {ChannelPan::kBoth, {100, -200, 300, -400}},
      {ChannelPan::kLeftOnly, {100, 0, 300, 0}},
      {ChannelPan::kRightOnly, {0, -200, 0, -400}},
  };
  for (const Case& c : cases) {
    std::vector<std::int16_t> frames = {100, -200, 300, -400};
    ApplyChannelPan(frames.data(), 2, c.pan);
    EXPECT_EQ(frames, c.expected) << static_cast<int>(c.pan);
  }
}

TEST(FrameLayout, MonoIsDoubledAndChannelsBeyondStereoDropped) {
  const std::vector<std::int16_t> mono = {5, -6};
  std::vector<std::int16_t> stereo(4);
  ConvertFrameLayout(mono.data(), 1, 2, stereo.data(), 2);
  EXPECT_EQ(stereo, (std::vector<std::int16_t>{5, 5, -6, -6}));

  const std::vector<std::int16_t> three = {1, 2, 3, 4, 5, 6};
  ConvertFrameLayout(three.data(), 3, 2, stereo.data(), 2);
  EXPECT_EQ(stereo, (std::vector<std::int16_t>{1, 2, 4, 5}));
}

TEST_F(SoundTrackTest, UnreadableMp3SaysThePlayerCouldNotBeCreated) {
  folder_.Write("SOUND/sound.mp3", std::string("this is no sound at all"));
  auto track = MakeTrack();
  EXPECT_EQ(track->Open(folder_.Path()), 0);
  EXPECT_EQ(track->Kind(), kMp3Sound);
  EXPECT_FALSE(track->IsOpen());
  EXPECT_EQ(notifier_.Last(), "Failed Create Player");
}

TEST_F(SoundTrackTest, OutputThatCannotStartFailsPlayQuietlyForWave) {
  WriteSound("sound.wav", SoundFormat::kWav, 1, 300);
  log_->refuseStart = true;
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  EXPECT_EQ(track->Play(0, 3), 0);
  EXPECT_EQ(track->LastCommand(), SoundTrack::kCommandStop);
  EXPECT_EQ(notifier_.Count(), 0);
}

TEST_F(SoundTrackTest, GetLengthLeavesAWaveAtItsStart) {
  WriteSound("SOUND/sound.wav", SoundFormat::kWav, 1, 1500);
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  ASSERT_EQ(track->SeekToEnd(), 1);
  EXPECT_EQ(track->GetPosition(), 1500);
  EXPECT_EQ(track->GetLength(), 1500);
  EXPECT_EQ(track->GetPosition(), 0);
}

TEST_F(SoundTrackTest, WithoutADeviceTheSilentSinkKeepsTime) {
  WriteSound("sound.wav", SoundFormat::kWav, 1, 1000);
  log_->refuseStart = true;
  auto track = MakeTrack(std::make_unique<SilentAudioOutput>(clock_));
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  ASSERT_EQ(track->Play(100, 3), 1);
  EXPECT_EQ(track->GetPosition(), 100);
  clock_.AdvanceMs(300);
  ASSERT_TRUE(WaitUntil([&] { return track->GetPosition() == 400; })) << track->GetPosition();
  EXPECT_EQ(track->Pause(), 1);
  clock_.AdvanceMs(300);
  EXPECT_EQ(track->GetPosition(), 400);
  // Played out to the end, the position stops at the length.
  ASSERT_EQ(track->Play(400, 3), 1);
  clock_.AdvanceMs(2000);
  ASSERT_TRUE(WaitUntil([&] { return track->GetPosition() == 1000; })) << track->GetPosition();
}

TEST(SilentAudioOutput, CountsQueuedFramesAsHeardAsTheClockAdvances) {
  FakeClock clock;
  SilentAudioOutput sink(clock);
  ASSERT_TRUE(sink.Start(8000, 2));
  const std::vector<std::int16_t> frames(2 * 800);
  EXPECT_EQ(sink.Write(frames.data(), 400), 400);
  EXPECT_EQ(sink.DelayFrames(), 400);
  clock.AdvanceMs(25);
  EXPECT_EQ(sink.DelayFrames(), 200);
  clock.AdvanceMs(100);
  EXPECT_EQ(sink.DelayFrames(), 0);

  // A full buffer holds the writer back until interrupted.
  ASSERT_TRUE(sink.Start(8000, 2));
  EXPECT_EQ(sink.Write(frames.data(), 800), 800);
  std::int64_t blocked = -1;
  std::thread writer([&] { blocked = sink.Write(frames.data(), 80); });
  sink.Interrupt();
  writer.join();
  EXPECT_EQ(blocked, 0);
}

class Mp3TrackTest : public SoundTrackTest {
 protected:
  void SetUp() override {
    if (!SoundWriter::CanWriteMp3()) GTEST_SKIP() << "the sound library cannot write MP3 here";
    WriteSound("SOUND/sound.mp3", SoundFormat::kMp3, 2, 1500);
  }
};

TEST_F(Mp3TrackTest, ChannelChoiceRoutesTheSoundToOneSideOrBoth) {
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  EXPECT_EQ(track->Kind(), kMp3Sound);
  struct Case {
    int mask;
    bool left;
    bool right;
  };
  for (const Case c : {Case{1, true, false}, Case{2, false, true}, Case{3, true, true}}) {
    ASSERT_EQ(track->Play(0, c.mask), 1) << c.mask;
    ASSERT_TRUE(WaitUntil([&] { return log_->Ended(); }));
    EXPECT_EQ(log_->channels, 2);
    const SideLevels sides = SidesWithSound(*log_);
    EXPECT_EQ(sides.left, c.left) << "mask " << c.mask;
    EXPECT_EQ(sides.right, c.right) << "mask " << c.mask;
  }
  EXPECT_EQ(notifier_.Count(), 0);

  const int startsBefore = log_->starts;
  EXPECT_EQ(track->Pause(), 1);
  EXPECT_EQ(track->Play(0, 0), 0);
  EXPECT_EQ(notifier_.Last(), "Not Found ChannelNo");
  EXPECT_EQ(track->LastCommand(), SoundTrack::kCommandPause);
  EXPECT_EQ(log_->starts, startsBefore);
}

TEST_F(Mp3TrackTest, GetLengthStopsAtTheWholeSecondEndAndPlayMovesOn) {
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  EXPECT_EQ(track->GetLength(), 1000);
  EXPECT_EQ(track->GetPosition(), 1000);
  log_->delay = 1 << 30;
  ASSERT_EQ(track->Play(200, 3), 1);
  EXPECT_EQ(track->GetPosition(), 200);
  EXPECT_EQ(track->Stop(), 1);
  EXPECT_EQ(track->GetPosition(), 0);
}

TEST_F(Mp3TrackTest, OutputThatCannotStartSaysFailedPlay) {
  log_->refuseStart = true;
  auto track = MakeTrack();
  ASSERT_EQ(track->Open(folder_.Path()), 1);
  EXPECT_EQ(track->Play(0, 3), 0);
  EXPECT_EQ(notifier_.Last(), "Failed Play");
}

}  // namespace
}  // namespace selvo
