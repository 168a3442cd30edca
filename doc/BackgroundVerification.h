#pragma once
// The background trailer check of the open folder recording, as the
// document owns it. It runs one VerificationJob at a time over the
// recording's files and, on the user-interface thread, hands each verdict
// the job reports to the file's record, so the job's thread never touches a
// record. Once every file is examined it keeps the problems that the
// slider's marks, Next / Previous Problem and the summary list read. The
// recording must outlive the check: Stop before it closes.
#include <QObject>

#include <memory>
#include <vector>

#include "doc/ProblemList.h"

namespace selvo {

class RecordingFiles;
class VerificationJob;
struct VerificationResult;

// A problem of the current list, as the position slider marks it.
struct ProblemMark {
  int index = 0;         // 0-based position in the current list
  bool altered = false;  // the trailer check objects to the image
  bool anomaly = false;  // a break in the camera's time line ends here
};

class BackgroundVerification : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundVerification(QObject* parent = nullptr);
  ~BackgroundVerification() override;

  // Stops any check under way, then checks every file of files; nothing
  // starts for null or for a recording without files.
  void Start(RecordingFiles* files);
  // Stops the check at once and forgets the recording and what was found.
  void Stop();

  bool IsRunning() const;
  bool IsFinished() const { return finished_; }
  // Files whose verdict the records hold, of Total().
  int Done() const { return adopted_; }
  int Total() const;
  // Images the check objected to so far; once finished, every problem.
  int ProblemCount() const;
  // Empty until finished.
  const ProblemList& Problems() const { return problems_; }
  // The problems among the images of the list as it stands, in list order;
  // none until finished.
  std::vector<ProblemMark> Marks() const;
  // Hands every verdict so far to the records again: a camera choice
  // rebuilt them unexamined.
  void AdoptIntoRecords();

 signals:
  // Every file is examined and the problems are known; changed follows.
  void finished();
  // Progress, the end, a start or a stop.
  void changed();

 private:
  void OnProgress(int done);
  void OnFinished(const VerificationResult& result);
  void AdoptUpTo(int done);

  RecordingFiles* files_ = nullptr;
  std::unique_ptr<VerificationJob> job_;
  int adopted_ = 0;
  int objected_ = 0;
  bool finished_ = false;
  ProblemList problems_;
};

}  // namespace selvo
