// selvo-check-report: selvo-check with the renderer linked in, to which
// selvo-check hands every run that asks for --report.
#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "tools/selvo-check/CheckCommand.h"
#include "tools/selvo-check/CheckReport.h"

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
  return selvo::WriteCheckReport(file, findings, error);
}

}  // namespace

int main(int argc, char** argv) { return selvo::RunCheckCommand(argc, argv, DrawReport); }
