// The first picture of a recording: the time from starting a viewer
// process to the image view's first paint of the recording's first picture,
// and the memory the open keeps per image (heap and resident). The viewer is
// this program started again with --child: selvo-viewer's own application
// object with the folder on its command line, begun as its main begins it
// (app/EarlyStart.h), with its setting file, case file and settings in the
// scratch folder; so loading the libraries, starting Qt, listing and
// indexing the tree, reading time.txt, decoding and painting all count.
// Two runs, each against its own peer:
//  - offscreen, against `find` listing the same tree in one process of its
//    own: no viewer can show the first picture of a recording before it
//    knows every image in it, so a plain listing, started the same way, is
//    the floor; a sorted listing would add a second process and a pipe,
//    which flatters us;
//  - under X (the server DISPLAY names, else an Xvfb of our own; skipped
//    with a message when neither can be had), so that connecting to the
//    server and mapping the window count too, against feh showing the same
//    tree sorted by path: `feh -r -S filename --start-at LAST
//    --on-last-slide quit -D 0.01 ROOT` lists and sorts every image, shows
//    the last one and quits 10 ms later, so its whole run is its time to
//    the picture plus that wait and its exit, which favours us slightly.
//    Peak resident memory is compared too: what a viewer costs to keep open.
// Both run with the directory caches warm (a first listing is not timed);
// the best of three alternating rounds counts. Wall time is what the user
// waits for; processor time is reported too, since on a shared machine the
// wall time of both sides is mostly other programs' turn.
// The tree is our own layout (1,000 images a subfolder, an INFO index over
// four cameras, time.txt); every image is a hard link to one real picture
// from our recording writer, so the fixture costs inodes for the folders
// and a copy of the picture per 65,000 links, and it is deleted afterwards.
// Usage: FirstPictureBench [images, default 1000000]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/CMainFrame.h"
#include "app/CSelvoViewerApp.h"
#include "app/EarlyStart.h"
#include "bench/BenchSupport.h"
#include "bench/IndexedTree.h"
#include "bench/PaintCounter.h"
#include "bench/XServer.h"
#include "doc/CSelvoViewerDoc.h"
#include "source/CalendarTime.h"
#include "source/Notifier.h"
#include "source/settings/CommandLineSwitches.h"
#include "tools/recwriter/RecordingWriter.h"
#include "view/CSelvoViewerView.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double CpuSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long ResidentKb() {
  long pages = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Watches the image view for a paint while the document holds a picture.
class FirstPictureWatch : public QObject {
 public:
  explicit FirstPictureWatch(const selvo::CSelvoViewerDoc& doc) : doc_(doc) {}
  bool seen = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && doc_.HasSource() && !doc_.IsOpenBusy() && doc_.CurrentImage() != nullptr)
      seen = true;
    return QObject::eventFilter(watched, event);
  }

 private:
  const selvo::CSelvoViewerDoc& doc_;
};

// The viewer side: opens root as selvo-viewer opens a folder named on its
// command line, and writes when the first picture was painted (steady clock,
// shared by parent and child) and what the open keeps.
int RunViewer(int argc, char** argv, const std::string& root, int images, const std::string& resultFile) {
  selvo::ViewerCommandLineInfo commandLine;
  commandLine.Parse({root});
  // As main does: the open and the fonts begin before Qt.
  selvo::EarlyStart early(commandLine);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(selvo::CSelvoViewerApp::kProgramName));
  selvo::CSelvoViewerApp viewer(commandLine, &early);
  if (!viewer.InitInstance()) return 1;
  const selvo::CSelvoViewerDoc& doc = *viewer.Document();
  auto* view = viewer.MainFrame()->findChild<selvo::CSelvoViewerView*>();
  if (view == nullptr) return 1;
  FirstPictureWatch watch(doc);
  view->installEventFilter(&watch);

  const std::size_t heapBefore = selvo::bench::HeapInUse();
  const long residentBefore = ResidentKb();
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  while (!watch.seen && Clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
  }
  const std::int64_t shown = NowNs();
  if (!watch.seen) return 1;
  // Per image of the recording: the open indexes every camera's images,
  // even when the view lists one camera's.
  const double heapPerImage = static_cast<double>(selvo::bench::HeapInUse() - heapBefore) / images;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double residentPerImage = (static_cast<double>(usage.ru_maxrss) - residentBefore) * 1024.0 / images;
  std::ofstream(resultFile) << shown << ' ' << CpuSeconds(usage) << ' ' << heapPerImage << ' ' << residentPerImage
                            << ' ' << usage.ru_maxrss << ' ' << doc.GetCount() << '\n';
  return 0;
}

struct ViewerRun {
  double seconds = 0;
  double cpuSeconds = 0;
  double heapPerImage = 0;
  double residentPerImage = 0;
  long maxRssKb = 0;
  int count = 0;
};

bool RunViewerProcess(const std::string& root, int images, const std::string& resultFile, ViewerRun& run) {
  fs::remove(resultFile);
  const std::int64_t start = NowNs();
  if (!selvo::bench::RunProgram(
          {fs::read_symlink("/proc/self/exe").string(), "--child", root, std::to_string(images), resultFile}))
    return false;
  std::int64_t shown = 0;
  std::ifstream result(resultFile);
  if (!(result >> shown >> run.cpuSeconds >> run.heapPerImage >> run.residentPerImage >> run.maxRssKb >> run.count)) return false;
  run.seconds = static_cast<double>(shown - start) / 1e9;
  return true;
}

// One real picture from our writer, to be linked under every image name.
std::string WriteSamplePicture(const std::string& folder) {
  selvo::RecordingOptions options;
  options.frames = 1;
  options.cameras = 1;
  options.sound = false;
  options.alter = false;
  options.subfolders = false;
  selvo::RecordingWriter writer(options);
  if (!writer.Write(folder)) {
    std::fprintf(stderr, "sample: %s\n", writer.ErrorText().c_str());
    return std::string();
  }
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".jpg") return entry.path().string();
  }
  return std::string();
}


void PrintViewerMemory(const ViewerRun& run) {
  std::printf("kept by the open, per image: %.1f bytes of heap, %.1f bytes resident; peak resident %.1f MB; "
              "goal <= 64 B\n",
              run.heapPerImage, run.residentPerImage, run.maxRssKb / 1024.0);
}

// Best of three rounds of the viewer against a peer, alternating; false
// when the viewer did not show its picture.
bool BestOfThree(const std::string& root, int images, const std::string& scratch,
                 const std::vector<std::string>& peer, selvo::bench::ProcessRun& bestPeer, ViewerRun& best) {
  bestPeer.seconds = 1e9;
  bestPeer.cpuSeconds = 1e9;
  best.seconds = 1e9;
  best.cpuSeconds = 1e9;
  for (int round = 0; round < 3; ++round) {
    const selvo::bench::ProcessRun peerRun = selvo::bench::RunMeasured(peer);
    if (!peerRun.ok) {
      std::fprintf(stderr, "%s failed\n", peer.front().c_str());
      return false;
    }
    if (peerRun.seconds < bestPeer.seconds) bestPeer = peerRun;
    bestPeer.cpuSeconds = std::min(bestPeer.cpuSeconds, peerRun.cpuSeconds);
    ViewerRun run;
    if (!RunViewerProcess(root, images, scratch + "/result.txt", run)) {
      std::fprintf(stderr, "the viewer did not show the first picture\n");
      return false;
    }
    if (run.seconds < best.seconds) best = run;
    best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
  }
  return true;
}

bool CompareWithFind(const std::string& root, int images, const std::string& scratch) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::vector<std::string> listing = {"find", root, "-name", "*.jpg"};
  selvo::bench::RunProgram(listing, true);  // warms the directory caches for both
  selvo::bench::ProcessRun find;
  ViewerRun best;
  if (!BestOfThree(root, images, scratch, listing, find, best)) return false;
  std::printf("offscreen: first picture of %d images (%d listed): %.3f s from the viewer's start; find listing "
              "%.3f s; ratio %.2f; goal <= 1.1\n",
              images, best.count, best.seconds, find.seconds, best.seconds / find.seconds);
  std::printf("processor time to the first picture: %.3f s; find listing %.3f s; ratio %.2f\n", best.cpuSeconds,
              find.cpuSeconds, best.cpuSeconds / find.cpuSeconds);
  PrintViewerMemory(best);
  return true;
}

// The last image of the tree in path order (see WriteIndexedTree).
std::string LastImageOf(const std::string& root, int images) {
  char name[64];
  std::snprintf(name, sizeof name, "/IMG%05d/%08d.jpg",
                (images + selvo::bench::kTreeFilesPerSubfolder - 1) / selvo::bench::kTreeFilesPerSubfolder, images);
  return root + name;
}

bool CompareWithFehUnderX(const std::string& root, int images, const std::string& scratch) {
  selvo::bench::XServer server;
  const std::string display = server.Start();
  if (display.empty()) {
    std::printf("under X: skipped, no X server: %s\n", server.Reason().c_str());
    return true;
  }
  setenv("DISPLAY", display.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  const std::vector<std::string> feh = {"feh", "-q", "-r", "-S", "filename", "--start-at", LastImageOf(root, images),
                                        "--on-last-slide", "quit", "-D", "0.01", root};
  if (!selvo::bench::RunProgram({"feh", "--version"}, true)) {
    std::printf("under X: skipped, feh is not installed (apt-get install feh)\n");
    return true;
  }
  selvo::bench::ProcessRun fehRun;
  ViewerRun best;
  if (!BestOfThree(root, images, scratch, feh, fehRun, best)) return false;
  std::printf("under X (%s): first picture of %d images: %.3f s from the viewer's start; feh %.3f s; ratio %.2f; "
              "goal < 1\n",
              display.c_str(), images, best.seconds, fehRun.seconds, best.seconds / fehRun.seconds);
  std::printf("processor time: %.3f s; feh %.3f s; ratio %.2f\n", best.cpuSeconds, fehRun.cpuSeconds,
              best.cpuSeconds / fehRun.cpuSeconds);
  std::printf("peak resident: %.1f MB; feh %.1f MB\n", best.maxRssKb / 1024.0, fehRun.peakKb / 1024.0);
  PrintViewerMemory(best);
  return true;
}
// The viewer runs as selvo-viewer does, from the scratch folder: its setting
// file there, and its case file and settings under it, never the
// user's.
bool UseScratchForViewerFiles(const std::string& scratch) {
  std::error_code error;
  fs::create_directories(scratch + "/home", error);
  fs::permissions(scratch + "/home", fs::perms::owner_all, error);
  fs::copy_file(std::string(SELVO_BINARY_DIR) + "/Viewer2.ini", scratch + "/Viewer2.ini", error);
  if (error || chdir(scratch.c_str()) != 0) {
    std::fprintf(stderr, "could not prepare %s for the viewer: %s\n", scratch.c_str(), error.message().c_str());
    return false;
  }
  for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
    setenv(variable, (scratch + "/home").c_str(), 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "FirstPictureBench [IMAGES]\n  the first picture of IMAGES (default 1000000) images from the start of the viewer");
  selvo::FixProcessTimeZone();
  if (argc == 5 && std::string(argv[1]) == "--child") return RunViewer(argc, argv, argv[2], std::atoi(argv[3]), argv[4]);

  const int images = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
  const std::string scratch =
      (fs::temp_directory_path() / ("selvo-first-picture-bench-" + std::to_string(getpid()))).string();
  fs::remove_all(scratch);
  selvo::bench::RemoveOnExit(scratch);
  if (!UseScratchForViewerFiles(scratch)) return 1;
  const std::string sample = WriteSamplePicture(scratch + "/sample");
  const std::string root = scratch + "/rec";
  std::printf("writing %d images as hard links...\n", images);
  std::fflush(stdout);
  // A file takes only so many links (65,000 on ext4); then a fresh copy of
  // the sample takes the next ones.
  std::string linked = sample;
  int copies = 0;
  const auto linkImage = [&](const std::string& path) {
    if (::link(linked.c_str(), path.c_str()) == 0) return true;
    if (errno != EMLINK) return false;
    linked = sample + "." + std::to_string(++copies);
    std::error_code error;
    return fs::copy_file(sample, linked, error) && ::link(linked.c_str(), path.c_str()) == 0;
  };
  if (sample.empty() || !selvo::bench::WriteIndexedTree(root, images, linkImage)) {
    std::fprintf(stderr, "could not make the benchmark recording\n");
    fs::remove_all(scratch);
    return 1;
  }

  const bool ok = CompareWithFind(root, images, scratch) && CompareWithFehUnderX(root, images, scratch);
  fs::remove_all(scratch);
  return ok ? 0 : 1;
}
