#pragma once
// Counts the paint events a widget receives: a picture counts as shown when
// the view painted after it, not when a position or an index moved.
#include <QEvent>
#include <QObject>

namespace selvo::bench {

class PaintCounter : public QObject {
 public:
  int painted = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++painted;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace selvo::bench
