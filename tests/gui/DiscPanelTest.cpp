// A recorder disc in the main window: the position slider browses it, the
// panel keeps the times it has read, Start Copy follows the range after
// play, the drive is waited for under the wait cursor, a disc that cannot
// be opened says why, and the panel's controls are whole and apart at the
// window's minimum size in both languages.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/PlaybackClock.h"
#include "panel/CSelvoFormView.h"
#include "source/DiscImageFileDevice.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallDisc.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using Panel = CSelvoFormView;

// Time jumps to every due moment at once, so a play loop runs to its end.
class InstantClock : public PlaybackClock {
 public:
  std::int64_t NowMs() override { return now_; }
  void HandlePendingEvents() override { QCoreApplication::processEvents(); }
  void WaitForEventsUntil(std::int64_t dueMs) override {
    QCoreApplication::processEvents();
    now_ = std::max(now_, dueMs);
  }

 private:
  std::int64_t now_ = 0;
};

// What was said, and which cursor was up while it was said.
class CursorNotifier : public Notifier {
 public:
  void Notify(NoticeKind, const std::string& text) override {
    texts.push_back(text);
    waitCursorWhileTold.push_back(QApplication::overrideCursor() != nullptr);
  }
  std::vector<std::string> texts;
  std::vector<bool> waitCursorWhileTold;
};

// The disc-image device, noting the cursor while the "drive" opens.
class CursorNotingDevice : public DiscImageFileDevice {
 public:
  explicit CursorNotingDevice(std::vector<Qt::CursorShape>& seen) : seen_(seen) {}
  int OpenByPath(const std::string& path) override {
    const QCursor* cursor = QApplication::overrideCursor();
    seen_.push_back(cursor ? cursor->shape() : Qt::ArrowCursor);
    return DiscImageFileDevice::OpenByPath(path);
  }

 private:
  std::vector<Qt::CursorShape>& seen_;
};

class DiscPanelTest : public ::testing::Test {
 protected:
  explicit DiscPanelTest(UiLanguage language = UiLanguage::English) {
    SetUiLanguage(language);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    doc->SetPlaybackClock(&clock);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
    panel = static_cast<Panel*>(frame->PanelStrip());
    doc->SetDiscDeviceFactory(
        [this](const std::string&) { return std::make_unique<CursorNotingDevice>(cursorsWhileOpening); });
  }
  ~DiscPanelTest() override {
    frame.reset();
    SetUiLanguage(UiLanguage::English);
  }

  void OpenDisc(int count) {
    test::WriteSmallDisc(scratch / "disc.img", count);
    ASSERT_EQ(doc->OpenDisc(scratch / "disc.img"), CSelvoViewerDoc::OpenOutcome::Opened);
  }
  QString Text(int id) const { return static_cast<QLabel*>(panel->Control(id))->text(); }
  QString TimeText(int number) const {
    return QString::fromStdString(doc->FormatImageTime(test::SmallDiscTime(number)));
  }
  bool Enabled(int id) const { return panel->Control(id)->isEnabled(); }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  CursorNotifier notifier;
  InstantClock clock;
  std::vector<Qt::CursorShape> cursorsWhileOpening;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
  Panel* panel = nullptr;
};

TEST_F(DiscPanelTest, PositionSliderMoveShowsTheRecordAtThatPosition) {
  OpenDisc(6);
  ASSERT_EQ(doc->GetPosition(), 0);
  panel->GetPositionSlider()->setValue(4);
  EXPECT_EQ(doc->GetPosition(), 3);
  EXPECT_EQ(doc->GetCurrentTime(), test::SmallDiscTime(4));
  EXPECT_TRUE(doc->HasImage());
  EXPECT_EQ(panel->GetPositionSlider()->value(), 4);
  EXPECT_EQ(Text(Panel::kImageNumber), "4 / 6");
  EXPECT_EQ(Text(Panel::kCurrentTime), TimeText(4));
}

TEST_F(DiscPanelTest, FirstAndLastTimesShowOnceReadAndStay) {
  OpenDisc(6);
  const QString noTime = QStringLiteral("----.--.-- --:--:--");
  EXPECT_EQ(Text(Panel::kFirstTime), TimeText(1));
  EXPECT_EQ(Text(Panel::kLastTime), noTime);  // not read yet
  doc->GoNext(true);
  EXPECT_EQ(Text(Panel::kFirstTime), TimeText(1));
  EXPECT_EQ(Text(Panel::kCurrentTime), TimeText(2));
  doc->GoLast(true);
  EXPECT_EQ(Text(Panel::kLastTime), TimeText(6));
  doc->GoFirst(true);
  EXPECT_EQ(Text(Panel::kLastTime), TimeText(6));
  EXPECT_EQ(Text(Panel::kFirstTime), TimeText(1));
}

TEST_F(DiscPanelTest, StartCopyIsEnabledAgainAfterReversePlayEndsOnItsOwn) {
  OpenDisc(6);
  for (int n = 1; n < 3; ++n) doc->GoNext(true);
  panel->Click(Panel::kSetCopyStart);
  for (int n = 3; n < 5; ++n) doc->GoNext(true);
  panel->Click(Panel::kSetCopyEnd);
  ASSERT_TRUE(Enabled(Panel::kStartCopy));

  panel->Click(Panel::kReversePlay);

  EXPECT_FALSE(doc->IsPlaying());
  EXPECT_EQ(doc->GetPosition(), 0);
  EXPECT_TRUE(Enabled(Panel::kStartCopy));
  EXPECT_TRUE(Enabled(Panel::kSetCopyStart));
}

TEST_F(DiscPanelTest, OpenWaitsForTheDriveUnderTheWaitCursorAndTellsAfterwards) {
  OpenDisc(3);
  EXPECT_EQ(cursorsWhileOpening, std::vector<Qt::CursorShape>{Qt::WaitCursor});
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // A missing image: said with its path and why, with the arrow back.
  const std::string missing = scratch / "no-such.img";
  EXPECT_EQ(doc->OpenDisc(missing), CSelvoViewerDoc::OpenOutcome::Empty);
  ASSERT_EQ(notifier.texts.size(), 1u);
  EXPECT_EQ(notifier.texts[0], "Cannot open \"" + missing + "\": " + std::strerror(ENOENT));
  EXPECT_FALSE(notifier.waitCursorWhileTold[0]);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Every control the panel shows lies inside it, clear of the tab's diagonal
// edge, apart from the others, and big enough for its text: in English and
// Japanese, for a disc (copy controls) and a two-channel sound recording
// (1ch / 2ch), with the window at its minimum size.
struct LayoutCase {
  UiLanguage language;
  bool disc;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
  *out << (c.language == UiLanguage::Japanese ? "Japanese" : "English") << (c.disc ? " disc" : " two-channel sound");
}

class PanelLayoutTest : public DiscPanelTest, public ::testing::WithParamInterface<LayoutCase> {
 protected:
  PanelLayoutTest() : DiscPanelTest(GetParam().language) {}
};

bool TextIsWhole(const QWidget* control) {
  if (auto* button = qobject_cast<const QAbstractButton*>(control))
    return control->width() >= button->sizeHint().width() && control->height() >= button->minimumSizeHint().height();
  auto* label = qobject_cast<const QLabel*>(control);
  if (!label || label->text().isEmpty()) return true;
  const QFontMetrics metrics(label->font());
  const int room = label->contentsRect().width();
  if (!label->wordWrap()) return metrics.horizontalAdvance(label->text()) <= room;
  for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (metrics.horizontalAdvance(word) > room) return false;
  }
  return label->heightForWidth(label->width()) <= label->height();
}

TEST_P(PanelLayoutTest, ControlsAreWholeApartAndInsideAtTheMinimumWindowSize) {
  if (GetParam().disc) {
    OpenDisc(3);
  } else {
    panel->UpdateSoundControls(1, 1);  // an MP3 recording's 1ch / 2ch boxes
  }
  frame->show();
  QApplication::processEvents();
  EXPECT_LE(frame->minimumWidth(), 1024);
  frame->resize(frame->minimumSize());
  QApplication::processEvents();
  ASSERT_EQ(frame->width(), frame->minimumWidth());

  // The longest texts the read-outs can hold.
  const auto setText = [&](int id, const char* text) {
    static_cast<QLabel*>(panel->Control(id))->setText(QString::fromUtf8(text));
  };
  for (int id : {Panel::kFirstTime, Panel::kLastTime, Panel::kCurrentTime}) setText(id, "2006/12/28 23:59:59");
  setText(Panel::kImageNumber, "51263 / 51263");
  setText(Panel::kChannelSingle, "16");
  setText(Panel::kCopyStartNumber, "51263");
  setText(Panel::kCopyEndNumber, "51263");

  std::vector<QWidget*> shown;
  for (QWidget* child : panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child->isVisible()) shown.push_back(child);
  }
  const QRect inside = panel->rect();
  const int stripBottom = 2 + panel->GetPositionSlider()->height() + 18;
  const int tabRight = panel->Control(Panel::kSpeedSlider)->geometry().right() + 1 + 4;
  for (int id : {Panel::kSetCopyStart, Panel::kStartCopy, Panel::kImageNumber})
    EXPECT_EQ(panel->Control(id)->isVisible(), id != Panel::kSetCopyStart && id != Panel::kStartCopy ? true : GetParam().disc);
  for (QWidget* control : shown) {
    const QRect r = control->geometry();
    const std::string name = control->metaObject()->className() + std::string(" ") +
                             (qobject_cast<QLabel*>(control)      ? static_cast<QLabel*>(control)->text().toStdString()
                              : qobject_cast<QAbstractButton*>(control) ? static_cast<QAbstractButton*>(control)->text().toStdString()
                                                                        : std::string());
    EXPECT_TRUE(inside.contains(r)) << name;
    EXPECT_TRUE(TextIsWhole(control)) << name;
    // Right of the tab, nothing may cross its diagonal edge.
    if (r.left() >= tabRight) {
      EXPECT_GE(r.left(), tabRight + (panel->height() - r.top())) << name;
    }
    if (r.top() >= stripBottom) {
      EXPECT_TRUE(r.right() < tabRight || r.left() >= tabRight) << name;
    }
    for (QWidget* other : shown) {
      if (other != control) {
        EXPECT_FALSE(r.intersects(other->geometry())) << name;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, PanelLayoutTest,
                         ::testing::Values(LayoutCase{UiLanguage::English, true}, LayoutCase{UiLanguage::English, false},
                                           LayoutCase{UiLanguage::Japanese, true},
                                           LayoutCase{UiLanguage::Japanese, false}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return std::string(info.param.language == UiLanguage::Japanese ? "Japanese" : "English") +
                                  (info.param.disc ? "Disc" : "TwoChannelSound");
                         });

}  // namespace
}  // namespace selvo
