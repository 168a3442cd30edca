// The background check as the window shows it: ticks on the position slider
// (drawn, not just listed), the status bar's count, the View menu's problem
// commands and their keys, and the summary list with its double-click and
// report button.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTreeWidget>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <memory>
#include <thread>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CheckReportRun.h"
#include "case/CaseFile.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "panel/CSelvoFormView.h"
#include "panel/VerificationSummaryDialog.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "view/CSelvoViewerView.h"
#include "view/PositionSlider.h"

namespace selvo {
namespace {

using test::SmallFrame;
constexpr std::uint32_t kSeconds = 100000000;

class VerificationViewTest : public ::testing::Test {
 protected:
  void MakeFrame(bool checkMode) {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    options.checkMode = checkMode;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
    frame->resize(900, 700);
    frame->show();
  }
  ~VerificationViewTest() override { frame.reset(); }

  // Two cameras interleaved under an index: camera 1's file 4 has its
  // compressed data tampered with, camera 2's file 5 an altered time.
  std::string TwoCameras() {
    std::vector<SmallFrame> frames;
    for (int i = 0; i < 12; ++i) frames.push_back(SmallFrame{i % 2, kSeconds + static_cast<std::uint32_t>(i)});
    frames[4].damage = TrailerDamage::kTamperedData;
    frames[5].damage = TrailerDamage::kAlteredTime;
    return test::WriteSmallRecording(scratch, "two", frames, /*withInfo=*/true);
  }

  void OpenAndVerify(const std::string& folder) {
    ASSERT_EQ(doc->OpenFolder(folder), CSelvoViewerDoc::OpenOutcome::Opened);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!doc->IsVerified() && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(doc->IsVerified());
    QCoreApplication::processEvents();
  }

  PositionSlider* Slider() const {
    return static_cast<CSelvoFormView*>(frame->PanelStrip())->GetPositionSlider();
  }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
};

bool IsRedTick(QRgb pixel) { return qRed(pixel) > 180 && qGreen(pixel) < 60 && qBlue(pixel) < 60; }

// A sound track or an index that is there and cannot be read leaves the
// recording silent or without cameras; the status bar says which and why
// for as long as that recording is open.
TEST_F(VerificationViewTest, StatusBarNamesASoundTrackOrIndexThatCouldNotBeRead) {
  MakeFrame(/*checkMode=*/false);
  const std::string folder = TwoCameras();
  const std::string index = folder + "/INFO/REC.INF";
  const std::string sound = folder + "/sound.wav";
  ASSERT_EQ(::unlink(index.c_str()), 0);
  ASSERT_EQ(::mkfifo(index.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(sound.c_str(), 0600), 0);
  OpenAndVerify(folder);
  const QString notes = frame->findChild<QLabel*>("recordingNotes")->text();
  EXPECT_TRUE(notes.contains(QString::fromStdString(sound + ": a FIFO, not a file; played without sound")))
      << notes.toStdString();
  EXPECT_TRUE(notes.contains(QString::fromStdString(index + ": a FIFO, not a file; shown without cameras")))
      << notes.toStdString();

  ASSERT_EQ(::unlink(index.c_str()), 0);
  ASSERT_EQ(::unlink(sound.c_str()), 0);
  OpenAndVerify(TwoCameras());
  EXPECT_TRUE(frame->findChild<QLabel*>("recordingNotes")->text().isEmpty());
}

TEST_F(VerificationViewTest, WithTheCheckSwitchTheSliderDrawsARedTickAtTheCurrentCamerasAlteredImage) {
  MakeFrame(/*checkMode=*/true);
  OpenAndVerify(TwoCameras());
  ASSERT_EQ(doc->GetCount(), 6);  // camera 1: files 0, 2, 4, 6, 8, 10

  PositionSlider* slider = Slider();
  EXPECT_EQ(slider->AlteredMarks(), (std::vector<int>{3}));  // file 4 is camera 1's third image
  EXPECT_TRUE(slider->AnomalyMarks().empty());

  const QImage shown = slider->grab().toImage();
  const int y = shown.height() / 2;
  const int x = slider->MarkX(3) * shown.width() / slider->width();
  bool red = false;
  for (int dy = -3; dy <= 3; ++dy) red = red || IsRedTick(shown.pixel(x, y + dy));
  EXPECT_TRUE(red) << "no red tick at x " << x;
  EXPECT_FALSE(IsRedTick(shown.pixel(slider->MarkX(5) * shown.width() / slider->width(), y)));

  const QString status = frame->findChild<QLabel*>("verificationStatus")->text();
  EXPECT_EQ(status, QStringLiteral("Verified 12 images: 2 problems"));

  // The menu shows what is drawn; the switch decides, not the menu.
  QAction* marks = frame->ActionFor(cmd::kVerificationMarks);
  EXPECT_TRUE(marks->isChecked());
  EXPECT_FALSE(marks->isEnabled());
  doc->OnCommand(cmd::kVerificationMarks);
  EXPECT_TRUE(marks->isChecked());
  EXPECT_FALSE(doc->IsVerificationMarksOn()) << "the remembered choice changed unseen";
}

TEST_F(VerificationViewTest, WithoutTheSwitchTheMarksFollowTheRememberedMenuSetting) {
  MakeFrame(/*checkMode=*/false);
  OpenAndVerify(TwoCameras());
  EXPECT_TRUE(Slider()->AlteredMarks().empty());
  EXPECT_FALSE(frame->ActionFor(cmd::kVerificationMarks)->isChecked());

  frame->FireCommand(cmd::kVerificationMarks);
  EXPECT_TRUE(frame->ActionFor(cmd::kVerificationMarks)->isChecked());
  EXPECT_EQ(Slider()->AlteredMarks(), (std::vector<int>{3}));

  frame->FireCommand(cmd::kVerificationMarks);
  EXPECT_TRUE(Slider()->AlteredMarks().empty());
}

TEST_F(VerificationViewTest, CtrlArrowsWalkTheProblemsAndTheSliderFollows) {
  MakeFrame(/*checkMode=*/false);
  OpenAndVerify(TwoCameras());
  QAction* next = frame->ActionFor(cmd::kNextProblem);
  QAction* previous = frame->ActionFor(cmd::kPreviousProblem);
  EXPECT_EQ(next->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Right));
  EXPECT_EQ(previous->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Left));
  ASSERT_TRUE(next->isEnabled());

  next->trigger();
  EXPECT_EQ(doc->GetCurrentFileIndex(), 4);
  EXPECT_EQ(Slider()->value(), 3);
  EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
  next->trigger();  // camera 2's problem is not in camera 1's list
  EXPECT_EQ(doc->GetCurrentFileIndex(), 4);
  EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("No further problem after this image"));
  previous->trigger();
  EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("No earlier problem before this image"));
}

// A split's list holds every shown camera's images in recording order: Next
// Problem visits each problem in that order, whichever camera the current
// image is of, and the slider's ticks stay where they are.
TEST_F(VerificationViewTest, InASplitNextProblemWalksEveryShownCameraInListOrder) {
  MakeFrame(/*checkMode=*/true);
  OpenAndVerify(TwoCameras());
  frame->FireCommand(cmd::kSplit4);
  ASSERT_EQ(doc->GetCount(), 12);
  const std::vector<int> ticks{5, 6};  // files 4 and 5, one of each camera
  EXPECT_EQ(Slider()->AlteredMarks(), ticks);

  std::vector<int> visited;
  for (int step = 0; step < 4; ++step) {
    frame->FireCommand(cmd::kNextProblem);
    if (!frame->statusBar()->currentMessage().isEmpty()) break;
    visited.push_back(doc->GetCurrentFileIndex());
    EXPECT_EQ(Slider()->AlteredMarks(), ticks) << "at file " << visited.back();
  }
  EXPECT_EQ(visited, (std::vector<int>{4, 5}));
  EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("No further problem after this image"));
}

TEST_F(VerificationViewTest, TheSummaryListsEveryProblemAndADoubleClickShowsItOnItsOwnCamera) {
  MakeFrame(/*checkMode=*/true);
  OpenAndVerify(TwoCameras());
  ASSERT_TRUE(frame->ActionFor(cmd::kVerificationSummary)->isEnabled());

  QString writtenTo;
  VerificationSummaryDialog dialog(*doc, static_cast<CSelvoViewerView*>(frame->ImageViewWidget()),
                                   [&](const QString& path, QString&) {
                                     writtenTo = path;
                                     return true;
                                   });
  QTreeWidget* list = dialog.List();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  const auto cell = [&](int row, int column) { return list->topLevelItem(row)->text(column).toStdString(); };
  // The file's number, its place in its camera's list as the panel counts
  // it, and its name.
  const std::vector<std::vector<std::string>> expected = {{"5", "3", "1ch", "IMG00005.jpg"},
                                                          {"6", "3", "2ch", "IMG00006.jpg"}};
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ((std::vector<std::string>{cell(row, 0), cell(row, 1), cell(row, 2), cell(row, 5)}),
              expected[static_cast<std::size_t>(row)]);
  }
  EXPECT_EQ(cell(0, 4).rfind("IMAGE ALTERED", 0), 0u) << cell(0, 4);
  EXPECT_EQ(cell(1, 4), "TIME ALTERED");

  // File 5 belongs to camera 2, which the list does not hold yet.
  ASSERT_TRUE(dialog.ShowProblemOfRow(1));
  EXPECT_EQ(doc->GetCurrentFileIndex(), 5);
  EXPECT_EQ(doc->GetCurrentChannel(), 1);
  EXPECT_EQ(static_cast<CSelvoViewerView*>(frame->ImageViewWidget())->GetPaneChannel(0), 1);

  EXPECT_TRUE(dialog.SaveReportButton()->isEnabled());
  EXPECT_TRUE(dialog.SaveReportTo("/tmp/report.pdf"));
  EXPECT_EQ(writtenTo, "/tmp/report.pdf");
}

// Stand-ins for selvo-check: what the report button runs, and how each way
// it can end reaches the user.
TEST(CheckReportRunTest, TheReportIsWrittenOnlyWhenTheProgramRanAndLeftAPdf) {
  test::TestFolder scratch;
  const std::string log = scratch / "args.txt";
  struct Case {
    const char* name;
    std::string script;  // empty: no program at all
    bool written;
    const char* reasonPart;
  } cases[] = {
      {"problems found, report written", "printf '%s\\n' \"$@\" > " + log + "; echo pdf > \"$3\"; exit 1", true, ""},
      {"unreadable recording", "echo 'rec: no recorder images found' >&2; exit 2", false, "no recorder images found"},
      {"ran clean but wrote nothing", "exit 0", false, ""},
      {"killed", "kill -9 $$", false, ""},
      {"no program", "", false, "fake-check"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string program = scratch / "fake-check";
    std::remove(program.c_str());
    std::remove((scratch / "out.pdf").c_str());
    if (!c.script.empty()) {
      scratch.Write("fake-check", "#!/bin/sh\n" + c.script + "\n");
      chmod(program.c_str(), 0755);
    }
    QString reason;
    const bool written = CheckReportRun(QString::fromStdString(program))
                             .Write(QStringLiteral("/rec/folder"), QString::fromStdString(scratch / "out.pdf"), reason);
    EXPECT_EQ(written, c.written);
    if (!c.written) {
      EXPECT_FALSE(reason.isEmpty());
    }
    EXPECT_TRUE(reason.contains(QString::fromLatin1(c.reasonPart))) << reason.toStdString();
  }
  std::ifstream args(log);
  std::stringstream text;
  text << args.rdbuf();
  // A folder named like an option is still the folder.
  EXPECT_EQ(text.str(), "--quiet\n--report\n" + (scratch / "out.pdf") + "\n--\n/rec/folder\n");
}

// The real program, as the viewer's button runs it: the report of a
// recording with a tampered image is a PDF, entered in the viewer's case
// file with its hash.
TEST(CheckReportRunTest, SelvoCheckBesideTheViewerFilesTheReportOfTheOpenRecordingAndLogsIt) {
  const QString program = QStringLiteral(SELVO_BINARY_DIR "/selvo-check");
  if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "selvo-check is not built";
  test::TestFolder scratch;
  std::vector<SmallFrame> frames(4, SmallFrame{0, kSeconds});
  frames[2].damage = TrailerDamage::kTamperedData;
  const std::string folder = test::WriteSmallRecording(scratch, "rec", frames, /*withInfo=*/true);
  const QString pdf = QString::fromStdString(scratch / "report.pdf");
  const std::string caseFile = scratch / "cases.sqlite";
  QString reason;
  ASSERT_TRUE(CheckReportRun(program).Write(QString::fromStdString(folder), pdf, reason,
                                            QString::fromStdString(caseFile)))
      << reason.toStdString();
  EXPECT_TRUE(reason.isEmpty()) << reason.toStdString();
  QFile written(pdf);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(5).startsWith("%PDF-"));
  auto opened = CaseFile::Open(caseFile);
  ASSERT_TRUE(opened) << opened.message();
  auto log = opened.value().Log();
  ASSERT_TRUE(log && !log.value().empty());
  EXPECT_EQ(log.value().back().kind, "report-written");
  const auto sha = FileSha256(pdf.toStdString());
  ASSERT_TRUE(sha);
  EXPECT_NE(log.value().back().details.find(sha.value()), std::string::npos) << log.value().back().details;
}

}  // namespace
}  // namespace selvo
