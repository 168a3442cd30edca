#pragma once
// A button drawn with pictures instead of a frame: one picture each for the
// up, pressed, focused and disabled states, loaded by resource number
// (":/panel/<id>.png"). The widget takes the outline of its up picture as
// its mask, so clicks on the magenta surroundings reach the panel behind.
// Its tooltip is the string-table text with the same number as the control.
#include <QAbstractButton>
#include <QImage>

namespace selvo {

// The picture of a panel bitmap resource; null when the id is 0 or unknown.
QImage LoadSkinBitmap(int resourceId);
// The picture to draw at a device pixel ratio: above 1 the double-size
// partner (<id>@2x.png, ratio 2 set, transparent outside the outline) when
// there is one, else the keyed picture.
QImage LoadSkinBitmapForRatio(int resourceId, qreal devicePixelRatio);

class SkinButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Drawing states, first match wins in this order.
  struct ItemState {
    bool pressed = false;
    bool focused = false;
    bool disabled = false;
  };

  SkinButton(int controlId, QWidget* parent = nullptr);
  int ControlId() const { return controlId_; }

  // Stores the four ids, shapes the widget by the normal picture and sizes
  // it to that picture. False when the normal picture cannot be loaded (the
  // widget then stays a plain rectangle).
  virtual bool LoadSkin(int normalId, int downId, int focusId, int disabledId);
  // The picture id drawn in a state.
  virtual int BitmapIdFor(const ItemState& state) const;
  // Appends a line to the string-table tooltip (the keyboard shortcut).
  void SetTooltipSuffix(const QString& suffix);

  // A picture was loaded: the widget has its picture's size and outline.
  bool HasPicture() const { return bitmapSize_.isValid(); }
  QSize sizeHint() const override;
  // The up picture is transparent throughout: nothing to see or click.
  bool IsShapeless() const { return shapeless_; }

 protected:
  bool hitButton(const QPoint& pos) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  ItemState CurrentState() const;
  void DrawBitmap(int resourceId);
  void ApplyWindowRegion(int resourceId);
  // Size and outline from a picture; magenta is outside.
  void ApplyShape(const QImage& picture);

  int normalId_ = 0;
  int downId_ = 0;
  int focusId_ = 0;
  int disabledId_ = 0;

 private:
  int controlId_;
  QSize bitmapSize_;
  bool shapeless_ = false;
};

}  // namespace selvo
