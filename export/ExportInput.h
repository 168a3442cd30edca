#pragma once
// What a video export reads from a recording: the pictures of one camera in
// the order the viewer shows them, with the stamps that pace playback, and
// the sound track beside them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/ImageCodec.h"

namespace selvo {

// One picture's facts, as the one-pane view shows them.
struct ExportPicture {
  int number = 0;              // 1-based position in the viewer's list
  std::uint32_t stampMs = 0;   // the stamp that paces playback
  CalendarSeconds time = 0;    // 0: no valid time
  int status = -1;             // alteration flags; -1 no trailer recognised
};

class ExportInput {
 public:
  virtual ~ExportInput() = default;

  virtual int Count() = 0;
  virtual ImageCodec Codec() const = 0;
  // The image file's bytes, recorder trailer included; false with why.
  virtual bool ReadBytes(int index, std::vector<std::uint8_t>& bytes, std::string& why) = 0;
  // At least the first limit bytes of the image file (all of it when
  // shorter), enough for its headers; false with why.
  virtual bool ReadHead(int index, std::size_t limit, std::vector<std::uint8_t>& bytes, std::string& why) {
    (void)limit;
    return ReadBytes(index, bytes, why);
  }
  // Facts for a picture whose bytes were just read by ReadBytes, its
  // trailer judged.
  virtual ExportPicture PictureAt(int index, const std::vector<std::uint8_t>& bytes) = 0;
  // Only the stamp, for an export that shows no texts or marks: judging a
  // trailer means reading the whole image once more.
  virtual std::uint32_t StampAt(int index, const std::vector<std::uint8_t>& bytes) = 0;
  // Where the picture comes from, for the list of those that could not be read.
  virtual std::string NameOf(int index) = 0;

  // Parts of the recording known to be missing from what Count covers (a
  // folder that could not be listed, an index that does not match the
  // files), one line each; an export holding less than asked must say so.
  virtual std::vector<std::string> Omissions() const { return {}; }

  virtual std::string CameraTitle() = 0;  // UTF-8, may be empty
  virtual std::string SourceName() const = 0;
  // The sound file and the stamp at which it starts; empty path: no sound.
  virtual std::string SoundPath() const { return {}; }
  virtual std::uint32_t SoundStartStamp() { return 0; }
};

}  // namespace selvo
