// The main window as the desktop meets it: folders and images dropped onto
// it, and the size and position it keeps between runs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QScreen>
#include <QWindow>
#include <QSettings>
#include <QUrl>

#include <memory>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "source/Notifier.h"
#include "source/settings/AppSettings.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

std::unique_ptr<QMimeData> UrlsOf(const QList<QUrl>& urls) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

// Delivers a drag that enters the window and is dropped on it, as the
// window system does; true when the window accepted the drop.
bool DropOnto(QWidget& window, const QMimeData& data) {
  const QPoint centre = window.rect().center();
  QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

template <typename Condition>
bool ProcessEventsUntil(Condition condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return condition();
}

class MainWindowDesktopTest : public ::testing::Test {
 protected:
  MainWindowDesktopTest() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(scratch / "config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(scratch / "config"));
  }

  void StartViewer(bool persistSettings) {
    DocumentOptions options;
    options.persistSettings = persistSettings;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
  }
  // As at the end of a run: the window closes, then the document writes the
  // settings as it goes.
  void EndViewer() {
    frame->close();
    frame.reset();
    doc.reset();
  }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainWindowDesktopTest, DroppedFolderOrImageOpensItsWholeRecording) {
  const std::string recording = test::WriteSmallRecording(scratch, "rec", {{0}, {0}, {0}, {0}}, true);
  const std::string loose = scratch / "loose";
  test::WriteSmallRecording(scratch, "loose-src", {{0}, {0}}, false);
  scratch.Write("loose/A.jpg", test::ReadFileBytes(scratch / "loose-src/IMG00001/IMG00001.jpg"));
  scratch.Write("loose/B.jpg", test::ReadFileBytes(scratch / "loose-src/IMG00001/IMG00002.jpg"));
  struct Case {
    const char* what;
    std::string dropped;
    std::string opens;
    int count;
  } cases[] = {
      {"the recording folder", recording, recording, 4},
      {"an image in a numbered folder of the recording", recording + "/IMG00001/IMG00003.jpg", recording, 4},
      {"the recording's numbered folder itself", recording + "/IMG00001", recording + "/IMG00001", 4},
      {"an image lying in a plain folder", loose + "/B.jpg", loose, 2},
  };
  for (const Case& c : cases) {
    StartViewer(false);
    const auto data = UrlsOf({QUrl(QStringLiteral("https://example.com/x.jpg")),
                              QUrl::fromLocalFile(QString::fromStdString(c.dropped))});
    ASSERT_TRUE(DropOnto(*frame, *data)) << c.what;
    EXPECT_TRUE(ProcessEventsUntil([&] { return doc->HasSource(); })) << c.what;
    EXPECT_EQ(doc->LastOpenFolder(), c.opens) << c.what;
    EXPECT_EQ(doc->GetCount(), c.count) << c.what;
    frame.reset();
    doc.reset();
  }
}

TEST_F(MainWindowDesktopTest, DropWithoutLocalFileIsRefusedAndOpensNothing) {
  StartViewer(false);
  const auto remote = UrlsOf({QUrl(QStringLiteral("https://example.com/rec/"))});
  EXPECT_FALSE(DropOnto(*frame, *remote));
  auto text = std::make_unique<QMimeData>();
  text->setText(QStringLiteral("/tmp"));
  EXPECT_FALSE(DropOnto(*frame, *text));
  QCoreApplication::processEvents();
  EXPECT_FALSE(doc->HasSource());
  EXPECT_EQ(notifier.Count(), 0);
}

TEST_F(MainWindowDesktopTest, DroppedFolderWithoutRecordingKeepsTheOpenOneAndSaysWhy) {
  const std::string recording = test::WriteSmallRecording(scratch, "rec", {{0}, {0}}, false);
  scratch.Write("notes/readme.txt", std::string("no pictures here"));
  StartViewer(false);
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  const auto data = UrlsOf({QUrl::fromLocalFile(QString::fromStdString(scratch / "notes/readme.txt"))});
  ASSERT_TRUE(DropOnto(*frame, *data));
  EXPECT_TRUE(ProcessEventsUntil([&] { return notifier.Count() > 0; }));
  EXPECT_EQ(doc->LastOpenFolder(), recording);
  EXPECT_EQ(doc->GetCount(), 2);
}

TEST_F(MainWindowDesktopTest, WindowComesBackWithTheSizeAndPositionItWasClosedWith) {
  StartViewer(true);
  EXPECT_EQ(frame->size(), QSize(CMainFrame::kInitialWidth, CMainFrame::kInitialHeight));
  frame->show();
  frame->setGeometry(QRect(60, 50, 900, 640));
  QCoreApplication::processEvents();
  const QRect closedWith = frame->geometry();
  EndViewer();

  StartViewer(true);
  EXPECT_EQ(frame->geometry(), closedWith);
}

TEST_F(MainWindowDesktopTest, DamagedGeometrySettingLeavesTheFirstSize) {
  for (const QByteArray& damaged : {QByteArray("not a geometry"), QByteArray(64 * 1024, '\x01'),
                                    QByteArray::fromHex("01d9d0cb0003000000000000")}) {
    {
      std::unique_ptr<QSettings> store = OpenSettingsStore(SettingsKeyFor(0));
      ASSERT_TRUE(store);
      store->setValue(QStringLiteral("Settings/WindowGeometry"), damaged);
    }
    StartViewer(true);
    EXPECT_EQ(frame->size(), QSize(CMainFrame::kInitialWidth, CMainFrame::kInitialHeight)) << damaged.size();
    frame.reset();
    doc.reset();
  }
}

// For the documentation, not a check, and so left out of ctest: the target
// window-screenshot runs it on a display (Xvfb) with
// SELVO_SCREENSHOT_DIR set, pictures the window after the recording named by
// SELVO_SCREENSHOT_RECORDING (else a small one) was dropped onto it.
TEST_F(MainWindowDesktopTest, PictureOfTheWindowAfterADrop) {
  const QString directory = qEnvironmentVariable("SELVO_SCREENSHOT_DIR");
  if (directory.isEmpty()) GTEST_SKIP() << "SELVO_SCREENSHOT_DIR not set";
  QString recording = qEnvironmentVariable("SELVO_SCREENSHOT_RECORDING");
  if (recording.isEmpty())
    recording = QString::fromStdString(test::WriteSmallRecording(scratch, "rec", {{0}, {0}, {0}}, true, 352, 240));
  StartViewer(false);
  frame->show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return frame->windowHandle() && frame->windowHandle()->isExposed(); }));
  const auto data = UrlsOf({QUrl::fromLocalFile(recording)});
  ASSERT_TRUE(DropOnto(*frame, *data));
  ASSERT_TRUE(ProcessEventsUntil([&] { return doc->HasSource(); }));
  QElapsedTimer settle;
  settle.start();
  ProcessEventsUntil([&] { return settle.elapsed() > 500; });
  const QPixmap picture = frame->screen()->grabWindow(frame->winId());
  EXPECT_TRUE(picture.save(directory + QStringLiteral("/folder-dropped.png")));
}

}  // namespace
}  // namespace selvo
