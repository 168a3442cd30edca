#include "panel/PanelLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QtGlobal>

#include <algorithm>

#include "panel/CSelvoFormView.h"

namespace selvo {

namespace {

using Panel = CSelvoFormView;

// The form's rows and sizes, in dialog units; the controls of a row follow
// one another by their real widths (pictures, texts in either language), so
// that none covers another whatever the font.
constexpr FormRect kFirstTimeForm{5, 6, 38, 16};
constexpr FormRect kPositionSliderForm{45, 6, 350, 14};
constexpr FormRect kLastTimeForm{427, 6, 38, 16};
constexpr FormRect kStepButtonForm{5, 27, 30, 28};
constexpr FormRect kPlayButtonForm{74, 25, 40, 36};
constexpr FormRect kSpeedSliderForm{135, 33, 50, 11};
constexpr FormRect kSoundForm{215, 32, 26, 26};
constexpr FormRect kSoundChannelForm{236, 28, 25, 13};
constexpr FormRect kVolumeForm{236, 40, 55, 10};
constexpr FormRect kIconForm{297, 32, 10, 14};
constexpr FormRect kChannelSingleForm{318, 35, 12, 11};
constexpr FormRect kChannelPaneForm{318, 31, 13, 10};
constexpr FormRect kChannelPaneLowerForm{318, 40, 13, 10};
constexpr FormRect kCurrentTimeForm{373, 31, 42, 18};
constexpr FormRect kImageNumberForm{443, 35, 64, 11};
constexpr FormRect kCopyNumberForm{267, 36, 43, 14};

constexpr int kStepGap = 3;       // between the step buttons
constexpr int kPlayGap = 8;       // before the play buttons and the speed
constexpr int kFieldGap = 5;      // between an icon and its read-out
constexpr int kGroupGap = 10;     // between groups of controls
constexpr int kRowGap = 4;        // between rows, and inside a group
constexpr int kEdgeMargin = 8;    // from the panel's right and bottom edges
constexpr int kTabClearance = 4;  // from the tab's diagonal edge

// Places the controls one after another and keeps what it placed.
class Placer {
 public:
  explicit Placer(const PanelMeasures& m) : m_(m) {}

  QRect Place(int id, QPoint topLeft, QSize size) { return geometry.controls[id] = QRect(topLeft, size); }
  // A skinned button takes its picture's size, anything else the form's.
  QSize PlacedSize(int id, const QRect& formRect) const {
    const auto picture = m_.pictures.find(id);
    return picture == m_.pictures.end() ? formRect.size() : picture->second;
  }
  QSize Hint(int id) const {
    const auto hint = m_.hints.find(id);
    return hint == m_.hints.end() ? QSize() : hint->second;
  }
  // The tab's diagonal runs from its bottom-left corner up to the strip: a
  // control whose top is at `top` must start right of where it crosses.
  int ClearOfTab(int top, int panelHeight) const {
    return geometry.tabRight + std::max(0, panelHeight - top) + kTabClearance;
  }

  void UpperStrip();
  void Tab();
  int SoundGroup(int x, int panelHeight);
  void LowerArea(bool disc);

  PanelGeometry geometry;

 private:
  const PanelMeasures& m_;
};

void Placer::UpperStrip() {
  const DialogUnits& units = m_.units;
  QRect first = units.Rect(kFirstTimeForm);
  first.setWidth(std::max(first.width(), m_.timeTextWidth));
  geometry.controls[Panel::kFirstTime] = first;
  QRect slider = units.Rect(kPositionSliderForm);
  slider.moveLeft(first.right() + 1 + units.Point(kPositionSliderForm.x - kFirstTimeForm.x - kFirstTimeForm.w, 0).x());
  geometry.controls[Panel::kPositionSlider] = slider;
  QRect last = units.Rect(kLastTimeForm);
  last.setWidth(first.width());
  geometry.controls[Panel::kLastTime] = last;
  geometry.stripBottom = 2 + slider.height() + 18;
}

void Placer::Tab() {
  const QRect step = m_.units.Rect(kStepButtonForm);
  const QRect play = m_.units.Rect(kPlayButtonForm);
  QRect r = Place(Panel::kPrevious, step.topLeft(), PlacedSize(Panel::kPrevious, step));
  r = Place(Panel::kStop, QPoint(r.right() + 1 + kStepGap, step.top()), PlacedSize(Panel::kStop, step));
  r = Place(Panel::kNext, QPoint(r.right() + 1 + kStepGap, step.top()), PlacedSize(Panel::kNext, step));
  r = Place(Panel::kReversePlay, QPoint(r.right() + 1 + kPlayGap, play.top()), PlacedSize(Panel::kReversePlay, play));
  r = Place(Panel::kPlay, QPoint(r.right() + 2, play.top()), PlacedSize(Panel::kPlay, play));
  // "Speed" stands above its slider, both inside the tab.
  const QSize label = Hint(kSpeedLabel);
  const QRect labelRect = Place(kSpeedLabel, QPoint(r.right() + 1 + kPlayGap, geometry.stripBottom + 1), label);
  QRect slider = m_.units.Rect(kSpeedSliderForm);
  slider.moveLeft(labelRect.x() + 1);
  slider.moveTop(std::max(slider.top(), labelRect.bottom() + 1));
  slider.setWidth(std::max(slider.width(), label.width()));
  geometry.controls[Panel::kSpeedSlider] = slider;
  geometry.tabRight = slider.right() + 1 + 4;
}

// The sound button, then 1ch and 2ch over the volume slider; the right edge
// of the group.
int Placer::SoundGroup(int x, int panelHeight) {
  const QRect soundForm = m_.units.Rect(kSoundForm);
  const QRect sound = Place(Panel::kSound, QPoint(std::max(x, ClearOfTab(soundForm.top(), panelHeight)), soundForm.top()),
                            PlacedSize(Panel::kSound, soundForm));
  const QRect boxForm = m_.units.Rect(kSoundChannelForm);
  const auto boxSize = [&](int id) {
    const QSize hint = Hint(id);
    return QSize(std::max(boxForm.width(), hint.width()), std::max(boxForm.height(), hint.height()));
  };
  const int boxesLeft = sound.right() + 1 + kFieldGap;
  const QRect box1 = Place(Panel::kSoundChannel1, QPoint(boxesLeft, boxForm.top()), boxSize(Panel::kSoundChannel1));
  const QRect box2 =
      Place(Panel::kSoundChannel2, QPoint(box1.right() + 1 + kRowGap, boxForm.top()), boxSize(Panel::kSoundChannel2));
  const QRect volumeForm = m_.units.Rect(kVolumeForm);
  const int volumeTop = std::max(volumeForm.top(), box1.bottom() + 1);
  const int volumeHeight = std::min(volumeForm.height(), panelHeight - kEdgeMargin / 2 - volumeTop);
  const QRect volume = Place(Panel::kVolumeSlider, QPoint(boxesLeft, volumeTop),
                             QSize(std::max(volumeForm.width(), box2.right() - boxesLeft + 1), volumeHeight));
  return std::max({sound.right(), box2.right(), volume.right()});
}

void Placer::LowerArea(bool disc) {
  const DialogUnits& units = m_.units;
  // Rows first: the read-outs at the form's height, the copy row under them.
  const QRect icon = units.Rect(kIconForm);
  const QSize iconSize = PlacedSize(Panel::kChannelIcon, icon);
  const QRect single = units.Rect(kChannelSingleForm);
  const QRect pane = units.Rect(kChannelPaneForm);
  const QRect paneLower = units.Rect(kChannelPaneLowerForm);
  QRect time = units.Rect(kCurrentTimeForm);
  time.setWidth(std::max(time.width(), m_.timeTextWidth));
  if (m_.timeHeightForWidth) time.setHeight(std::max(time.height(), m_.timeHeightForWidth(time.width())));
  const QRect number = units.Rect(kImageNumberForm);
  const int readOutTop = std::min({icon.top(), single.top(), pane.top(), time.top()});
  const int readOutBottom =
      std::max({icon.top() + iconSize.height() - 1, single.bottom(), paneLower.bottom(), time.bottom(), number.bottom()});

  int copyRowTop = 0;
  int copyRowHeight = 0;
  int height = CSelvoFormView::kPanelHeight;
  if (disc) {
    for (int id : {Panel::kSetCopyStart, Panel::kSetCopyEnd, Panel::kStartCopy})
      copyRowHeight = std::max(copyRowHeight, Hint(id).height());
    copyRowTop = readOutBottom + 1 + kRowGap;
    height = std::max(height, copyRowTop + copyRowHeight + kEdgeMargin);
  }

  int x = ClearOfTab(readOutTop, height);
  if (!disc) x = SoundGroup(x, height) + 1 + kGroupGap;

  // Channel, time and image number, each after its icon.
  QRect r = Place(Panel::kChannelIcon, QPoint(x, icon.top()), iconSize);
  const int fieldLeft = r.right() + 1 + kFieldGap;
  const int channelWidth = std::max(single.width(), m_.channelTextWidth);
  const int paneWidth = std::max(pane.width(), m_.channelTextWidth);
  Place(Panel::kChannelSingle, QPoint(fieldLeft, single.top()), QSize(channelWidth, single.height()));
  Place(Panel::kChannelPane1, QPoint(fieldLeft, pane.top()), QSize(paneWidth, pane.height()));
  Place(Panel::kChannelPane2, QPoint(fieldLeft + paneWidth, pane.top()), QSize(paneWidth, pane.height()));
  const int paneLowerTop = std::max(paneLower.top(), pane.bottom() + 1);
  Place(Panel::kChannelPane3, QPoint(fieldLeft, paneLowerTop), QSize(paneWidth, paneLower.height()));
  Place(Panel::kChannelPane4, QPoint(fieldLeft + paneWidth, paneLowerTop), QSize(paneWidth, paneLower.height()));
  const int channelRight = fieldLeft + std::max(channelWidth, 2 * paneWidth) - 1;
  r = Place(Panel::kTimeIcon, QPoint(channelRight + 1 + kGroupGap, icon.top()), PlacedSize(Panel::kTimeIcon, icon));
  r = Place(Panel::kCurrentTime, QPoint(r.right() + 1 + kFieldGap, time.top()), time.size());
  r = Place(Panel::kNumberIcon, QPoint(r.right() + 1 + kGroupGap, icon.top()), PlacedSize(Panel::kNumberIcon, icon));
  r = Place(Panel::kImageNumber, QPoint(r.right() + 1 + kFieldGap, number.top()),
            QSize(std::max(number.width(), m_.imageNumberTextWidth), number.height()));
  int right = r.right();

  if (disc) {
    // Start image and its number, end image and its number, Start Copy.
    const int numberWidth = std::max(units.Rect(kCopyNumberForm).width(), m_.copyNumberTextWidth);
    const auto button = [&](int id) { return QSize(Hint(id).width(), copyRowHeight); };
    const QSize numberSize(numberWidth, copyRowHeight);
    r = Place(Panel::kSetCopyStart, QPoint(ClearOfTab(copyRowTop, height), copyRowTop), button(Panel::kSetCopyStart));
    r = Place(Panel::kCopyStartNumber, QPoint(r.right() + 1 + kRowGap, copyRowTop), numberSize);
    r = Place(Panel::kSetCopyEnd, QPoint(r.right() + 1 + kGroupGap, copyRowTop), button(Panel::kSetCopyEnd));
    r = Place(Panel::kCopyEndNumber, QPoint(r.right() + 1 + kRowGap, copyRowTop), numberSize);
    r = Place(Panel::kStartCopy, QPoint(r.right() + 1 + kGroupGap, copyRowTop), button(Panel::kStartCopy));
    right = std::max(right, r.right());
  }
  geometry.height = height;
  geometry.requiredWidth = right + 1 + kEdgeMargin;
}

}  // namespace

DialogUnits DialogUnits::For(int alphabetWidth, int fontHeight) {
  DialogUnits units;
  units.baseX = qBound(4, (alphabetWidth / 26 + 1) / 2, 6);
  units.baseY = qBound(8, fontHeight, 13);
  return units;
}

DialogUnits DialogUnits::For(const QFont& font) {
  const QFontMetrics metrics(font);
  return For(metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
             metrics.height());
}

PanelGeometry LayOutPanel(const PanelMeasures& measures, bool disc) {
  Placer placer(measures);
  placer.UpperStrip();
  placer.Tab();
  placer.LowerArea(disc);
  return placer.geometry;
}

void AlignRight(int width, QRect& lastTime, QRect& slider) {
  lastTime.moveRight(width - 1 - 8);
  slider.setRight(qMax(slider.left() + 10, lastTime.left() - 10 - 1));
}

std::vector<EdgeLine> PanelEdges(int w, int h, int stripBottom, int tabRight) {
  std::vector<EdgeLine> lines;
  enum Side { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
  // Rectangles as (left, top, right, bottom) with exclusive right and bottom;
  // the outer line sits on the last pixel inside.
  const auto edge = [&lines](int l, int t, int r, int b, int sides) {
    const int rr = r - 1, bb = b - 1;
    const auto line = [&lines](EdgeShade shade, int x1, int y1, int x2, int y2) {
      lines.push_back({shade, QPoint(x1, y1), QPoint(x2, y2)});
    };
    if (sides & kLeft) {
      line(EdgeShade::OuterLight, l, t, l, bb);
      line(EdgeShade::InnerLight, l + 1, t + 1, l + 1, bb - 1);
    }
    if (sides & kTop) {
      line(EdgeShade::OuterLight, l, t, rr, t);
      line(EdgeShade::InnerLight, l + 1, t + 1, rr - 1, t + 1);
    }
    if (sides & kRight) {
      line(EdgeShade::OuterDark, rr, t, rr, bb);
      line(EdgeShade::InnerDark, rr - 1, t + 1, rr - 1, bb - 1);
    }
    if (sides & kBottom) {
      line(EdgeShade::OuterDark, l, bb, rr, bb);
      line(EdgeShade::InnerDark, l + 1, bb - 1, rr - 1, bb - 1);
    }
  };
  edge(0, 2, w - 3, stripBottom, kRight);
  edge(2, 0, tabRight, h, kBottom);
  // The tab's diagonal, from its bottom-left corner up to the strip.
  const int diagonalRight = tabRight + h - stripBottom - 1;
  lines.push_back({EdgeShade::OuterDark, QPoint(tabRight, h - 1), QPoint(diagonalRight, stripBottom)});
  lines.push_back({EdgeShade::InnerDark, QPoint(tabRight, h - 2), QPoint(diagonalRight - 1, stripBottom)});
  edge(tabRight + h - stripBottom, 2, w - 4, stripBottom, kBottom);
  edge(1, 1, w - 4, h - 1, kLeft | kTop);
  return lines;
}

}  // namespace selvo
