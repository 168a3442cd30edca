#include "app/CheckReportRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace selvo {

namespace {
// selvo-check's exit status: 0 every image passed, 1 problems found (the
// report says which), 2 the recording could not be read.
constexpr int kProblemsFound = 1;
constexpr int kWaitSliceMs = 50;
}  // namespace

CheckReportRun::CheckReportRun(QString program) : program_(std::move(program)) {}

QString CheckReportRun::DefaultProgram() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/selvo-check");
}

bool CheckReportRun::Write(const QString& folder, const QString& pdfPath, QString& reason,
                           const QString& caseFile) const {
  QProcess check;
  check.setProgram(program_);
  QStringList arguments{QStringLiteral("--quiet"), QStringLiteral("--report"), pdfPath};
  if (!caseFile.isEmpty()) arguments << QStringLiteral("--case") << caseFile;
  check.setArguments(arguments << QStringLiteral("--") << folder);
  // The table goes nowhere; only the report and the reasons count.
  check.setStandardOutputFile(QProcess::nullDevice());
  check.start();
  if (!check.waitForStarted()) {
    reason = program_ + QStringLiteral(": ") + check.errorString();
    return false;
  }
  // Repaints go on while the program works.
  while (!check.waitForFinished(kWaitSliceMs)) {
    if (check.state() == QProcess::NotRunning) break;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  const bool ran = check.exitStatus() == QProcess::NormalExit && check.exitCode() <= kProblemsFound;
  reason = QString::fromLocal8Bit(check.readAllStandardError()).trimmed();
  if (ran && QFileInfo(pdfPath).size() > 0) return true;
  if (reason.isEmpty()) reason = check.errorString();
  return false;
}

}  // namespace selvo
