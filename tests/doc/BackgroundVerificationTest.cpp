// The document's background trailer check, on recordings built from the
// format rules: it fills the statuses of images nobody has shown, finds the
// breaks in a camera's time line, walks from problem to problem within the
// current camera, and lets go of the recording at once when it closes.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <functional>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "doc/BackgroundVerification.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/VerificationJob.h"
#include "source/FolderImageSource.h"
#include "source/ImageInfo.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/CommandRun.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using Clock = std::chrono::steady_clock;
using test::SmallFrame;

constexpr std::uint32_t kSeconds = 100000000;

// Delivers what the check's thread posted until done() holds or the time
// is up; done() as it stands then.
bool DeliverUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done() && Clock::now() < deadline) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

class BackgroundVerificationTest : public ::testing::Test {
 protected:
  BackgroundVerificationTest() {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
  }

  bool WaitForVerified() {
    return DeliverUntil([this] { return doc->IsVerified(); }, std::chrono::seconds(30));
  }

  std::vector<int> ProblemFiles() const {
    std::vector<int> files;
    for (const RecordingProblem& problem : doc->Problems().Problems()) files.push_back(problem.fileIndex);
    return files;
  }

  std::vector<int> MarkedIndices() const {
    std::vector<int> indices;
    for (const ProblemMark& mark : doc->ProblemMarks()) indices.push_back(mark.index);
    return indices;
  }

  test::TestFolder scratch;
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
};

// One camera without an index: two tampered frames, a gap, a stamp and a
// recording time that run backwards. time.txt sets the stamps.
std::string WriteBrokenTimeLine(const test::TestFolder& scratch) {
  std::vector<SmallFrame> frames(8, SmallFrame{0, kSeconds});
  frames[2].damage = TrailerDamage::kTamperedData;
  frames[5].damage = TrailerDamage::kAlteredTime;
  frames[7].seconds = kSeconds - 60;
  const std::string folder = test::WriteSmallRecording(scratch, "line", frames, /*withInfo=*/false, 64, 48,
                                                        /*withTimeList=*/true);
  scratch.Write("line/time.txt", std::string("0\r\n100\r\n200\r\n300\r\n4000\r\n4100\r\n3900\r\n4200\r\n"));
  return folder;
}

TEST_F(BackgroundVerificationTest, StatusesOfImagesNeverShownAreFilledAndEveryBreakIsFound) {
  ASSERT_EQ(doc->OpenFolder(WriteBrokenTimeLine(scratch)), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(WaitForVerified());

  EXPECT_EQ(doc->VerificationDone(), 8);
  EXPECT_EQ(doc->GetStatusAt(2) & kImageAltered, kImageAltered);
  EXPECT_EQ(doc->GetStatusAt(5) & kTimeAltered, kTimeAltered);
  EXPECT_EQ(doc->GetStatusAt(3), 0);

  ASSERT_EQ(ProblemFiles(), (std::vector<int>{2, 4, 5, 6, 7}));
  const auto kindAt = [&](int file) { return doc->Problems().ForFile(file)->anomalies.at(0).kind; };
  EXPECT_TRUE(doc->Problems().ForFile(2)->altered);
  EXPECT_FALSE(doc->Problems().ForFile(2)->HasAnomaly());
  EXPECT_EQ(kindAt(4), TimelineAnomalyKind::Gap);
  EXPECT_FALSE(doc->Problems().ForFile(4)->altered);
  EXPECT_EQ(kindAt(6), TimelineAnomalyKind::StampBackwards);
  EXPECT_EQ(kindAt(7), TimelineAnomalyKind::TimeBackwards);
  EXPECT_EQ(doc->VerificationProblemCount(), 5);
}

// (image number, finding) pairs: "altered" for a trailer's objection, else
// the time line's name for the break, on the image it is marked on.
using Findings = std::set<std::pair<int, std::string>>;

Findings SummaryFindings(const ProblemList& problems) {
  Findings found;
  for (const RecordingProblem& problem : problems.Problems()) {
    if (problem.altered) found.emplace(problem.fileIndex + 1, "altered");
    for (const TimelineAnomaly& anomaly : problem.anomalies) {
      found.emplace(problem.fileIndex + 1, TimelineAnomalyName(anomaly.kind));
    }
  }
  return found;
}

Findings SelvoCheckFindings(const std::string& folder) {
  const test::CommandRun run = test::RunCommand(test::Tool("selvo-check") + " --json '" + folder + "'");
  // Breaks in the time line leave the exit status alone.
  EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.out;
  Findings found;
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line)) {
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    if (object.contains("status") && object["status"].toInt() != 0) found.emplace(object["number"].toInt(), "altered");
    if (!object.contains("anomaly")) continue;
    const std::string kind = object["anomaly"].toString().toStdString();
    found.emplace(object[kind == "stamp_mismatch" ? "from" : "to"].toInt(), kind);
  }
  return found;
}

// The viewer's summary, its ticks and selvo-check (and so the report) read
// each image's stamp by the same rule and name the same findings:
// - two cameras under an index with time.txt beside it, camera 2's lines
//   10 s later from file 8 on, as an edit of time.txt makes them: the jump
//   is a gap, and time.txt disagreeing with the index a finding of its own;
// - a bare JPEG among recorder images, no index, no time.txt: its last four
//   bytes (xx xx FF D9) are no stamp, so no gap and no stamp going back.
TEST_F(BackgroundVerificationTest, SummaryAndSelvoCheckReadTheSameStampsAndNameTheSameFindings) {
  std::vector<SmallFrame> interleaved;
  for (int i = 0; i < 12; ++i) interleaved.push_back(SmallFrame{i % 2, kSeconds});
  test::WriteSmallRecording(scratch, "edited", interleaved, /*withInfo=*/true, 64, 48, /*withTimeList=*/true);
  std::string timeText;
  for (int i = 0; i < 12; ++i) timeText += std::to_string(i * 100 + (i % 2 == 1 && i >= 7 ? 10000 : 0)) + "\r\n";
  scratch.Write("edited/time.txt", timeText);

  std::vector<SmallFrame> oneCamera(6, SmallFrame{0, kSeconds});
  oneCamera[3].damage = TrailerDamage::kNoTrailer;
  test::WriteSmallRecording(scratch, "bare", oneCamera, /*withInfo=*/false);

  const struct {
    const char* name;
    Findings expected;
  } cases[] = {
      {"edited", {{8, "gap"}, {8, "stamp_mismatch"}}},
      {"bare", {{4, "altered"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = scratch / c.name;
    ASSERT_EQ(doc->OpenFolder(folder), CSelvoViewerDoc::OpenOutcome::Opened);
    ASSERT_TRUE(WaitForVerified());
    EXPECT_EQ(SummaryFindings(doc->Problems()), c.expected);
    EXPECT_EQ(SelvoCheckFindings(folder), c.expected);
  }
  // The problem on camera 2's list is its fourth image, where its tick sits.
  ASSERT_EQ(doc->OpenFolder(scratch / "edited"), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(WaitForVerified());
  ASSERT_NE(doc->Problems().ForFile(7), nullptr);
  EXPECT_EQ(doc->Problems().ForFile(7)->cameraNumber, 4);
}

TEST_F(BackgroundVerificationTest, NextAndPreviousProblemStepThroughTheBreaksAndStopAtTheEnds) {
  ASSERT_EQ(doc->OpenFolder(WriteBrokenTimeLine(scratch)), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(WaitForVerified());
  ASSERT_EQ(MarkedIndices(), (std::vector<int>{2, 4, 5, 6, 7}));

  std::vector<int> visited;
  while (doc->GoToNextProblem()) visited.push_back(doc->GetPosition());
  EXPECT_EQ(visited, (std::vector<int>{2, 4, 5, 6, 7}));
  EXPECT_EQ(doc->GetPosition(), 7);

  ASSERT_TRUE(doc->GoToPreviousProblem());
  EXPECT_EQ(doc->GetPosition(), 6);
  ASSERT_TRUE(doc->OnCommand(cmd::kPreviousProblem));
  EXPECT_EQ(doc->GetPosition(), 5);
  doc->ShowImage(1);
  EXPECT_FALSE(doc->GoToPreviousProblem());
  EXPECT_EQ(doc->GetPosition(), 1);
}

// Two cameras interleaved under an INFO index, the viewer on camera 1 (the
// first): camera 2's problems are neither marked nor visited, and its
// records, rebuilt by a camera choice, still carry the check's verdicts.
TEST_F(BackgroundVerificationTest, MarksAndNavigationKeepToTheCurrentCameraOfInterleavedCameras) {
  std::vector<SmallFrame> frames;
  for (int i = 0; i < 6; ++i) frames.push_back(SmallFrame{i % 2, kSeconds + static_cast<std::uint32_t>(i)});
  frames[3].damage = TrailerDamage::kTamperedData;  // camera 2
  frames[4].damage = TrailerDamage::kAlteredImage;  // camera 1
  ASSERT_EQ(doc->OpenFolder(test::WriteSmallRecording(scratch, "two", frames, /*withInfo=*/true)),
            CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(WaitForVerified());
  ASSERT_EQ(doc->GetCount(), 3);  // camera 1: files 0, 2, 4
  EXPECT_EQ(ProblemFiles(), (std::vector<int>{3, 4}));

  EXPECT_EQ(MarkedIndices(), (std::vector<int>{2}));
  EXPECT_FALSE(doc->ShowFileImage(3));
  ASSERT_TRUE(doc->GoToNextProblem());
  EXPECT_EQ(doc->GetCurrentFileIndex(), 4);
  EXPECT_FALSE(doc->GoToNextProblem());

  ASSERT_TRUE(doc->SelectChannel(1, 1, static_cast<const int*>(nullptr)));
  ASSERT_EQ(doc->GetCount(), 3);  // camera 2: files 1, 3, 5
  EXPECT_EQ(doc->GetStatusAt(1) & kImageAltered, kImageAltered);
  EXPECT_EQ(MarkedIndices(), (std::vector<int>{1}));
  EXPECT_TRUE(doc->ShowFileImage(3));
  EXPECT_EQ(doc->GetPosition(), 1);
}

// One image under 4,000 names: the check needs well over a second for them.
std::string WriteManyImages(const test::TestFolder& scratch, int count) {
  const std::string folder = test::WriteSmallRecording(scratch, "big", {SmallFrame{0, kSeconds}}, false);
  for (int i = 2; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/IMG00001/IMG%05d.jpg", i);
    std::filesystem::create_hard_link(folder + "/IMG00001/IMG00001.jpg", folder + name);
  }
  return folder;
}

TEST_F(BackgroundVerificationTest, AStoppedCheckEndsAfterTheImageInHandAndKeepsWhatItFound) {
  FolderImageSource source(MediaKind{0, 1, 0});
  ASSERT_TRUE(source.OpenRecording(WriteManyImages(scratch, 4000), false));
  VerificationJob job(source);
  job.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto started = Clock::now();
  job.Stop();
  EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(500));
  const int done = job.Done();
  EXPECT_LT(done, job.Total());
  for (int file = 0; file < done; ++file) ASSERT_EQ(job.Result(file).status, 0) << file;
}

// An image padded with zeros to a gigabyte is valid and takes seconds to
// read to its end; closing the recording must not wait for that.
TEST_F(BackgroundVerificationTest, ClosingStopsTheCheckWithinAPieceOfAGigabyteImage) {
  const std::string folder =
      test::WriteSmallRecording(scratch, "huge", {SmallFrame{0, kSeconds}, {0, kSeconds}, {0, kSeconds}}, false);
  // The middle image: the open shows the first and reads the last.
  std::vector<std::string> images;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().extension() == ".jpg") images.push_back(entry.path());
  }
  ASSERT_EQ(images.size(), 3u);
  std::sort(images.begin(), images.end());
  std::filesystem::resize_file(images[1], std::uintmax_t{1000} * 1000 * 1000);

  ASSERT_EQ(doc->OpenFolder(folder), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(doc->IsVerifying());
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto started = Clock::now();
  doc.reset();
  // Reading the gigabyte takes seconds; the stop comes within a piece, and
  // the rest is the document's own teardown under the sanitizers.
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));
}

TEST_F(BackgroundVerificationTest, ClosingOrOpeningAnotherRecordingStopsTheCheckAtOnce) {
  const std::string big = WriteManyImages(scratch, 4000);
  const std::string small = test::WriteSmallRecording(scratch, "small", {SmallFrame{0, kSeconds}, {0, kSeconds}}, false);

  ASSERT_EQ(doc->OpenFolder(big), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_EQ(doc->VerificationTotal(), 4000);
  ASSERT_TRUE(doc->IsVerifying());

  auto started = Clock::now();
  ASSERT_EQ(doc->OpenFolder(small), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));
  EXPECT_EQ(doc->VerificationTotal(), 2);
  ASSERT_TRUE(WaitForVerified());
  EXPECT_EQ(doc->VerificationDone(), 2);

  ASSERT_EQ(doc->OpenFolder(big), CSelvoViewerDoc::OpenOutcome::Opened);
  started = Clock::now();
  doc.reset();
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));
}

// BackgroundVerification on its own, over a source opened here, as the
// document drives it: what it says while it runs and at its end.
class CheckWatch {
 public:
  explicit CheckWatch(BackgroundVerification& check) : check_(check) {
    QObject::connect(&check, &BackgroundVerification::changed, &context_, [this] {
      doneSeen.push_back(check_.Done());
      if (onChange) onChange();
    });
    QObject::connect(&check, &BackgroundVerification::finished, &context_, [this] { ++finishedCount; });
  }
  bool WaitForFinished() {
    return DeliverUntil([this] { return check_.IsFinished(); }, std::chrono::seconds(60));
  }

  std::vector<int> doneSeen;  // Done() at every changed()
  int finishedCount = 0;
  std::function<void()> onChange;

 private:
  BackgroundVerification& check_;
  QObject context_;  // last: the connections go first
};

std::unique_ptr<FolderImageSource> OpenSource(const std::string& folder) {
  auto source = std::make_unique<FolderImageSource>(MediaKind{0, 1, 0});
  EXPECT_TRUE(source->OpenRecording(folder, false));
  return source;
}

TEST_F(BackgroundVerificationTest, WithoutTheDocumentTheCheckEndsWithTheProblemsAndTheRecordsHoldTheVerdicts) {
  BackgroundVerification check;
  CheckWatch watch(check);
  check.Start(nullptr);
  EXPECT_FALSE(check.IsRunning());
  EXPECT_TRUE(watch.doneSeen.empty());

  auto source = OpenSource(WriteBrokenTimeLine(scratch));
  check.Start(source->Files());
  EXPECT_TRUE(check.IsRunning());
  EXPECT_EQ(check.Total(), 8);
  ASSERT_TRUE(watch.WaitForFinished());

  EXPECT_FALSE(check.IsRunning());
  EXPECT_EQ(watch.finishedCount, 1);
  EXPECT_EQ(check.Done(), 8);
  EXPECT_EQ(watch.doneSeen.back(), 8);
  std::vector<int> files;
  for (const RecordingProblem& problem : check.Problems().Problems()) files.push_back(problem.fileIndex);
  EXPECT_EQ(files, (std::vector<int>{2, 4, 5, 6, 7}));
  EXPECT_EQ(check.ProblemCount(), 5);
  std::vector<int> marked;
  for (const ProblemMark& mark : check.Marks()) marked.push_back(mark.index);
  EXPECT_EQ(marked, (std::vector<int>{2, 4, 5, 6, 7}));
  // No image was shown: the verdicts reached the records from the check.
  EXPECT_EQ(source->RecordAt(2)->status & kImageAltered, kImageAltered);
  EXPECT_EQ(source->RecordAt(5)->status & kTimeAltered, kTimeAltered);
  EXPECT_EQ(source->RecordAt(3)->status, 0);
  check.Stop();
}

// The verdicts reach the records as the check reports them, on this
// thread: at every report the files counted hold theirs and the next
// one does not yet.
TEST_F(BackgroundVerificationTest, ProgressHandsTheVerdictsToTheRecordsAsTheyCome) {
  auto source = OpenSource(WriteManyImages(scratch, 4000));
  BackgroundVerification check;
  CheckWatch watch(check);
  int partReports = 0;
  bool recordsFollow = true;
  watch.onChange = [&] {
    const int done = check.Done();
    if (done == 0 || done >= check.Total()) return;
    ++partReports;
    recordsFollow = recordsFollow && source->RecordAt(done - 1)->status == 0 && source->RecordAt(done)->status == -1;
  };
  check.Start(source->Files());
  ASSERT_TRUE(watch.WaitForFinished());
  EXPECT_GT(partReports, 0);
  EXPECT_TRUE(recordsFollow);
  EXPECT_TRUE(std::is_sorted(watch.doneSeen.begin(), watch.doneSeen.end()));
  EXPECT_EQ(check.Done(), 4000);
  EXPECT_TRUE(check.Problems().Empty());
}

TEST_F(BackgroundVerificationTest, AStopMidWayEndsTheCheckAtOnceAndNothingMoreIsHeardFromIt) {
  auto source = OpenSource(WriteManyImages(scratch, 4000));
  BackgroundVerification check;
  CheckWatch watch(check);
  check.Start(source->Files());
  ASSERT_TRUE(DeliverUntil([&] { return check.Done() > 0; }, std::chrono::seconds(30)));
  ASSERT_TRUE(check.IsRunning());
  // Reports the worker posted meanwhile wait undelivered.
  std::this_thread::sleep_for(std::chrono::milliseconds(450));

  const auto started = Clock::now();
  check.Stop();
  EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(500));
  const std::size_t heard = watch.doneSeen.size();
  EXPECT_FALSE(check.IsRunning());
  EXPECT_FALSE(check.IsFinished());
  EXPECT_EQ(check.Done(), 0);
  EXPECT_EQ(check.Total(), 0);
  DeliverUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(watch.doneSeen.size(), heard);
  EXPECT_EQ(watch.finishedCount, 0);
}

// The document closes a recording by stopping the check and then letting
// the source go, maybe while the check's reports about it wait to be
// delivered, and it may open another at once: none of them may reach the
// closed recording's records or the next one's.
TEST_F(BackgroundVerificationTest, ARecordingClosedWhileCheckedHearsNothingMoreAndTheNextIsCheckedAlone) {
  auto closing = OpenSource(WriteManyImages(scratch, 4000));
  BackgroundVerification check;
  CheckWatch watch(check);
  check.Start(closing->Files());
  std::this_thread::sleep_for(std::chrono::milliseconds(450));

  auto next = OpenSource(WriteBrokenTimeLine(scratch));
  check.Start(next->Files());
  closing.reset();
  ASSERT_TRUE(watch.WaitForFinished());
  EXPECT_EQ(check.Total(), 8);
  EXPECT_EQ(check.Done(), 8);
  EXPECT_LE(*std::max_element(watch.doneSeen.begin(), watch.doneSeen.end()), 8);
  EXPECT_EQ(check.ProblemCount(), 5);
  EXPECT_EQ(watch.finishedCount, 1);
}

}  // namespace
}  // namespace selvo
