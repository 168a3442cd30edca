// The control panel's geometry from measured sizes, without a window: the
// controls of the form never overlap, stay inside the panel and clear of
// the tab's diagonal edge, whatever the texts and pictures measure.
#include <gtest/gtest.h>

#include <QFont>

#include "panel/CSelvoFormView.h"
#include "panel/PanelLayout.h"

namespace selvo {
namespace {

using Panel = CSelvoFormView;

PanelMeasures Measures(int textScale) {
  PanelMeasures m;
  m.units = DialogUnits::For(26 * 12, 12);
  // The sizes of the pictures in res/panel.
  for (int id : {Panel::kPrevious, Panel::kStop, Panel::kNext}) m.pictures[id] = QSize(30, 28);
  for (int id : {Panel::kPlay, Panel::kReversePlay}) m.pictures[id] = QSize(40, 36);
  m.pictures[Panel::kSound] = QSize(26, 26);
  for (int id : {Panel::kChannelIcon, Panel::kTimeIcon, Panel::kNumberIcon}) m.pictures[id] = QSize(26, 26);
  m.hints[kSpeedLabel] = QSize(10 * textScale, 14);
  m.hints[Panel::kSoundChannel1] = m.hints[Panel::kSoundChannel2] = QSize(12 * textScale, 16);
  for (int id : {Panel::kSetCopyStart, Panel::kSetCopyEnd, Panel::kStartCopy}) m.hints[id] = QSize(30 * textScale, 24);
  m.timeTextWidth = 20 * textScale;
  m.channelTextWidth = 5 * textScale;
  m.imageNumberTextWidth = 25 * textScale;
  m.copyNumberTextWidth = 15 * textScale;
  m.timeHeightForWidth = [](int width) { return width < 100 ? 32 : 16; };
  return m;
}

// The last time and the position slider are placed again at the panel's
// right edge (AlignRight).
bool MovedLater(int id) { return id == Panel::kLastTime || id == Panel::kPositionSlider; }
// The single channel field and the four of a split are never shown together.
bool ChannelField(int id) { return id >= Panel::kChannelSingle && id <= Panel::kChannelPane4; }

TEST(PanelGeometryTest, ControlsNeitherOverlapNorCrossTheTabNorLeaveThePanel) {
  for (const bool disc : {false, true}) {
    for (const int textScale : {3, 6}) {
      SCOPED_TRACE(std::string(disc ? "disc " : "folder ") + std::to_string(textScale));
      const PanelGeometry g = LayOutPanel(Measures(textScale), disc);
      EXPECT_EQ(g.controls.count(Panel::kSound), disc ? 0u : 1u);
      EXPECT_EQ(g.controls.count(Panel::kStartCopy), disc ? 1u : 0u);
      EXPECT_GE(g.height, Panel::kPanelHeight);
      EXPECT_EQ(g.height > Panel::kPanelHeight, disc) << "only a disc's copy row makes the panel taller";
      EXPECT_EQ(g.tabRight, g.controls.at(Panel::kSpeedSlider).right() + 1 + 4);
      for (const auto& [id, r] : g.controls) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(r.isEmpty());
        EXPECT_GE(r.left(), 0);
        EXPECT_GE(r.top(), 0);
        EXPECT_LT(r.bottom(), g.height);
        if (id != Panel::kPositionSlider && id != Panel::kLastTime) EXPECT_LT(r.right(), g.requiredWidth);
        if (r.left() >= g.tabRight) EXPECT_GE(r.left(), g.tabRight + (g.height - r.top()));
        if (r.top() >= g.stripBottom) EXPECT_TRUE(r.right() < g.tabRight || r.left() >= g.tabRight);
        for (const auto& [other, o] : g.controls) {
          if (other == id || MovedLater(id) || MovedLater(other) || (ChannelField(id) && ChannelField(other))) continue;
          EXPECT_FALSE(r.intersects(o)) << "overlaps " << other;
        }
      }
    }
  }
}

TEST(PanelGeometryTest, LongerTextsWidenThePanelAndTheTimeReadOutWrapsInHeight) {
  const PanelGeometry narrow = LayOutPanel(Measures(3), false);
  const PanelGeometry wide = LayOutPanel(Measures(6), false);
  EXPECT_GT(wide.requiredWidth, narrow.requiredWidth);
  EXPECT_GT(wide.controls.at(Panel::kImageNumber).left(), narrow.controls.at(Panel::kImageNumber).left());
  EXPECT_EQ(narrow.controls.at(Panel::kCurrentTime).height(), 32);  // narrow: two lines
  EXPECT_EQ(wide.controls.at(Panel::kFirstTime).width(), 120);
  EXPECT_EQ(wide.controls.at(Panel::kLastTime).width(), 120);
}

TEST(PanelGeometryTest, DialogUnitsNeverOutgrowTheFormsScaleAndAlignRightKeepsTheSlider) {
  EXPECT_EQ(DialogUnits::For(26 * 40, 30).baseX, 6);
  EXPECT_EQ(DialogUnits::For(26 * 40, 30).baseY, 13);
  EXPECT_EQ(DialogUnits::For(26 * 2, 4).baseX, 4);
  EXPECT_EQ(DialogUnits::For(26 * 2, 4).baseY, 8);
  EXPECT_EQ(DialogUnits::For(26 * 10, 10).Rect({4, 8, 8, 16}), QRect(5, 10, 10, 20));
  const DialogUnits units = DialogUnits::For(QFont());
  EXPECT_GE(units.baseX, 4);
  EXPECT_LE(units.baseY, 13);

  QRect last(500, 6, 60, 20);
  QRect slider(60, 6, 400, 18);
  AlignRight(300, last, slider);
  EXPECT_EQ(last.right(), 300 - 1 - 8);
  EXPECT_EQ(slider.right(), last.left() - 11);
  AlignRight(100, last, slider);  // too narrow: the slider keeps a stub
  EXPECT_EQ(slider.width(), 11);
}

TEST(PanelGeometryTest, EdgesStayInsideThePanel) {
  const int w = 400, h = 80, stripBottom = 40, tabRight = 200;
  const std::vector<EdgeLine> lines = PanelEdges(w, h, stripBottom, tabRight);
  ASSERT_FALSE(lines.empty());
  const QRect panel(0, 0, w, h);
  for (const EdgeLine& line : lines) {
    EXPECT_TRUE(panel.contains(line.from) && panel.contains(line.to))
        << line.from.x() << "," << line.from.y() << " " << line.to.x() << "," << line.to.y();
  }
  // The diagonal meets the strip where the strip's lower edge begins.
  EXPECT_EQ(lines[4].from, QPoint(tabRight, h - 1));
  EXPECT_EQ(lines[4].to, QPoint(tabRight + h - stripBottom - 1, stripBottom));
}

}  // namespace
}  // namespace selvo
