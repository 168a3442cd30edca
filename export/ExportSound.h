#pragma once
// A sound stream of an export, fed in step with the pictures: WriteUntil
// writes the sound up to a moment of the video, so the muxer never has to
// hold more than a moment of either stream.
#include <cstdint>

namespace selvo {

class ExportSound {
 public:
  virtual ~ExportSound() = default;
  // Writes the sound that starts before videoMs (milliseconds from the
  // export's first picture); false on a write failure.
  virtual bool WriteUntil(std::int64_t videoMs) = 0;
  // Writes the rest of the sound up to endMs, the end of the video, and
  // drains any encoder.
  virtual bool Finish(std::int64_t endMs) = 0;
};

// Where the export's first picture lies on the sound track, in
// milliseconds from the track's start; below 0 when the picture comes first.
struct SoundSpan {
  std::int64_t startMs = 0;
};

}  // namespace selvo
