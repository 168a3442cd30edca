#pragma once
// Chapters of an exported video: marks a player lists and jumps to, each
// at a picture of the export. A chapter starts when its picture is shown,
// in the video's own time (the stamps' times, gaps and all), and lasts
// until the next one starts or the video ends.
#include <cstdint>
#include <string>
#include <vector>

namespace selvo {

class MediaOutput;

struct ExportChapter {
  int index = 0;      // the picture's index in the export's input
  std::string title;  // UTF-8
};

// Follows the pictures as they are written and gives each chapter the time
// of its picture; one whose picture could not be read starts at the next
// picture written, and one after the last picture written has none.
class ChapterTimes {
 public:
  explicit ChapterTimes(std::vector<ExportChapter> chapters);

  // The picture at index of the input was written at ms.
  void PictureWritten(int index, std::int64_t ms);
  // Adds every chapter that has a start to output, the last ending at
  // endMs; before the output's trailer. leadIn (may be null) titles a
  // chapter from 0 to the first one: an MP4's chapter track covers the
  // whole video, and players would show the first chapter from 0 without
  // it. false with the output's error.
  bool AddTo(MediaOutput& output, std::int64_t endMs, const char* leadIn) const;

 private:
  std::vector<ExportChapter> chapters_;  // by index
  std::vector<std::int64_t> starts_;     // in step with chapters_, as far as known
};

}  // namespace selvo
