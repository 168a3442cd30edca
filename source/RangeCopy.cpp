#include "source/RangeCopy.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "source/text/StringIds.h"
#include "source/text/StringTable.h"

namespace selvo {

namespace {

int DigitCount(int value) {
  int digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

}  // namespace

RangeCopy::RangeCopy(int copyStart, int copyEnd, std::string folder, std::string prefix)
    : copyStart_(copyStart),
      copyEnd_(copyEnd < copyStart ? copyStart - 1 : copyEnd),
      folder_(std::move(folder)),
      prefix_(std::move(prefix)) {}

std::string RangeCopy::FileNameFor(const std::string& prefix, int counter, int lastFile) {
  // 0..99 -> 3 digits, 100..999 -> 4, and so on: one digit more than the
  // highest counter needs, never fewer than 3.
  const int width = std::max(3, DigitCount(std::max(lastFile, 0)) + 1);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*d", width, counter);
  return prefix + digits + ".jpg";
}

std::string RangeCopy::DefaultPrefix(CalendarSeconds time, int dateFormat) {
  CalendarFields f;
  if (!BreakDownLocalTime(time, f)) return {};
  char text[64];
  switch (dateFormat) {
    case 1:
      std::snprintf(text, sizeof text, "%02d-%02d-%04d-", f.day, f.month, f.year);
      break;
    case 2:
      std::snprintf(text, sizeof text, "%04d-%02d-%02d-", f.year, f.month, f.day);
      break;
    default:
      std::snprintf(text, sizeof text, "%02d-%02d-%04d-", f.month, f.day, f.year);
      break;
  }
  return text;
}

bool RangeCopy::CopyNext(ImageSource& source, bool orderCheck, bool logFlag) {
  if (Done()) return false;
  const int number = NextNumber();
  const int counter = nextCounter_++;
  // A failed seek leaves no record header loaded, so the read below fails
  // too and the image is counted once.
  source.Seek(number - 1);
  std::uint32_t size = 0;
  ReadOutcome outcome;
  // This runs on the viewer's copy thread, where an escaping exception would
  // end the program; an image lost that way is one not copied.
  try {
    outcome = source.ReadImage(size, ImageSource::kReadWriteFile, SaveTarget{folder_, FileName(counter)}, orderCheck,
                               logFlag);
  } catch (const std::exception&) {
    outcome = ReadOutcome{};
  }
  if (outcome.written) {
    ++writtenImages_;
    return true;
  }
  if (outcome.writeError != 0) {
    RecordWriteFailure(counter, outcome.writeError);
  } else {
    RecordFailure(number, counter);
  }
  return false;
}

void RangeCopy::RecordWriteFailure(int counter, int error) {
  // The disc was read; the folder is what failed. The reason (full disk,
  // no permission) is the same for every file that follows, so listing a
  // few is enough.
  ++failedImages_;
  if (writeFailures_.size() < static_cast<std::size_t>(kMaxErrorRuns)) {
    writeFailures_.push_back(WriteFailure{counter, error});
  } else {
    ++unlistedFailures_;
  }
}

void RangeCopy::RecordFailure(int number, int counter) {
  ++failedImages_;
  const auto n = static_cast<std::uint16_t>(number);
  const auto i = static_cast<std::uint16_t>(counter);
  if (errorRunCount_ > 0) {
    ErrorRun& last = errorRuns_[static_cast<std::size_t>(errorRunCount_ - 1)];
    const bool follows = (last.state == ErrorRun::kSingle && number == last.firstNumber + 1) ||
                         (last.state == ErrorRun::kRun && number == last.lastNumber + 1);
    if (follows) {
      last.state = ErrorRun::kRun;
      last.lastNumber = n;
      last.lastFile = i;
      return;
    }
  }
  if (errorRunCount_ == kMaxErrorRuns) {
    ++unlistedFailures_;
    return;
  }
  errorRuns_[static_cast<std::size_t>(errorRunCount_++)] = ErrorRun{ErrorRun::kSingle, n, 0, i, 0};
}

std::vector<std::string> RangeCopy::ErrorLines() const {
  std::vector<std::string> lines;
  for (int k = 0; k < errorRunCount_; ++k) {
    const ErrorRun& run = errorRuns_[static_cast<std::size_t>(k)];
    if (run.state == ErrorRun::kRun) {
      lines.push_back(FillTableText(LoadString(str::kRunFilesText), {FileName(run.firstFile), FileName(run.lastFile)}));
      lines.push_back(FillTableText(LoadString(str::kRunNumbersText),
                                    {std::to_string(run.firstNumber), std::to_string(run.lastNumber)}));
    } else {
      lines.push_back(FillTableText(LoadString(str::kSingleFileText), {FileName(run.firstFile)}));
      lines.push_back(FillTableText(LoadString(str::kSingleNumberText), {std::to_string(run.firstNumber)}));
    }
  }
  for (const WriteFailure& failure : writeFailures_)
    lines.push_back(FillTableText(LoadString(str::kNotWrittenText), {FileName(failure.counter), std::strerror(failure.error)}));
  if (HasUnlistedFailures()) lines.push_back(LoadString(str::kUnlistedText));
  return lines;
}

}  // namespace selvo
