#pragma once
// Copying a range of a recording's images into a folder as numbered JPEG
// files, one image per step, with the record of the images that failed. It
// has no thread of its own: the viewer's disc copy (DiscCopyJob) and
// selvo-check --extract both step it, so the names and the error report are
// the same wherever a copy is made.
#include <array>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/ErrorRun.h"
#include "source/ImageSource.h"

namespace selvo {

class RangeCopy {
 public:
  static constexpr int kMaxErrorRuns = 150;

  // Images copyStart..copyEnd (1-based, copyEnd >= copyStart) go to folder
  // as prefix + counter + ".jpg", the counter starting at 0.
  RangeCopy(int copyStart, int copyEnd, std::string folder, std::string prefix);

  int ImageCount() const { return copyEnd_ - copyStart_ + 1; }
  // The highest counter; it decides the width of every name.
  int LastFile() const { return copyEnd_ - copyStart_; }
  bool Done() const { return nextCounter_ > LastFile(); }
  int NextNumber() const { return copyStart_ + nextCounter_; }
  int NextCounter() const { return nextCounter_; }
  const std::string& Folder() const { return folder_; }
  const std::string& Prefix() const { return prefix_; }
  std::string FileName(int counter) const { return FileNameFor(prefix_, counter, LastFile()); }

  // Writes the next image of the range to its file and moves on; an image
  // that cannot be read is recorded in the error runs, one that was read but
  // could not be written whole among the write failures with its reason.
  // False when the image failed or the range was already done.
  bool CopyNext(ImageSource& source, bool orderCheck, bool logFlag);
  // Image number (1-based) and its file counter could not be copied.
  void RecordFailure(int number, int counter);

  // A file the destination refused: its counter and the errno why.
  struct WriteFailure {
    int counter;
    int error;
  };

  int ErrorRunCount() const { return errorRunCount_; }
  const std::vector<WriteFailure>& WriteFailures() const { return writeFailures_; }
  bool HasFailures() const { return errorRunCount_ > 0 || !writeFailures_.empty(); }
  // Images whose file was written whole.
  int WrittenImages() const { return writtenImages_; }
  const std::array<ErrorRun, kMaxErrorRuns>& ErrorRuns() const { return errorRuns_; }
  // Images that could not be read or not be written.
  int FailedImages() const { return failedImages_; }
  // Failures beyond the last run that could be recorded.
  bool HasUnlistedFailures() const { return unlistedFailures_ > 0; }

  // The error report in the current UI language: two lines per run of read
  // errors, one per file that could not be written, then one line when
  // further failures could not be listed.
  std::vector<std::string> ErrorLines() const;

  // prefix, counter zero-padded to 3 digits for up to 100 images, one more
  // digit for every tenfold, ".jpg".
  static std::string FileNameFor(const std::string& prefix, int counter, int lastFile);
  // The suggested prefix for a copy: the image's date by dateFormat (0
  // month-day-year, 1 day-month-year, 2 year-month-day), always with "-".
  static std::string DefaultPrefix(CalendarSeconds time, int dateFormat);

 private:
  int copyStart_;
  int copyEnd_;
  std::string folder_;
  std::string prefix_;
  int nextCounter_ = 0;
  int errorRunCount_ = 0;
  std::array<ErrorRun, kMaxErrorRuns> errorRuns_{};
  int failedImages_ = 0;
  int unlistedFailures_ = 0;
  int writtenImages_ = 0;
  std::vector<WriteFailure> writeFailures_;

  void RecordWriteFailure(int counter, int error);
};

}  // namespace selvo
