#pragma once
// The one interface through which the viewer reaches a recording, whether it
// lies in a folder of files or on a recorder disc. The slot order is fixed;
// an operation a source does not support answers its neutral value (0, -1,
// time 0, empty string, or 1 for a cursor step that does nothing), and
// callers rely on those values.
#include <cstdint>
#include <string>

#include "source/CalendarTime.h"
#include "source/DibBlock.h"

namespace selvo {

class RecordingFiles;

// Where ReadImage's write mode puts the image: folder and file name.
struct SaveTarget {
  std::string folder;
  std::string fileName;
  std::string Path() const { return folder.empty() ? fileName : folder + "/" + fileName; }
};

// ReadImage's answer: a decoded block (mode 0) or, in write mode (mode 1),
// whether the image's bytes reached the target file whole. A write that
// failed after the image was read leaves its errno in writeError; 0 there
// means the image itself could not be read.
struct ReadOutcome {
  DibPtr block;
  bool written = false;
  int writeError = 0;
  explicit operator bool() const { return block != nullptr || written; }
};

class ImageSource {
 public:
  static constexpr int kReadDecode = 0;
  static constexpr int kReadWriteFile = 1;

  virtual ~ImageSource() = default;                                           // 0
  virtual bool OpenRecording(const std::string& path, bool hasSound) = 0;     // 1
  virtual bool OpenDrive(int driveIndex, bool logFlag) = 0;                   // 2
  virtual bool Open(const std::string& pathOrDrive) = 0;                      // 3
  virtual ReadOutcome ReadImage(std::uint32_t& sizeOut, int mode, const SaveTarget& saveTarget,
                                bool orderCheck, bool logFlag) = 0;           // 4
  virtual bool Forward(int n) = 0;                                            // 5
  virtual bool Backward(int n) = 0;                                           // 6
  virtual bool Seek(int index) = 0;                                           // 7
  virtual bool First() = 0;                                                   // 8
  virtual bool Last() = 0;                                                    // 9
  virtual bool Next() = 0;                                                    // 10
  virtual bool Previous() = 0;                                                // 11
  virtual bool Ping() = 0;                                                    // 12
  virtual bool SetPosition(int index) = 0;                                    // 13
  virtual int IndexForStamp(std::uint32_t ms) = 0;                            // 14
  virtual int GetPosition() = 0;                                              // 15
  virtual int GetCount() = 0;                                                 // 16
  virtual int GetStatusAt(int index) = 0;                                     // 17
  virtual int GetStatus() = 0;                                                // 18
  virtual CalendarSeconds GetTimeAt(int index) = 0;                           // 19
  virtual CalendarSeconds GetTime() = 0;                                      // 20
  virtual bool IsDriveNotReady() = 0;                                         // 21
  virtual std::uint32_t GetStampAt(int index) = 0;                            // 22
  virtual int GetChannel() = 0;                                               // 23
  virtual bool HasChannel(int channel) = 0;                                   // 24
  // channels: 16 channel numbers, -9 for an empty entry; may be filled in.
  virtual bool SelectChannels(int channel, int paneCount, int* channels) = 0; // 25
  virtual int FirstInfoIndex(int channel) = 0;                                // 26
  virtual int GetInfoIndex(int index) = 0;                                    // 27
  virtual int FindChannelBackward(int channel, int start) = 0;                // 28
  virtual int FindChannelForward(int channel, int start) = 0;                 // 29
  virtual int RecordForInfoIndex(int infoIndex) = 0;                          // 30
  // UTF-8; the recorder stores titles in Shift_JIS.
  virtual std::string GetChannelTitle(int index) = 0;                         // 31
  virtual int FirstChannel() = 0;                                             // 32

  // The stamp at which the recording's sound track starts: its first
  // image's, whichever images the list holds now. Playback measures stamps
  // and the sound position from here, so a camera chosen from an index stays
  // in step with the sound. (After the fixed slots.)
  virtual std::uint32_t RecordingStartStamp() { return GetStampAt(0); }
  // The camera channel of the image at index, -1 when unknown: a split view
  // locked to one moment finds each camera's images by it.
  virtual int GetChannelAt(int index) { return index == GetPosition() ? GetChannel() : -1; }
  // The recording's image files one by one, for the background check; null
  // when the recording is not made of files (a disc).
  virtual RecordingFiles* Files() { return nullptr; }
};

}  // namespace selvo
