#pragma once
// The application object: after the setting file has chosen the variant it
// creates the document and the main window, shows the window and opens a
// recording folder named on the command line through the document's open
// flow (without the dialog).
#include <QString>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "source/MediaKind.h"
#include "source/settings/CommandLineSwitches.h"
#include "source/text/UiLanguage.h"

class QSettings;
class QTranslator;

namespace selvo {

class CMainFrame;
class CSelvoViewerDoc;
class EarlyStart;
class FolderOpenJob;
class MessageBoxNotifier;

class CSelvoViewerApp {
 public:
  static constexpr const char* kVersion = "0.1.0";
  static constexpr const char* kProgramName = "selvo-viewer";

  // early (may be null) holds what main began before Qt: the open of the
  // folder on the command line and the font configuration's loading.
  explicit CSelvoViewerApp(const ViewerCommandLineInfo& commandLine, EarlyStart* early = nullptr);
  ~CSelvoViewerApp();

  // Needs a QApplication. False (after telling the user) when the program
  // must end without a window.
  bool InitInstance();
  // Returns the exit code.
  int ExitInstance(int code);

  // The window title of a variant: the first field of its template string.
  static QString ProductTitle(int variant);
  // Qt's own dialogs (file, print, message-box buttons) in the UI language:
  // installs Qt's translation for Japanese and returns it (the caller keeps
  // it for the life of the application); null for English or when Qt's
  // translations are not installed.
  static std::unique_ptr<QTranslator> InstallQtTranslator(UiLanguage language);
  // The directories searched for the setting file, the current one first.
  static std::vector<std::string> SettingFileSearchPath();
  // Texts of --help and --version.
  static std::string HelpText();
  static std::string VersionText();

  int Variant() const { return variant_; }
  CSelvoViewerDoc* Document() const { return doc_.get(); }
  CMainFrame* MainFrame() const { return frame_.get(); }

 private:
  // How long the window waits to be shown for an index nearly done, rather
  // than show "Searching..." for a moment.
  static constexpr std::chrono::milliseconds kIndexWaitBeforeShow{100};

  // True when it ran the open (whatever it found).
  bool OpenIndexedFolderBeforeShow();
  void OpenCommandLineFolder();
  void OpenCaseFileAndMixer();

  ViewerCommandLineInfo commandLine_;
  EarlyStart* early_ = nullptr;
  // The open begun for the folder on the command line, until the document
  // takes it.
  std::unique_ptr<FolderOpenJob> folderOpen_;
  int variant_ = -1;
  MediaKind probeFlags_;
  bool checkMode_ = false;
  bool logMode_ = false;
  std::unique_ptr<QSettings> profile_;
  std::unique_ptr<MessageBoxNotifier> notifier_;
  std::unique_ptr<CSelvoViewerDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace selvo
