// The first picture of a 1,000,000-image recording: the time from starting
// a viewer process to the image view's first paint of the recording's first
// picture, and the memory the open keeps per image (heap and resident). The viewer is this
// program started again with --child: the same window, document and view as
// selvo-viewer, offscreen, so loading the libraries, starting Qt, listing
// and indexing the tree, reading time.txt, decoding and painting all count.
// The baseline is `find` listing the same tree in one process of its own: no
// viewer can show the first picture of a recording before it knows every
// image in it, so a plain listing, started the same way, is the floor; a
// sorted listing would add a second process and a pipe, which flatters us.
// Both run with the directory caches warm (a first listing is not timed);
// the best of three rounds counts. Wall time is what the user waits for;
// processor time is reported too, since on a shared machine the wall time
// of both sides is mostly other programs' turn.
// The tree is our own layout (1,000 images a subfolder, an INFO index over
// four cameras, time.txt); every image is a hard link to one real picture
// from our recording writer, so the fixture costs inodes for the folders
// and a copy of the picture per 65,000 links, and it is deleted afterwards.
// Usage: FirstPictureBench [images, default 1000000]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTimer>

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
#include "bench/BenchSupport.h"
#include "bench/IndexedTree.h"
#include "bench/PaintCounter.h"
#include "doc/CSelvoViewerDoc.h"
#include "source/CalendarTime.h"
#include "source/Notifier.h"
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

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return CpuSeconds(usage);
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
  QApplication app(argc, argv);
  selvo::RecordingNotifier notifier;
  QSettings profile(QString::fromStdString(resultFile + ".ini"), QSettings::IniFormat);
  selvo::DocumentOptions options;
  options.persistSettings = false;
  selvo::CSelvoViewerDoc doc(options, notifier);
  selvo::CMainFrame frame(doc, profile, 0);
  frame.show();
  auto* view = frame.findChild<selvo::CSelvoViewerView*>();
  if (view == nullptr) return 1;
  FirstPictureWatch watch(doc);
  view->installEventFilter(&watch);

  const std::size_t heapBefore = selvo::bench::HeapInUse();
  const long residentBefore = ResidentKb();
  bool opened = false;
  QTimer::singleShot(0, &doc, [&] { opened = doc.OpenFolder(root) == selvo::CSelvoViewerDoc::OpenOutcome::Opened; });
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  while (!(opened && watch.seen) && Clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
  }
  const std::int64_t shown = NowNs();
  if (!opened || !watch.seen) return 1;
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

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "FirstPictureBench [IMAGES]\n  the first picture of IMAGES (default 1000000) images from the start of the viewer");
  selvo::FixProcessTimeZone();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 5 && std::string(argv[1]) == "--child") return RunViewer(argc, argv, argv[2], std::atoi(argv[3]), argv[4]);

  const int images = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
  const std::string scratch =
      (fs::temp_directory_path() / ("selvo-first-picture-bench-" + std::to_string(getpid()))).string();
  fs::remove_all(scratch);
  selvo::bench::RemoveOnExit(scratch);
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

  const std::vector<std::string> listing = {"find", root, "-name", "*.jpg"};
  selvo::bench::RunProgram(listing, true);  // warms the directory caches for both
  double bestList = 1e9;
  double bestListCpu = 1e9;
  ViewerRun best;
  best.seconds = 1e9;
  best.cpuSeconds = 1e9;
  bool ok = true;
  for (int round = 0; round < 3 && ok; ++round) {
    const double cpu = ChildrenCpuSeconds();
    bestList = std::min(bestList, selvo::bench::SecondsOf([&] { return selvo::bench::RunProgram(listing, true); }));
    bestListCpu = std::min(bestListCpu, ChildrenCpuSeconds() - cpu);
    ViewerRun run;
    ok = RunViewerProcess(root, images, scratch + "/result.txt", run);
    if (ok && run.seconds < best.seconds) best = run;
    if (ok) best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
  }
  fs::remove_all(scratch);
  if (!ok) {
    std::fprintf(stderr, "the viewer did not show the first picture\n");
    return 1;
  }
  std::printf("first picture of %d images (%d listed): %.3f s from the viewer's start; find listing %.3f s; "
              "ratio %.2f; goal <= 0.6 s\n",
              images, best.count, best.seconds, bestList, best.seconds / bestList);
  std::printf("processor time to the first picture: %.3f s; find listing %.3f s; ratio %.2f\n", best.cpuSeconds,
              bestListCpu, best.cpuSeconds / bestListCpu);
  std::printf("kept by the open, per image: %.1f bytes of heap, %.1f bytes resident; peak resident %.1f MB; "
              "goal <= 64 B\n",
              best.heapPerImage, best.residentPerImage, best.maxRssKb / 1024.0);
  return 0;
}
