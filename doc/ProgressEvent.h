#pragma once
// One step of a worker's progress, posted to its progress dialog. The event
// type keeps the recorder viewer's message number, which lies in Qt's user
// range.
#include <QEvent>

namespace selvo {

class ProgressEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(0x46E);

  ProgressEvent(int position, int done) : QEvent(kType), position_(position), done_(done) {}
  int Position() const { return position_; }
  // 1 when the worker has finished.
  int Done() const { return done_; }

 private:
  int position_;
  int done_;
};

}  // namespace selvo
