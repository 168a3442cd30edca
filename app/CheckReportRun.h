#pragma once
// The summary's "Save Report...": selvo-check, the program that files the
// report from the command line, run on the open recording, so the viewer's
// report and the tool's are one and the same. The viewer waits for it with
// its window alive (a large recording takes a while).
#include <QString>

namespace selvo {

class CheckReportRun {
 public:
  // program: the selvo-check to run; by default the one beside the viewer.
  explicit CheckReportRun(QString program = DefaultProgram());

  // Writes the report of the recording in folder to pdfPath, listing the
  // bookmarks of caseFile and logged there (none: no case file named);
  // false with the reason (what the program said, or why it did not run)
  // otherwise. Written, reason holds what the program warned of, if anything.
  bool Write(const QString& folder, const QString& pdfPath, QString& reason, const QString& caseFile = {}) const;

  static QString DefaultProgram();

 private:
  QString program_;
};

}  // namespace selvo
