// Copying a range of a recorder disc through the document, as Start Copy
// does once the save dialog has answered: the Copying dialog paces the copy
// thread, damaged records end up in the Disk Read Error list, and the
// document ends on the range's last image with the range unset.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "doc/AutoResetEvent.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/ProgressEvent.h"
#include "panel/CopyingDialog.h"
#include "panel/DialogPrompts.h"
#include "panel/DiskReadErrorDialog.h"
#include "source/DiscImageFileDevice.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallDisc.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using Outcome = CSelvoViewerDoc::CopyOutcome;

std::vector<std::string> SortedEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Calls act with the modal dialog of type T once it is up, until act says
// it is done. The watch ends with its owner, so a dialog that never came
// cannot reach a finished test's locals.
template <typename T>
class ModalWatch {
 public:
  explicit ModalWatch(std::function<bool(T&)> act) {
    QObject::connect(&poll_, &QTimer::timeout, [this, act] {
      auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
      if (dialog && act(*dialog)) poll_.stop();
    });
    poll_.start(1);
  }

 private:
  QTimer poll_;
};

class DiscCopyTest : public ::testing::Test {
 protected:
  DiscCopyTest() {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    doc->SetPrompts(&prompts);
    doc->SetDiscDeviceFactory([](const std::string&) { return std::make_unique<DiscImageFileDevice>(); });
  }

  // damaged: 1-based numbers of records with a length no reader accepts;
  // scratched: records whose data blocks cannot be read.
  void OpenDisc(int count, const std::set<int>& damaged = {}, const std::set<int>& scratched = {}) {
    const std::set<std::uint32_t> unreadable = test::WriteSmallDisc(scratch / "disc.img", count, damaged, scratched);
    doc->SetDiscDeviceFactory(
        [unreadable](const std::string&) { return std::make_unique<DiscImageFileDevice>(unreadable); });
    ASSERT_EQ(doc->OpenDisc(scratch / "disc.img"), CSelvoViewerDoc::OpenOutcome::Opened);
  }

  // The disc source moves by steps only, as the panel's buttons do.
  void GoTo(int number) {
    doc->GoFirst(false);
    for (int n = 1; n < number; ++n) doc->GoNext(false);
  }
  void SetRange(int first, int last) {
    GoTo(first);
    doc->SetCopyStart();
    GoTo(last);
    doc->SetCopyEnd();
  }

  test::TestFolder scratch;
  std::string out = scratch.MakeDir("out");
  RecordingNotifier notifier;
  DialogPrompts prompts;
  std::unique_ptr<CSelvoViewerDoc> doc;
};

TEST_F(DiscCopyTest, CopyWritesTheRangeListsDamagedImagesAndEndsOnTheLastImage) {
  OpenDisc(6, {3});
  EXPECT_EQ(doc->SourceKind(), 1);
  EXPECT_EQ(doc->GetCount(), 6);
  ASSERT_TRUE(doc->HasImage());
  EXPECT_EQ(doc->DefaultCopyName(), "03-15-2006-");

  SetRange(2, 5);
  GoTo(1);
  std::vector<std::string> listed;
  ModalWatch<DiskReadErrorDialog> watch1([&](DiskReadErrorDialog& dialog) {
    for (int i = 0; i < dialog.List()->count(); ++i) listed.push_back(dialog.List()->item(i)->text().toStdString());
    dialog.accept();
    return true;
  });

  EXPECT_EQ(doc->CopyRangeTo(out + "/cam.jpg"), Outcome::Copied);

  EXPECT_EQ(SortedEntries(out), (std::vector<std::string>{"cam000.jpg", "cam002.jpg", "cam003.jpg"}));
  EXPECT_EQ(listed, (std::vector<std::string>{"cam001.jpg were not copied", "Disk read error occurred at number 3"}));
  EXPECT_EQ(notifier.Last(), "Copy finished: 3 of 4 images written to \"" + out + "\".");
  EXPECT_EQ(doc->GetPosition(), 4);
  EXPECT_TRUE(doc->HasImage());
  EXPECT_EQ(doc->GetCopyStart(), -1);
  EXPECT_EQ(doc->GetCopyEnd(), -1);
  EXPECT_FALSE(doc->IsCopying());
  EXPECT_EQ(doc->LastSaveFolder(), out + "/cam.jpg");
}

TEST_F(DiscCopyTest, CancelStopsAfterTheImageInProgressKeepsTheFilesWrittenAndSaysHowMany) {
  OpenDisc(40);
  SetRange(1, 40);
  GoTo(7);
  int shownWhenCancelled = 0;
  ModalWatch<CopyingDialog> watch2([&](CopyingDialog& dialog) {
    if (dialog.Current() < 3) return false;
    shownWhenCancelled = dialog.Current();
    dialog.CancelButton()->click();
    return true;
  });
  bool errorDialogShown = false;
  ModalWatch<DiskReadErrorDialog> watch3([&](DiskReadErrorDialog& dialog) {
    errorDialogShown = true;
    dialog.accept();
    return true;
  });

  EXPECT_EQ(doc->CopyRangeTo(out + "/c.jpg"), Outcome::Cancelled);

  // The image the dialog showed may have been in progress (it is finished)
  // or not yet started; nothing later is written and nothing written is lost.
  const std::vector<std::string> files = SortedEntries(out);
  EXPECT_GE(static_cast<int>(files.size()), shownWhenCancelled - 1);
  EXPECT_LE(static_cast<int>(files.size()), shownWhenCancelled);
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i], RangeCopy::FileNameFor("c", static_cast<int>(i), 39));
  EXPECT_FALSE(errorDialogShown);
  EXPECT_EQ(notifier.Last(), "Copy cancelled: " + std::to_string(files.size()) + " of 40 images were written.");
  // The view stays on the image the user was looking at.
  EXPECT_EQ(doc->GetPosition(), 6);
  EXPECT_EQ(doc->GetCurrentTime(), test::SmallDiscTime(7));
  EXPECT_TRUE(doc->HasImage());
  EXPECT_EQ(doc->GetCopyStart(), -1);
}

TEST_F(DiscCopyTest, ReadFailuresOnTheCopyThreadAreToldOnceAfterTheCopy) {
  OpenDisc(12, {}, {6, 9});
  SetRange(5, 12);
  const int noticesBefore = notifier.Count();
  int noticesDuringCopy = -1;
  std::vector<std::string> listed;
  ModalWatch<DiskReadErrorDialog> watch4([&](DiskReadErrorDialog& dialog) {
    noticesDuringCopy = notifier.Count() - noticesBefore;
    for (int i = 0; i < dialog.List()->count(); ++i) listed.push_back(dialog.List()->item(i)->text().toStdString());
    dialog.accept();
    return true;
  });

  EXPECT_EQ(doc->CopyRangeTo(out + "/s.jpg"), Outcome::Copied);

  // Shown on the user-interface thread before the error list, once; then
  // how the copy ended.
  EXPECT_EQ(noticesDuringCopy, 1);
  EXPECT_EQ(notifier.Count() - noticesBefore, 2);
  // Small records share blocks, so a scratch also takes a neighbour along.
  ASSERT_EQ(doc->LastCopy()->ErrorRunCount(), 2);
  EXPECT_EQ(doc->LastCopy()->ErrorRuns()[0].firstNumber, 6);
  EXPECT_EQ(doc->LastCopy()->ErrorRuns()[1].firstNumber, 9);
  EXPECT_EQ(listed.size(), 4u);
  EXPECT_EQ(static_cast<int>(SortedEntries(out).size()), 8 - doc->LastCopy()->FailedImages());
}

// The copy thread moves the disc's cursor while the user-interface thread
// repaints: every read the view and the panel make must answer for the image
// shown before the copy, never for the one being copied (and never race).
TEST_F(DiscCopyTest, ViewAndPanelReadTheImageShownBeforeTheCopyWhileItRuns) {
  OpenDisc(12);
  SetRange(3, 12);
  GoTo(2);
  std::set<int> positions;
  std::set<CalendarSeconds> times;
  std::set<CalendarSeconds> firstTimes;
  int progressSeen = 0;
  ModalWatch<CopyingDialog> watch([&](CopyingDialog& dialog) {
    positions.insert(doc->GetPosition());
    times.insert(doc->GetCurrentTime());
    firstTimes.insert(doc->GetTimeAt(0));
    EXPECT_EQ(doc->GetCount(), 12);
    EXPECT_TRUE(doc->HasImage());
    progressSeen = dialog.Current();
    return false;
  });

  EXPECT_EQ(doc->CopyRangeTo(out + "/v.jpg"), Outcome::Copied);

  EXPECT_GT(progressSeen, 1);
  EXPECT_EQ(positions, std::set<int>{1});
  EXPECT_EQ(times, std::set<CalendarSeconds>{test::SmallDiscTime(2)});
  EXPECT_EQ(firstTimes, std::set<CalendarSeconds>{test::SmallDiscTime(1)});
  EXPECT_EQ(SortedEntries(out).size(), 10u);
  EXPECT_EQ(doc->GetPosition(), 11);
}

TEST_F(DiscCopyTest, FilesTheFolderRefusesAreListedWithTheReasonNotAsDiskReadErrors) {
  OpenDisc(3);
  SetRange(1, 2);
  QString title;
  std::vector<std::string> listed;
  ModalWatch<DiskReadErrorDialog> watch([&](DiskReadErrorDialog& dialog) {
    title = dialog.windowTitle();
    for (int i = 0; i < dialog.List()->count(); ++i) listed.push_back(dialog.List()->item(i)->text().toStdString());
    dialog.accept();
    return true;
  });

  EXPECT_EQ(doc->CopyRangeTo(out + "/gone/w.jpg"), Outcome::Copied);

  EXPECT_EQ(title.toStdString(), "Copy Error");
  const std::string reason = std::strerror(ENOENT);
  EXPECT_EQ(listed, (std::vector<std::string>{"w000.jpg could not be written: " + reason,
                                              "w001.jpg could not be written: " + reason}));
  EXPECT_EQ(notifier.Last(), "Copy finished: 0 of 2 images written to \"" + out + "/gone\".");
}

TEST_F(DiscCopyTest, RangeIsOnlyValidInOrderAndNeedsARecording) {
  doc->SetCopyStart();
  EXPECT_EQ(doc->GetCopyStart(), -1);
  OpenDisc(3);
  SetRange(3, 2);
  EXPECT_FALSE(doc->IsCopyRangeValid());
  EXPECT_EQ(doc->CopyRangeTo(out + "/x.jpg"), Outcome::NotStarted);
  EXPECT_TRUE(SortedEntries(out).empty());
  EXPECT_EQ(doc->GetCopyStart(), 3);  // a copy that never started leaves the range
}

TEST(CopyingDialogTest, ShowsCountDestinationAndFileAndEndsAfterTheLastImage) {
  SetUiLanguage(UiLanguage::English);
  AutoResetEvent event;
  std::atomic<int> cancel{0};
  std::atomic<QObject*> window{nullptr};
  CopyingDialog one("/home/u/out/cam.jpg", "cam", 5, 5, CopyHandshake{&event, &cancel, &window});
  EXPECT_EQ(one.CountText(), "(   1 /   1 )");
  EXPECT_EQ(one.SourceText(), "From 'CD-R' to 'out'");
  EXPECT_EQ(one.FileText(), "cam000.jpg");
  // One image: the first progress message ends the copy.
  ProgressEvent progress(0, 0);
  QCoreApplication::sendEvent(&one, &progress);
  EXPECT_EQ(cancel.load(), 1);
  EXPECT_TRUE(event.Wait(std::chrono::milliseconds(0)));

  CopyingDialog root("/cam.jpg", "cam", 1, 1000, CopyHandshake{&event, &cancel, &window});
  EXPECT_EQ(root.SourceText(), "From 'CD-R' to ''");
  EXPECT_EQ(root.CountText(), "(    1 / 1000 )");
  EXPECT_EQ(root.FileText(), "cam0000.jpg");
}

}  // namespace
}  // namespace selvo
