#pragma once
// The picture of the current pane on which the user drags the areas of a
// motion search: a plain drag adds an area to search, a drag with Shift an
// area to leave out. Areas are kept in the recorded picture's pixels
// whatever size the picture is drawn at.
#include <QImage>
#include <QWidget>

#include <vector>

#include "source/motion/MotionRect.h"

namespace selvo {

class MotionAreaPicker : public QWidget {
  Q_OBJECT

 public:
  explicit MotionAreaPicker(QWidget* parent = nullptr);

  // A picture of another size forgets the areas: they were drawn for it.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  const std::vector<MotionRect>& Areas() const { return areas_; }
  const std::vector<MotionRect>& Ignores() const { return ignores_; }
  void ClearAreas();
  // Where the picture is drawn in the widget.
  QRect PictureRect() const;

  QSize sizeHint() const override { return {480, 330}; }

 signals:
  void areasChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPoint ToPicture(const QPoint& widgetPoint) const;
  QRect ToWidget(const MotionRect& area) const;
  MotionRect DraggedArea() const;

  QImage picture_;
  std::vector<MotionRect> areas_;
  std::vector<MotionRect> ignores_;
  bool dragging_ = false;
  bool draggingIgnore_ = false;
  QPoint dragStart_;  // picture pixels
  QPoint dragEnd_;
};

}  // namespace selvo
