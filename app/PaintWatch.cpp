#include "app/PaintWatch.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace selvo {

namespace {

// Lives on the widget until it has run the work once.
class PaintWatch : public QObject {
 public:
  PaintWatch(QWidget* widget, std::function<void()> work) : QObject(widget), work_(std::move(work)) {
    widget->installEventFilter(this);
    QTimer::singleShot(kPaintWaitLimit, this, [this] { Run(); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The paint is under way: the work goes after it, and after the flush
    // that puts it on the screen.
    if (event->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { Run(); });
    return QObject::eventFilter(watched, event);
  }

 private:
  void Run() {
    if (!work_) return;
    parent()->removeEventFilter(this);
    const std::function<void()> work = std::move(work_);
    work_ = nullptr;
    deleteLater();
    work();
  }

  std::function<void()> work_;
};

}  // namespace

void RunAfterNextPaint(QWidget* widget, std::function<void()> work) { new PaintWatch(widget, std::move(work)); }

}  // namespace selvo
