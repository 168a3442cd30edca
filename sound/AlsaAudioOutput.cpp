#include "sound/AlsaAudioOutput.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace selvo {
namespace {

constexpr unsigned kLatencyUs = 100000;  // device buffer: small enough for a quick pause
constexpr int kWaitMs = 20;              // how long a full buffer is waited on before looking at Interrupt

snd_pcm_t* Pcm(void* handle) { return static_cast<snd_pcm_t*>(handle); }

void IgnoreLibraryMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void AlsaAudioOutput::SilenceLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreLibraryMessage); });
}

bool AlsaAudioOutput::HasSoundCard() {
  SilenceLibraryMessages();
  int card = -1;
  return snd_card_next(&card) == 0 && card >= 0;
}

AlsaAudioOutput::~AlsaAudioOutput() { Stop(); }

bool AlsaAudioOutput::Start(int sampleRate, int channels) {
  Stop();
  interrupted_.store(false);
  if (sampleRate <= 0 || channels <= 0) {
    lastError_ = "unsupported sound layout";
    return false;
  }
  SilenceLibraryMessages();
  snd_pcm_t* pcm = nullptr;
  // Non-blocking, so a device held by another program fails here at once
  // instead of hanging the viewer, and so Write can look at Interrupt.
  int result = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (result < 0) {
    lastError_ = snd_strerror(result);
    return false;
  }
  result = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                              static_cast<unsigned>(channels), static_cast<unsigned>(sampleRate), 1, kLatencyUs);
  if (result < 0) {
    lastError_ = snd_strerror(result);
    snd_pcm_close(pcm);
    return false;
  }
  pcm_ = pcm;
  channels_ = channels;
  lastError_ = "";
  return true;
}

std::int64_t AlsaAudioOutput::Write(const std::int16_t* interleaved, std::int64_t frameCount) {
  snd_pcm_t* pcm = Pcm(pcm_);
  if (pcm == nullptr) return 0;
  std::int64_t done = 0;
  while (done < frameCount && !interrupted_.load()) {
    const snd_pcm_sframes_t result =
        snd_pcm_writei(pcm, interleaved + done * channels_, static_cast<snd_pcm_uframes_t>(frameCount - done));
    if (result >= 0) {
      done += result;
    } else if (result == -EAGAIN) {
      snd_pcm_wait(pcm, kWaitMs);
    } else if (snd_pcm_recover(pcm, static_cast<int>(result), 1) < 0) {
      break;  // the device is gone; the caller stops playing
    }
  }
  return done;
}

void AlsaAudioOutput::EndOfStream() {
  snd_pcm_t* pcm = Pcm(pcm_);
  if (pcm != nullptr && snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
}

std::int64_t AlsaAudioOutput::DelayFrames() {
  snd_pcm_t* pcm = Pcm(pcm_);
  if (pcm == nullptr) return 0;
  snd_pcm_sframes_t delay = 0;
  // An underrun means everything queued has been played.
  if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0) return 0;
  return delay;
}

void AlsaAudioOutput::Interrupt() { interrupted_.store(true); }

void AlsaAudioOutput::Stop() {
  snd_pcm_t* pcm = Pcm(pcm_);
  if (pcm == nullptr) return;
  snd_pcm_drop(pcm);
  snd_pcm_close(pcm);
  pcm_ = nullptr;
  channels_ = 0;
}

}  // namespace selvo
