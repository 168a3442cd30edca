#pragma once
// The speed slider: positions 1..10 with a tooltip on each tick ("1".."5",
// "skip 1".."skip 5"), read through the play-speed table.
#include <QPoint>
#include <QSlider>

namespace selvo {

class SpeedSlider : public QSlider {
  Q_OBJECT

 public:
  explicit SpeedSlider(QWidget* parent = nullptr);

  int GetFrameInterval() const;
  int GetSkipCount() const;
  // The x position of tick i (0-based) in slider coordinates: the first at
  // the groove's left end, the last at its right end.
  int TickX(int tick) const;
  // The tick whose tooltip strip holds the point (2 px either side of the
  // tick, from just below the groove to the bottom), or -1.
  int TickAt(QPoint point) const;
  // String-table text of tick i: number 64460 + i.
  static QString TickText(int tick);

 protected:
  bool event(QEvent* event) override;

 private:
  int GrooveBottom() const;
};

}  // namespace selvo
