#include "view/FixedSplitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSplitterHandle>

namespace selvo {

namespace {

// A bar that looks like a flat panel gap and ignores the mouse, so it can
// neither be dragged nor change the cursor.
class FixedSplitterHandle : public QSplitterHandle {
 public:
  FixedSplitterHandle(Qt::Orientation orientation, QSplitter* parent) : QSplitterHandle(orientation, parent) {
    setCursor(Qt::ArrowCursor);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
  }
};

}  // namespace

FixedSplitter::FixedSplitter(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
  setHandleWidth(kBarHeight);
  setChildrenCollapsible(false);
  setOpaqueResize(false);
}

void FixedSplitter::SetFixedRowHeight(int row, int height) {
  for (int i = 0; i < count(); ++i) {
    if (i == row) {
      widget(i)->setFixedHeight(height);
      setStretchFactor(i, 0);
    } else {
      setStretchFactor(i, 1);
    }
  }
}

QSplitterHandle* FixedSplitter::createHandle() { return new FixedSplitterHandle(orientation(), this); }

}  // namespace selvo
