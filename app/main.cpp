#include <QApplication>
#include <QTranslator>

#include <clocale>
#include <iostream>
#include <memory>

#include "app/CSelvoViewerApp.h"
#include "app/EarlyStart.h"
#include "source/CalendarTime.h"
#include "source/StartupTrace.h"
#include "source/settings/CommandLineSwitches.h"
#include "source/text/UiLanguage.h"

int main(int argc, char** argv) {
  selvo::TraceStartup("libraries loaded, main entered");
  std::setlocale(LC_ALL, "");
  selvo::FixProcessTimeZone();

  // --help and --version answer without a display.
  selvo::ViewerCommandLineInfo commandLineBeforeQt;
  commandLineBeforeQt.Parse(argc, argv);
  if (commandLineBeforeQt.wantsHelp) {
    std::cout << selvo::CSelvoViewerApp::HelpText();
    return 0;
  }
  if (commandLineBeforeQt.wantsVersion) {
    std::cout << selvo::CSelvoViewerApp::VersionText();
    return 0;
  }

  selvo::SetUiLanguage(selvo::DetectUiLanguage());
  // The folder on the command line is indexed, and the fonts' configuration
  // read, while Qt loads and connects and the window is built.
  selvo::EarlyStart early(commandLineBeforeQt);
  QApplication app(argc, argv);
  selvo::TraceStartup("Qt started, window system connected");
  QApplication::setApplicationName(QString::fromLatin1(selvo::CSelvoViewerApp::kProgramName));
  QApplication::setApplicationVersion(QString::fromLatin1(selvo::CSelvoViewerApp::kVersion));
  const std::unique_ptr<QTranslator> qtTexts = selvo::CSelvoViewerApp::InstallQtTranslator(selvo::CurrentUiLanguage());

  // QApplication has taken its own options ("-style fusion") out of argv:
  // only ours and the folder are left.
  selvo::ViewerCommandLineInfo commandLine;
  commandLine.Parse(argc, argv);
  selvo::CSelvoViewerApp viewer(commandLine, &early);
  if (!viewer.InitInstance()) return 1;
  return viewer.ExitInstance(app.exec());
}
