#include "tools/recwriter/SoundWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "source/OutputFile.h"

namespace selvo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAmplitude = 0.3 * 32767.0;
constexpr double kRampMs = 4.0;  // fade in and out so the beeps do not click
constexpr std::int64_t kBlockFrames = 4096;

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

SF_INFO MakeInfo(const SoundSpec& spec) {
  SF_INFO info{};
  info.samplerate = spec.sampleRate;
  info.channels = spec.channels;
  info.format = spec.format == SoundFormat::kMp3 ? (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III)
                                                 : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  return info;
}

std::int64_t MsToFrames(std::uint64_t ms, int sampleRate) {
  return static_cast<std::int64_t>(ms * static_cast<std::uint64_t>(sampleRate) / 1000);
}

// Adds the part of one beep that falls into the block starting at blockStart.
void MixBeep(const Beep& beep, const SoundSpec& spec, std::int64_t blockStart,
             std::vector<std::int16_t>& block) {
  const std::int64_t blockFrames = static_cast<std::int64_t>(block.size()) / spec.channels;
  const std::int64_t start = MsToFrames(beep.atMs, spec.sampleRate);
  const std::int64_t length = MsToFrames(spec.beepMs, spec.sampleRate);
  const double ramp = std::max(1.0, kRampMs * spec.sampleRate / 1000.0);
  const std::int64_t from = std::max(start, blockStart);
  const std::int64_t to = std::min(start + length, blockStart + blockFrames);
  for (std::int64_t f = from; f < to; ++f) {
    const double t = static_cast<double>(f - start);
    const double envelope = std::min({1.0, t / ramp, (static_cast<double>(length) - t) / ramp});
    for (int c = 0; c < spec.channels; ++c) {
      const double frequency = beep.frequencyHz * (c == 0 ? 1.0 : 1.5);
      const double value = kAmplitude * envelope * std::sin(2.0 * kPi * frequency * t / spec.sampleRate);
      std::int16_t& sample = block[static_cast<std::size_t>((f - blockStart) * spec.channels + c)];
      sample = static_cast<std::int16_t>(std::clamp(sample + value, -32768.0, 32767.0));
    }
  }
}

}  // namespace

bool SoundWriter::CanWriteMp3() {
  SoundSpec spec;
  spec.format = SoundFormat::kMp3;
  SF_INFO info = MakeInfo(spec);
  return sf_format_check(&info) != 0;
}

bool SoundWriter::Write(const std::string& path, const SoundSpec& spec, std::string& errorText) {
  if (spec.channels < 1 || spec.channels > 2 || spec.sampleRate <= 0) {
    errorText = path + ": unsupported sound layout";
    return false;
  }
  SF_INFO info = MakeInfo(spec);
  if (sf_format_check(&info) == 0) {
    errorText = path + ": the sound library cannot write this format";
    return false;
  }
  OutputFile output;
  output.SkipSync();
  if (!output.Create(path)) {
    errorText = path + ": cannot create: " + output.ErrorText();
    return false;
  }
  SndfileHandle file(sf_open_fd(output.Descriptor(), SFM_WRITE, &info, SF_FALSE));
  if (!file) {
    errorText = path + ": cannot create: " + sf_strerror(nullptr);
    return false;
  }

  const std::int64_t totalFrames = MsToFrames(spec.lengthMs, spec.sampleRate);
  std::vector<std::int16_t> block;
  std::size_t nextBeep = 0;
  const std::int64_t beepFrames = MsToFrames(spec.beepMs, spec.sampleRate);
  for (std::int64_t blockStart = 0; blockStart < totalFrames; blockStart += kBlockFrames) {
    const std::int64_t frames = std::min(kBlockFrames, totalFrames - blockStart);
    block.assign(static_cast<std::size_t>(frames * spec.channels), 0);
    // Beeps that ended before this block are done for good.
    while (nextBeep < spec.beeps.size() &&
           MsToFrames(spec.beeps[nextBeep].atMs, spec.sampleRate) + beepFrames <= blockStart) {
      ++nextBeep;
    }
    for (std::size_t b = nextBeep; b < spec.beeps.size(); ++b) {
      if (MsToFrames(spec.beeps[b].atMs, spec.sampleRate) >= blockStart + frames) break;
      MixBeep(spec.beeps[b], spec, blockStart, block);
    }
    if (sf_writef_short(file.get(), block.data(), frames) != frames) {
      errorText = path + ": cannot write: " + sf_strerror(file.get());
      return false;
    }
  }
  if (sf_close(file.release()) != 0) {
    errorText = path + ": cannot finish the file";
    return false;
  }
  if (output.Commit()) return true;
  errorText = path + ": cannot write: " + output.ErrorText();
  return false;
}

}  // namespace selvo
