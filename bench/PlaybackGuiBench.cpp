// The play loops in the real window, on 704 x 480 demo pictures, under X
// (the server DISPLAY names, else an Xvfb of our own; offscreen, with a
// message, when neither can be had, or when QT_QPA_PLATFORM asks for it).
// A picture counts as shown when the image view's paint event ran after it,
// not when the position moved: a position nobody painted was never seen.
//  1. forward play at speed 5 (one picture per 20 ms) in one pane: pictures
//     painted per second against the 50 the speed asks for;
//  2. processor time per second of playback at speeds 1 and 5, against a
//     loop that waits for its due time by spinning (measured here too);
//     and processor time per picture painted at speed 5 against the time to
//     decode that picture, measured in the same run on the same files. The
//     decode is the fair baseline: no viewer shows a picture without
//     decoding it, so it is the floor of the work per picture, and timing it
//     in the same process and run puts both figures under the same machine
//     load and caches. Everything above it (reading, composing, painting,
//     the play loop) is what the viewer adds; the goal is at most 2.5 x.
//     Under an Xvfb of our own, the X server's processor time per picture
//     (copying each picture to the screen) is reported beside it;
//  3. sound mode over 60 s into a silent sink, on a 4-camera recording with
//     an INFO index and time.txt, each camera chosen in turn for a quarter of
//     the time: the largest gap between the shown picture's stamp (that of
//     its file in the recording) and the sound position heard, against the
//     stamp interval of one camera;
//  4. forward play at speed 5 on a 20,000-image recording while the
//     background check examines it, against the same play once it is done.
// Each baseline is the fair one for its question: the rate the speed asks
// for is what a viewer that keeps up shows; a spinning wait is the loop that
// holds the due times without relying on timers, so any saving is the play
// loop's own; one camera's stamp interval is the coarsest step between
// stamps, so a gap below it means the picture shown is the one heard.
// Usage: PlaybackGuiBench [--load N] [--display-only] [seconds of sound mode, default 60]
//   --display-only: only the processor time per picture (2.), for profiling
//   the paint path without writing the large and sound recordings.
//   --load N: a second process keeps N threads spinning for the whole run,
//   as a busy machine would, so that late wake-ups show in the figures.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/CMainFrame.h"
#include "bench/BenchSupport.h"
#include "bench/PaintCounter.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/SoundTrackPlayback.h"
#include "panel/CSelvoFormView.h"
#include "source/CalendarTime.h"
#include "source/DibBlock.h"
#include "source/JpegDecoder.h"
#include "source/Notifier.h"
#include "sound/AudioClock.h"
#include "sound/SilentAudioOutput.h"
#include "sound/SoundTrack.h"
#include "tools/recwriter/RecordingWriter.h"
#include "bench/XServer.h"
#include "view/CSelvoViewerView.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr int kSoundCameras = 4;

// realistic: every picture encoded from its own scene; otherwise a few
// pictures repeated, which decode as slowly but are quicker to write.
bool WriteDemo(const std::string& folder, std::uint32_t frames, bool sound, bool realistic = false) {
  selvo::RecordingOptions options;
  options.frames = frames;
  options.cameras = sound ? kSoundCameras : 1;
  options.sound = sound;
  options.fast = !sound && !realistic;
  options.alter = false;
  selvo::RecordingWriter writer(options);
  if (writer.Write(folder)) return true;
  std::fprintf(stderr, "demo: %s\n", writer.ErrorText().c_str());
  return false;
}

std::vector<std::string> PictureFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".jpg" || ext == ".JPG") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Processor time of one decode of each of the first `count` picture files
// of the folder (all with 0), averaged. With a pace, the decodes come one
// per pace as the play's pictures do, and the thread sleeps in between.
double DecodeSecondsPerPicture(const std::string& folder, std::size_t count = 0,
                               std::chrono::milliseconds pace = std::chrono::milliseconds(0)) {
  std::vector<std::string> files = PictureFiles(folder);
  if (count > 0 && count < files.size()) files.resize(count);
  if (files.empty()) return 0;
  double cpu = 0;
  for (const std::string& file : files) {
    if (pace.count() > 0) std::this_thread::sleep_for(pace);
    const double start = ThreadCpuSeconds();
    if (!selvo::DecodeJpegFile(file, nullptr)) std::fprintf(stderr, "decode failed: %s\n", file.c_str());
    cpu += ThreadCpuSeconds() - start;
  }
  return cpu / static_cast<double>(files.size());
}

struct Viewer {
  explicit Viewer(const std::string& scratch)
      : profile(QString::fromStdString(scratch + "/profile.ini"), QSettings::IniFormat) {
    selvo::DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<selvo::CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<selvo::CMainFrame>(*doc, profile, 0);
    frame->show();
    panel = static_cast<selvo::CSelvoFormView*>(frame->PanelStrip());
    view = frame->findChild<selvo::CSelvoViewerView*>();
    if (view != nullptr) view->installEventFilter(&paints);
  }

  // Plays forward from the first image until seconds have passed or the
  // recording ends; answers the pictures painted and the time taken.
  void PlayFor(double seconds, int speed, int& shown, double& elapsed) {
    doc->GoFirst(true);
    panel->SetSpeedPosition(speed);
    QCoreApplication::processEvents();  // the paint of the first picture is not the play's
    paints.painted = 0;
    // A play that ends early must not leave its stop behind for the next.
    QObject playGuard;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &playGuard, [this] { doc->RequestPlaybackStop(); });
    const auto start = Clock::now();
    panel->OnPlay();
    elapsed = SecondsSince(start);
    shown = paints.painted;
  }

  selvo::RecordingNotifier notifier;
  QSettings profile;
  std::unique_ptr<selvo::CSelvoViewerDoc> doc;
  std::unique_ptr<selvo::CMainFrame> frame;
  selvo::CSelvoFormView* panel = nullptr;
  selvo::CSelvoViewerView* view = nullptr;
  selvo::bench::PaintCounter paints;
};

// What the loops did before: handle events, then yield, until the due time.
double SpinningWaitCpuPerSecond(double seconds) {
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  while (SecondsSince(start) < seconds) {
    QCoreApplication::processEvents();
    std::this_thread::yield();
  }
  return (CpuSeconds() - cpu) / seconds;
}

void BenchSpeedModeRate(Viewer& viewer) {
  int shown = 0;
  double elapsed = 0;
  viewer.PlayFor(5.0, 5, shown, elapsed);
  const double rate = shown / elapsed;
  std::printf("speed 5, one pane: %d pictures in %.3f s = %.2f /s; asked 50 /s; ratio %.3f (goal >= 0.98)\n", shown,
              elapsed, rate, rate / 50.0);
}

// The background check reads every file of a large recording at the lowest
// priority; play at speed 5 must keep its rate while it runs. The baseline
// is the same play on the same recording once the check has finished.
void BenchRateWhileVerifying(Viewer& viewer, const std::string& folder) {
  if (viewer.doc->OpenFolder(folder) != selvo::CSelvoViewerDoc::OpenOutcome::Opened) return;
  const auto checkStart = Clock::now();
  int shown = 0;
  double elapsed = 0;
  viewer.PlayFor(5.0, 5, shown, elapsed);
  QCoreApplication::processEvents();
  const int examinedDuringPlay = viewer.doc->VerificationDone();
  const double during = shown / elapsed;
  while (!viewer.doc->IsVerified() && SecondsSince(checkStart) < 600) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const double checkSeconds = SecondsSince(checkStart);
  viewer.PlayFor(5.0, 5, shown, elapsed);
  const double after = shown / elapsed;
  std::printf("speed 5 while the background check ran (%d of %d images examined during the play): %.2f /s; "
              "after it finished: %.2f /s; ratio %.3f (goal >= 0.98); the check took %.1f s\n",
              examinedDuringPlay, viewer.doc->VerificationTotal(), during, after, during / after, checkSeconds);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// Processor time the X server has spent so far, 0 when it is not ours.
double ServerCpuSeconds(pid_t server) {
  if (server <= 0) return 0;
  std::ifstream stat("/proc/" + std::to_string(server) + "/stat");
  std::string line;
  std::getline(stat, line);
  // The fields after the command's closing parenthesis; utime and stime
  // are the 12th and 13th of them.
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  unsigned long long ticks[2] = {};
  for (int i = 1; i <= 13 && fields >> field; ++i) {
    if (i >= 12) ticks[i - 12] = std::stoull(field);
  }
  return static_cast<double>(ticks[0] + ticks[1]) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Processor time per picture painted at speed 5 against the decode of the
// same pictures, in rounds that alternate the two: a shared machine's speed
// drifts by a third within a minute, and the medians of alternating rounds
// put both figures under the same drift. Two decode baselines:
//  - plain: the decodes back to back, the work no viewer can skip, and the
//    baseline of the goal;
//  - paced: one decode every 20 ms, as the play asks for its pictures, with
//    the thread asleep in between: a picture decoded after a sleep finds
//    the processor's caches taken by others and costs more, in the viewer
//    as in any program, so this shows how much of the ratio that is.
void BenchCpuPerPicture(Viewer& viewer, const std::string& folder, pid_t server) {
  constexpr int kRounds = 5;
  std::vector<double> perPicture;
  std::vector<double> inServer;
  std::vector<double> paced;
  std::vector<double> plain;
  for (int round = 0; round < kRounds; ++round) {
    int shown = 0;
    double elapsed = 0;
    const double cpu = CpuSeconds();
    const double serverCpu = ServerCpuSeconds(server);
    viewer.PlayFor(3.0, 5, shown, elapsed);
    if (shown == 0) return;
    perPicture.push_back((CpuSeconds() - cpu) / shown);
    inServer.push_back((ServerCpuSeconds(server) - serverCpu) / shown);
    paced.push_back(DecodeSecondsPerPicture(folder, static_cast<std::size_t>(shown), std::chrono::milliseconds(20)));
    plain.push_back(DecodeSecondsPerPicture(folder));
    std::printf("  round %d: %.3f ms per picture painted (%d pictures); decode plain %.3f ms, paced %.3f ms\n",
                round + 1, perPicture.back() * 1e3, shown, plain.back() * 1e3, paced.back() * 1e3);
  }
  const double picture = Median(perPicture);
  const double plainDecode = Median(plain);
  const double pacedDecode = Median(paced);
  std::printf("speed 5: %.3f ms processor time per picture painted; plain decode of that picture %.3f ms, ratio %.2f "
              "(goal <= 2.5); paced as the play %.3f ms, ratio %.2f (medians of %d alternating rounds)\n",
              picture * 1e3, plainDecode * 1e3, plainDecode > 0 ? picture / plainDecode : 0.0, pacedDecode * 1e3,
              pacedDecode > 0 ? picture / pacedDecode : 0.0, kRounds);
  if (server > 0) std::printf("the X server: %.3f ms per picture beside it\n", Median(inServer) * 1e3);
}

void BenchCpu(Viewer& viewer, const std::string& realistic, pid_t server) {
  const double spin = SpinningWaitCpuPerSecond(2.0);
  for (const auto& [speed, seconds] : {std::pair{1, 8.0}, std::pair{5, 5.0}}) {
    int shown = 0;
    double elapsed = 0;
    const double cpu = CpuSeconds();
    viewer.PlayFor(seconds, speed, shown, elapsed);
    const double perSecond = (CpuSeconds() - cpu) / elapsed;
    std::printf("speed %d: %.4f s processor time per second of playback (%d pictures); spinning wait %.4f s/s; "
                "ratio %.4f%s\n",
                speed, perSecond, shown, spin, perSecond / spin, speed == 1 ? " (goal <= 0.02 s/s)" : "");
  }
  if (viewer.doc->OpenFolder(realistic) != selvo::CSelvoViewerDoc::OpenOutcome::Opened) return;
  BenchCpuPerPicture(viewer, realistic, server);
}

void BenchSoundMode(Viewer& viewer, const std::string& folder, double seconds) {
  selvo::CSelvoViewerDoc& doc = *viewer.doc;
  auto track = std::make_unique<selvo::SoundTrack>(
      viewer.notifier, std::make_unique<selvo::SilentAudioOutput>(selvo::AudioClock::Steady()), nullptr,
      selvo::AudioClock::Steady());
  const int opened = track->Open(folder);
  if (!opened) {
    std::printf("sound mode: the demo's sound track did not open\n");
    return;
  }
  doc.SetSoundTrack(std::make_unique<selvo::SoundTrackPlayback>(std::move(track)), opened);

  // The truth is the recording's: the shown file's own stamp, on the clock
  // the sound track starts with the first file.
  selvo::RecordingWriter stamps([] {
    selvo::RecordingOptions o;
    o.cameras = kSoundCameras;
    return o;
  }());
  const auto fileIndex = [&doc] {
    const std::string path = doc.GetCurrentPath();
    const std::size_t digits = path.rfind("IMG") + 3;  // IMG00000029.jpg
    return static_cast<std::uint32_t>(std::strtoul(path.c_str() + digits, nullptr, 10) - 1);
  };
  std::int64_t worstGap = 0;
  for (int camera = 0; camera < kSoundCameras; ++camera) {
    if (!doc.SelectChannel(camera, 1, static_cast<const int*>(nullptr))) {
      std::printf("sound mode: camera %d could not be chosen\n", camera + 1);
      return;
    }
    std::int64_t cameraGap = 0;
    std::int64_t pictures = 0;
    auto connection = QObject::connect(&doc, &selvo::CSelvoViewerDoc::positionDisplayChanged, [&] {
      if (!doc.IsPlayingForward()) return;
      const std::int64_t stamp = static_cast<std::int64_t>(stamps.StampOf(fileIndex())) - stamps.StampOf(0);
      const std::int64_t gap = stamp - doc.GetSoundTrack()->GetPosition();
      cameraGap = std::max(cameraGap, gap < 0 ? -gap : gap);
      ++pictures;
    });
    int shown = 0;
    double elapsed = 0;
    viewer.PlayFor(seconds / kSoundCameras, 1, shown, elapsed);
    QObject::disconnect(connection);
    worstGap = std::max(worstGap, cameraGap);
    std::printf("sound mode, camera %d, %.1f s, %lld pictures: largest picture-to-sound gap %lld ms\n", camera + 1,
                elapsed, static_cast<long long>(pictures), static_cast<long long>(cameraGap));
  }
  const std::int64_t interval =
      static_cast<std::int64_t>(stamps.StampOf(kSoundCameras)) - stamps.StampOf(0);
  std::printf("sound mode, %d cameras: largest picture-to-sound gap %lld ms; stamp interval of a camera %lld ms; "
              "ratio %.3f; goal <= 40 ms\n",
              kSoundCameras, static_cast<long long>(worstGap), static_cast<long long>(interval),
              static_cast<double>(worstGap) / static_cast<double>(interval));
}

// Forked before any thread of ours exists; the child dies with us.
pid_t StartLoadProcess(int spinners) {
  const pid_t child = fork();
  if (child != 0) return child;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::vector<std::thread> threads;
  for (int i = 0; i < spinners; ++i) {
    threads.emplace_back([] {
      volatile unsigned long long spins = 0;
      for (;;) spins = spins + 1;
    });
  }
  for (std::thread& t : threads) t.join();
  _exit(0);
}

void StopLoadProcess(pid_t child) {
  if (child <= 0) return;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "PlaybackGuiBench [--load THREADS] [--display-only] [SOUND_SECONDS]\n  the cost of playing against decoding, and sound in step");
  selvo::FixProcessTimeZone();
  double soundSeconds = 60.0;
  int loadThreads = 0;
  bool displayOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--load" && i + 1 < argc) {
      loadThreads = std::max(0, std::atoi(argv[++i]));
    } else if (std::string(argv[i]) == "--display-only") {
      displayOnly = true;
    } else {
      soundSeconds = std::atof(argv[i]);
    }
  }
  const pid_t load = loadThreads > 0 ? StartLoadProcess(loadThreads) : 0;
  if (loadThreads > 0) std::printf("load: %d spinning threads in process %d\n", loadThreads, static_cast<int>(load));
  selvo::bench::XServer server;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    const std::string display = server.Start();
    if (display.empty()) {
      std::printf("no X server (%s): measuring offscreen\n", server.Reason().c_str());
      qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
      std::printf("under X, display %s\n", display.c_str());
      qputenv("DISPLAY", display.c_str());
      qputenv("QT_QPA_PLATFORM", "xcb");
    }
  }
  QApplication app(argc, argv);

  // Two runs at once must not delete each other's recordings.
  const std::string scratch =
      (std::filesystem::temp_directory_path() / ("selvo-playback-bench-" + std::to_string(getpid()))).string();
  std::filesystem::remove_all(scratch);
  selvo::bench::RemoveOnExit(scratch);
  const std::string silent = scratch + "/silent";
  const std::string sound = scratch + "/sound";
  const auto soundFrames = static_cast<std::uint32_t>(soundSeconds * 10 + 20);
  const std::string large = scratch + "/large";
  const std::string realistic = scratch + "/realistic";
  if (!WriteDemo(silent, 400, false) || !WriteDemo(realistic, 400, false, true)) return 1;
  if (!displayOnly && (!WriteDemo(sound, soundFrames, true) || !WriteDemo(large, 20000, false))) return 1;

  Viewer viewer(scratch);
  if (viewer.doc->OpenFolder(silent) != selvo::CSelvoViewerDoc::OpenOutcome::Opened) return 1;
  if (!displayOnly) BenchSpeedModeRate(viewer);
  if (viewer.view == nullptr) return 1;
  BenchCpu(viewer, realistic, server.Pid());
  if (!displayOnly) {
    BenchRateWhileVerifying(viewer, large);
    if (viewer.doc->OpenFolder(sound) != selvo::CSelvoViewerDoc::OpenOutcome::Opened) return 1;
    BenchSoundMode(viewer, sound, soundSeconds);
  }

  viewer.frame.reset();
  std::filesystem::remove_all(scratch);
  StopLoadProcess(load);
  return 0;
}
