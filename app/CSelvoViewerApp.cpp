#include "app/CSelvoViewerApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <iostream>

#include "app/CMainFrame.h"
#include "app/EarlyStart.h"
#include "app/MessageBoxNotifier.h"
#include "app/PaintWatch.h"
#include "app/ToolbarIcons.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/FolderOpenJob.h"
#include "panel/CSelvoFormView.h"
#include "source/StartupTrace.h"
#include "source/settings/SettingFile.h"
#include "source/settings/ViewerProfile.h"
#include "sound/AlsaAudioOutput.h"
#include "sound/MixerVolume.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

CSelvoViewerApp::CSelvoViewerApp(const ViewerCommandLineInfo& commandLine, EarlyStart* early)
    : commandLine_(commandLine), early_(early) {}

CSelvoViewerApp::~CSelvoViewerApp() {
  // The view reads the document until it is gone.
  frame_.reset();
  doc_.reset();
  folderOpen_.reset();
}

QString CSelvoViewerApp::ProductTitle(int variant) {
  const QString templateString = QString::fromUtf8(VariantFor(variant).templateString);
  return templateString.section(QLatin1Char('\n'), 0, 0);
}

std::string CSelvoViewerApp::HelpText() {
  return std::string("Usage: ") + kProgramName +
         " [-check] [-log] [--case FILE] [FOLDER | --disc PATH]\n"
         "Shows the still-image recordings of multi-camera video recorders.\n"
         "\n"
         "  FOLDER      recording folder to open at start-up\n"
         "  -check      mark images whose recorder check fails\n"
         "  -log        write the disc reader's trace log\n"
         "  --disc PATH open a recorder disc: a CD device (/dev/sr0) or a disc-image file\n"
         "  --case FILE keep bookmarks and the viewing log in this case file\n"
         "              (default: $XDG_DATA_HOME/selvo-viewer/cases.sqlite)\n"
         "  --help      show this text and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "The setting file (Viewer2.ini or Viewer.ini) is looked for in the current directory,\n"
         "then in the program's directory, then in ../share/selvo-viewer beside it and in the\n"
         "selvo-viewer folders of the system's data directories.\n";
}

std::unique_ptr<QTranslator> CSelvoViewerApp::InstallQtTranslator(UiLanguage language) {
  if (language != UiLanguage::Japanese) return nullptr;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return nullptr;
  QCoreApplication::installTranslator(translator.get());
  return translator;
}

std::string CSelvoViewerApp::VersionText() { return std::string(kProgramName) + " " + kVersion + "\n"; }

std::vector<std::string> CSelvoViewerApp::SettingFileSearchPath() {
  std::vector<std::string> dataDirectories;
  for (const QString& directory : QStandardPaths::standardLocations(QStandardPaths::AppDataLocation))
    dataDirectories.push_back(directory.toStdString());
  return SettingFileDirectories(".", QCoreApplication::applicationDirPath().toStdString(), dataDirectories);
}

bool CSelvoViewerApp::InitInstance() {
  probeFlags_ = MediaKind{};
  variant_ = FindVariant(SettingFileSearchPath());
  if (variant_ == kNoVariant) {
    // Started from a terminal, the reason is also where the user looks.
    const QString missing = UiString(str::kSettingFileMissing);
    std::cerr << kProgramName << ": " << missing.toStdString() << '\n';
    QMessageBox::warning(nullptr, QString::fromLatin1(kProgramName), missing);
    return false;
  }
  TraceStartup("setting file read");
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setApplicationDisplayName(ProductTitle(variant_));

  // The print-title history and the rest the viewer remembers, beside the
  // variant's settings.
  profile_ = OpenViewerProfile(variant_);
  checkMode_ = commandLine_.checkMode;
  logMode_ = commandLine_.logMode;

  DocumentOptions options;
  options.variant = variant_;
  options.checkMode = checkMode_;
  options.logMode = logMode_;
  options.probeFlags = probeFlags_;
  notifier_ = std::make_unique<MessageBoxNotifier>();
  doc_ = std::make_unique<CSelvoViewerDoc>(options, *notifier_);
  if (early_ != nullptr) early_->WaitForFonts();
  frame_ = std::make_unique<CMainFrame>(*doc_, *profile_, variant_);
  notifier_->SetParent(frame_.get());
  if (early_ != nullptr) folderOpen_ = early_->TakeFolderOpen(commandLine_.openPath);
  const bool named = !commandLine_.openPath.empty() || !commandLine_.discPath.empty();
  doc_->HoldVerification(named);
  const bool openedBeforeShow = OpenIndexedFolderBeforeShow();
  frame_->show();
  TraceStartup("window built and shown");

  // A recording named on the command line comes first: the background
  // check, the case file and the mixer wait until its picture is on the
  // screen, since a case file opened later still logs the recording and
  // shows its bookmarks, and the volume slider follows the mixer on its
  // timer.
  if (!named) {
    OpenCaseFileAndMixer();
    return true;
  }
  QTimer::singleShot(0, doc_.get(), [this, openedBeforeShow] {
    if (!openedBeforeShow) {
      if (!commandLine_.openPath.empty()) OpenCommandLineFolder();
      if (!commandLine_.discPath.empty()) doc_->OpenDisc(commandLine_.discPath);
      TraceStartup("recording opened, first picture decoded");
    }
    RunAfterNextPaint(frame_->ImageViewWidget(), [this] {
      doc_->HoldVerification(false);
      OpenCaseFileAndMixer();
    });
    frame_->repaint();
  });
  return true;
}

// The folder named on the command line has been probed and indexed since
// the start of main; when that is done by the time the window is built, or
// nearly, it is opened now, and the window's first paint shows its first
// picture. One that takes longer is waited for in the window, with
// "Searching..." and its CANCEL; a folder that cannot be opened is told
// once the window is up, as ever.
bool CSelvoViewerApp::OpenIndexedFolderBeforeShow() {
  if (!folderOpen_ || !commandLine_.discPath.empty()) return false;
  if (!folderOpen_->WaitFor(kIndexWaitBeforeShow) || !folderOpen_->Indexed()) return false;
  doc_->OpenFolder(*folderOpen_);
  folderOpen_.reset();
  TraceStartup("recording opened, first picture decoded");
  return true;
}

void CSelvoViewerApp::OpenCommandLineFolder() {
  if (folderOpen_) {
    doc_->OpenFolder(*folderOpen_);
    folderOpen_.reset();
  } else {
    doc_->OpenFolder(commandLine_.openPath);
  }
}

void CSelvoViewerApp::OpenCaseFileAndMixer() {
  // A case file that cannot be used is said in the status bar (and here,
  // for a terminal); the viewer works on without bookmarks. --case names
  // one for this run alone; the one last chosen stays chosen.
  const std::string casePath = commandLine_.casePath.empty() ? doc_->ChosenCaseFile() : commandLine_.casePath;
  if (!doc_->Case().Open(casePath))
    std::cerr << kProgramName << ": " << doc_->Case().Message() << '\n';
  // Without a mixer the volume slider just stays where it is.
  MixerVolume::Shared().OpenMixer();
  // Without a sound card the sound controls are shown as unavailable; the
  // status bar says why once the window is up.
  if (!AlsaAudioOutput::HasSoundCard())
    QTimer::singleShot(0, doc_.get(), [this] { doc_->NoteSoundDeviceMissing(); });
  TraceStartup("case file and mixer opened");
  if (auto* panel = qobject_cast<CSelvoFormView*>(frame_->PanelStrip())) panel->SyncVolumeSliderFromMixer();
}

int CSelvoViewerApp::ExitInstance(int code) {
  frame_.reset();
  doc_.reset();
  MixerVolume::Shared().CloseMixer();
  return code;
}

}  // namespace selvo
