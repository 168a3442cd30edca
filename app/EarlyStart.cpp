#include "app/EarlyStart.h"

#include <dlfcn.h>

#include "doc/FolderOpenJob.h"
#include "source/StartupTrace.h"
#include "source/settings/CommandLineSwitches.h"

namespace selvo {

namespace {

// fontconfig comes with Qt's Gui module, whose xcb and offscreen platforms
// read the fonts through it. It is looked up rather than linked: a Qt whose
// platform does without it costs nothing. FcInit may be called from any
// thread, and Qt's own later call finds the configuration loaded.
void LoadFontConfiguration() {
  using FcInitFunction = int (*)();
  if (auto* init = reinterpret_cast<FcInitFunction>(dlsym(RTLD_DEFAULT, "FcInit"))) init();
  TraceStartup("font configuration read on a thread of its own");
}

}  // namespace

// One after the other, so that the main thread, busy starting Qt, shares
// the two cores with one thread of ours: the fonts first, which the window
// needs before the recording.
EarlyStart::EarlyStart(const ViewerCommandLineInfo& commandLine)
    : thread_([this, folder = commandLine.openPath] {
        LoadFontConfiguration();
        if (!folder.empty()) folderOpen_ = std::make_unique<FolderOpenJob>(folder);
      }) {}

EarlyStart::~EarlyStart() { WaitForFonts(); }

std::unique_ptr<FolderOpenJob> EarlyStart::TakeFolderOpen(const std::string& path) {
  WaitForFonts();
  if (!folderOpen_ || folderOpen_->Folder() != path) return nullptr;
  return std::move(folderOpen_);
}

void EarlyStart::WaitForFonts() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace selvo
