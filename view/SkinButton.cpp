#include "view/SkinButton.h"

#include <QHash>
#include <QMouseEvent>
#include <QPainter>

#include "source/text/StringTable.h"
#include "view/RegionFromBitmap.h"

static void RegisterPanelResources() { Q_INIT_RESOURCE(panel); }

namespace selvo {

QImage LoadSkinBitmap(int resourceId) {
  if (resourceId <= 0) return QImage();
  static bool registered = false;
  if (!registered) {
    RegisterPanelResources();
    registered = true;
  }
  // The pictures are tiny and drawn on every paint: decode each once.
  static QHash<int, QImage> cache;
  auto it = cache.find(resourceId);
  if (it == cache.end()) it = cache.insert(resourceId, QImage(QStringLiteral(":/panel/%1.png").arg(resourceId)));
  return it.value();
}

SkinButton::SkinButton(int controlId, QWidget* parent) : QAbstractButton(parent), controlId_(controlId) {
  setToolTip(QString::fromStdString(LoadString(controlId)));
  // A click gives the button the focus, and with it the focus picture.
  setFocusPolicy(Qt::StrongFocus);
}

void SkinButton::SetTooltipSuffix(const QString& suffix) {
  const QString base = QString::fromStdString(LoadString(controlId_));
  setToolTip(suffix.isEmpty() ? base : base + QLatin1Char('\n') + suffix);
}

void SkinButton::ApplyWindowRegion(int resourceId) { ApplyShape(LoadSkinBitmap(resourceId)); }

void SkinButton::ApplyShape(const QImage& picture) {
  if (picture.isNull()) {
    clearMask();
    return;
  }
  bitmapSize_ = picture.size();
  resize(bitmapSize_);
  const QRegion region = RegionFromBitmap(picture);
  // A picture that is all magenta leaves no shape: Qt would read an empty
  // mask as none and show and click the whole rectangle.
  shapeless_ = region.isEmpty();
  setAttribute(Qt::WA_TransparentForMouseEvents, shapeless_);
  if (shapeless_) {
    setFocusPolicy(Qt::NoFocus);
    setMask(QRegion(-1, -1, 1, 1));
  } else {
    setMask(region);
  }
  updateGeometry();
}

// Pressed, the button takes the focus itself, as the recorder's buttons
// do, whoever delivered the press.
void SkinButton::mousePressEvent(QMouseEvent* event) {
  if ((focusPolicy() & Qt::ClickFocus) && hitButton(event->position().toPoint())) setFocus(Qt::MouseFocusReason);
  QAbstractButton::mousePressEvent(event);
}

bool SkinButton::hitButton(const QPoint& pos) const { return !shapeless_ && QAbstractButton::hitButton(pos); }

bool SkinButton::LoadSkin(int normalId, int downId, int focusId, int disabledId) {
  normalId_ = normalId;
  downId_ = downId;
  focusId_ = focusId;
  disabledId_ = disabledId;
  ApplyWindowRegion(normalId_);
  update();
  return !LoadSkinBitmap(normalId_).isNull();
}

SkinButton::ItemState SkinButton::CurrentState() const {
  ItemState state;
  state.pressed = isDown();
  state.focused = hasFocus();
  state.disabled = !isEnabled();
  return state;
}

int SkinButton::BitmapIdFor(const ItemState& state) const {
  if (state.pressed) return downId_;
  if (state.focused) return focusId_;
  if (state.disabled) return disabledId_;
  return normalId_;
}

QSize SkinButton::sizeHint() const { return bitmapSize_.isValid() ? bitmapSize_ : QSize(16, 16); }

void SkinButton::DrawBitmap(int resourceId) {
  if (shapeless_) return;
  QImage picture = LoadSkinBitmap(resourceId);
  // An icon label has only its normal picture; its other states show that.
  if (picture.isNull()) picture = LoadSkinBitmap(normalId_);
  if (picture.isNull()) return;
  QPainter painter(this);
  const QRegion region = RegionFromBitmap(picture);
  if (!region.isEmpty()) painter.setClipRegion(region);
  painter.drawImage(0, 0, picture);
}

void SkinButton::paintEvent(QPaintEvent*) { DrawBitmap(BitmapIdFor(CurrentState())); }

}  // namespace selvo
