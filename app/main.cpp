#include <QApplication>

#include <clocale>
#include <iostream>

#include "app/CSelvoViewerApp.h"
#include "app/CommandLineSwitches.h"
#include "app/UiLanguage.h"
#include "source/CalendarTime.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  selvo::FixProcessTimeZone();

  selvo::ViewerCommandLineInfo commandLine;
  commandLine.Parse(argc, argv);
  if (commandLine.wantsHelp) {
    std::cout << selvo::CSelvoViewerApp::HelpText();
    return 0;
  }
  if (commandLine.wantsVersion) {
    std::cout << selvo::CSelvoViewerApp::VersionText();
    return 0;
  }

  selvo::SetUiLanguage(selvo::DetectUiLanguage());
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(selvo::CSelvoViewerApp::kProgramName));
  QApplication::setApplicationVersion(QString::fromLatin1(selvo::CSelvoViewerApp::kVersion));

  selvo::CSelvoViewerApp viewer(commandLine);
  if (!viewer.InitInstance()) return 1;
  return viewer.ExitInstance(app.exec());
}
