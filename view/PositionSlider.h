#pragma once
// The position slider: 1-based image numbers 1..count. Pressing and
// releasing the mouse button on it post UM_SEEK_BEGIN / UM_SEEK_END to the
// parent (the panel), so a running playback pauses while the thumb is
// dragged. While its range is empty (no recording) it moves nowhere and
// reports no value changes.
#include <QEvent>
#include <QSlider>

namespace selvo {

// The recorder viewer's window-message numbers, kept as Qt event types in
// the user range: QEvent::User + 0x401 / + 0x402.
constexpr int kUmSeekBegin = 0x401;
constexpr int kUmSeekEnd = 0x402;
inline QEvent::Type SeekBeginEventType() { return static_cast<QEvent::Type>(QEvent::User + kUmSeekBegin); }
inline QEvent::Type SeekEndEventType() { return static_cast<QEvent::Type>(QEvent::User + kUmSeekEnd); }

class PositionSlider : public QSlider {
  Q_OBJECT

 public:
  explicit PositionSlider(QWidget* parent = nullptr);

  // Range 1..n; n < 1 leaves the empty range 0..0.
  void SetImageCount(int n);
  // The slider shows index + 1.
  void SetPositionIndex(int index);
  bool IsRangeEmpty() const { return minimum() == maximum(); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void PostToParent(QEvent::Type type);
};

}  // namespace selvo
