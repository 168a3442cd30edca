// selvo-check-report: selvo-check with the renderer linked in, to which
// selvo-check hands every run that asks for --report.
#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "tools/selvo-check/CheckCommand.h"
#include "tools/selvo-check/CheckReport.h"
#include "tools/selvo-check/ToolCaseFile.h"

namespace {

// The offscreen platform's start-up note about a missing runtime folder
// says nothing about the check, and a painter that could not begin is told
// by the report with its cause; everything else Qt says is passed on.
void PassOnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")) ||
      message.startsWith(QStringLiteral("QPainter::begin"))) {
    return;
  }
  std::fprintf(stderr, "selvo-check: %s\n",
               selvo::TerminalSafe(qFormatLogMessage(type, context, message).toStdString()).c_str());
}

// Drawn after the check, without a display: a check runs on servers and in
// scripts.
bool DrawReport(const std::string& file, const selvo::ReportFindings& findings, std::string& error) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(PassOnQtMessage);
  static char programName[] = "selvo-check";
  static char* arguments[] = {programName, nullptr};
  int argumentCount = 1;
  QGuiApplication application(argumentCount, arguments);
  selvo::ToolCaseFile caseFile(findings.caseFile, findings.path, file, "selvo-check");
  const selvo::CaseBookmarks& contents = caseFile.Contents();
  if (!contents.problem.empty()) {
    std::fprintf(stderr, "selvo-check: warning: %s; the report lists no bookmarks\n",
                 selvo::TerminalSafe(contents.problem).c_str());
  }
  if (!selvo::WriteCheckReport(file, findings, contents, error)) return false;
  const std::string notLogged = caseFile.LogOutput(selvo::LogKind::kReportWritten, file);
  if (!notLogged.empty()) {
    std::fprintf(stderr, "selvo-check: warning: the report was not logged: %s\n",
                 selvo::TerminalSafe(notLogged).c_str());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) { return selvo::RunCheckCommand(argc, argv, DrawReport); }
