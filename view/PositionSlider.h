#pragma once
// The position slider: 1-based image numbers 1..count. Pressing and
// releasing the mouse button on it send UM_SEEK_BEGIN / post UM_SEEK_END to
// the parent (the panel), so a running playback pauses while the thumb is
// dragged. A press beside the thumb takes the thumb there and drags it: in
// play the thumb moves on while the hand reaches for it. While its range is
// empty (no recording) it moves nowhere and reports no value changes. Its groove can carry thin ticks at chosen
// image numbers: red for images a check objects to, amber for breaks in the
// time line; blue for bookmarks.
#include <QColor>
#include <QEvent>
#include <QRect>
#include <QSlider>

#include <vector>

class QPainter;

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

  // Image numbers (1-based) to tick; both empty draws none.
  void SetMarks(std::vector<int> alteredNumbers, std::vector<int> anomalyNumbers);
  const std::vector<int>& AlteredMarks() const { return alteredMarks_; }
  const std::vector<int>& AnomalyMarks() const { return anomalyMarks_; }
  // Image numbers (1-based) of bookmarks.
  void SetBookmarkMarks(std::vector<int> numbers);
  const std::vector<int>& BookmarkMarks() const { return bookmarkMarks_; }
  // The groove's x of an image number, where its tick is drawn.
  int MarkX(int number) const;
  static QColor AlteredMarkColour() { return QColor(220, 0, 0); }
  static QColor AnomalyMarkColour() { return QColor(255, 170, 0); }
  static QColor BookmarkMarkColour() { return QColor(0, 110, 255); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void PostToParent(QEvent::Type type);
  void SendToParent(QEvent::Type type);
  bool IsOnThumb(const QPoint& point) const;
  // Moves the thumb's centre under x, as a drag would.
  void PutThumbUnder(int x);
  struct MarkScale {
    QRect groove;
    int left = 0;
    int span = 0;
    bool upsideDown = false;
  };
  MarkScale CurrentMarkScale() const;
  int MarkX(const MarkScale& scale, int number) const;
  void DrawMarks(QPainter& painter, const MarkScale& scale, const std::vector<int>& numbers,
                 const QColor& colour) const;

  std::vector<int> alteredMarks_;
  std::vector<int> anomalyMarks_;
  std::vector<int> bookmarkMarks_;
};

}  // namespace selvo
