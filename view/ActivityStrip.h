#pragma once
// The motion search's activity graph: a thin strip laid over the bottom edge
// of the position slider, each image's activity drawn at the slider's x of
// that image (the tallest of the images sharing a column), and the events
// under it in a colour of their own. It takes no mouse input: clicks reach
// the slider beneath. It follows the slider's size.
#include <QColor>
#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

namespace selvo {

class PositionSlider;

class ActivityStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 5;

  explicit ActivityStrip(PositionSlider* slider);

  // One value an image of the list (0..0xFFFE, 0xFFFF none), and the events
  // as first..last list indices; both empty hides the strip.
  void SetActivity(std::vector<std::uint16_t> activity, std::vector<std::pair<int, int>> events);
  const std::vector<std::pair<int, int>>& Events() const { return events_; }
  // Columns drawn as an event, for tests: x of the strip.
  bool IsEventColumn(int x) const;
  static QColor EventColour() { return QColor(0, 150, 255); }
  static QColor ActivityColour() { return QColor(40, 200, 60); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FollowSlider();
  // The strip's x span of list images first..last.
  std::pair<int, int> Columns(int first, int last) const;

  PositionSlider* slider_;
  std::vector<std::uint16_t> activity_;
  std::vector<std::pair<int, int>> events_;
};

}  // namespace selvo
