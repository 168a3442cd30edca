#pragma once
// The image files of a recording kept in a folder, by file index (their
// order on disk, whichever cameras the source's list holds now): what the
// background trailer check reads of a recording, and the way its verdicts
// reach the records. A source whose recording is made of such files hands
// this out through ImageSource::Files; a disc has none.
#include <atomic>
#include <string>
#include <vector>

#include "source/ImageRecord.h"
#include "source/TimelineAnomalies.h"

namespace selvo {

class RecordingFiles {
 public:
  virtual ~RecordingFiles() = default;

  virtual int FileCount() const = 0;

  // May run on another thread while the list is used and rebuilt: they
  // read only what the open built, never a record.
  //
  // The trailer check of one file, with the camera, time and stamp its
  // record would show. stop (may be null) turning true ends the read of a
  // large file between two pieces, unexamined.
  virtual ImageRecord ExamineFile(int fileIndex, const std::atomic<bool>* stop = nullptr) const = 0;
  // Runs of a camera's images to which time.txt and the INFO index give
  // different stamps, numbered by file from 1.
  virtual std::vector<TimelineAnomaly> StampDisagreements() const = 0;

  // The source's own thread only.
  //
  // Hands ExamineFile's result to the file's record, if the list holds it
  // and it was not examined yet.
  virtual void AdoptExamined(int fileIndex, const ImageRecord& examined) = 0;
  // The record index of a file in the list as it stands; -1 when the list
  // does not hold it.
  virtual int IndexOfFile(int fileIndex) const = 0;
  // The file of record index; -1 when there is no such record.
  virtual int FileIndexAt(int index) const = 0;
  // The path of file fileIndex; empty when there is none.
  virtual std::string FilePathAt(int fileIndex) const = 0;
};

}  // namespace selvo
