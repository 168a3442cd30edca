#include "source/text/UiText.h"
#include "view/SkinButton.h"

#include <QHash>
#include <QMouseEvent>
#include <QPainter>

#include "view/RegionFromBitmap.h"

static void RegisterPanelResources() { Q_INIT_RESOURCE(panel); }

namespace selvo {

namespace {

QImage LoadPanelPicture(const QString& name) {
  static bool registered = false;
  if (!registered) {
    RegisterPanelResources();
    registered = true;
  }
  // The pictures are tiny and drawn on every paint: decode each once.
  static QHash<QString, QImage> cache;
  auto it = cache.find(name);
  if (it == cache.end()) it = cache.insert(name, QImage(QStringLiteral(":/panel/") + name));
  return it.value();
}

}  // namespace

QImage LoadSkinBitmap(int resourceId) {
  if (resourceId <= 0) return QImage();
  return LoadPanelPicture(QStringLiteral("%1.png").arg(resourceId));
}

QImage LoadSkinBitmapForRatio(int resourceId, qreal devicePixelRatio) {
  if (resourceId <= 0) return QImage();
  if (devicePixelRatio > 1.0) {
    QImage large = LoadPanelPicture(QStringLiteral("%1@2x.png").arg(resourceId));
    if (!large.isNull()) {
      large.setDevicePixelRatio(2.0);
      return large;
    }
  }
  return LoadSkinBitmap(resourceId);
}

SkinButton::SkinButton(int controlId, QWidget* parent) : QAbstractButton(parent), controlId_(controlId) {
  setToolTip(UiString(controlId));
  // A click gives the button the focus, and with it the focus picture.
  setFocusPolicy(Qt::StrongFocus);
}

void SkinButton::SetTooltipSuffix(const QString& suffix) {
  const QString base = UiString(controlId_);
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
  // An icon label has only its normal picture; its other states show that.
  if (LoadSkinBitmap(resourceId).isNull()) resourceId = normalId_;
  const QImage picture = LoadSkinBitmap(resourceId);
  if (picture.isNull()) return;
  QPainter painter(this);
  const QRegion region = RegionFromBitmap(picture);
  if (!region.isEmpty()) painter.setClipRegion(region);
  // On a HiDPI screen the double-size picture, smooth and transparent
  // around its outline, is drawn over the same logical pixels; the keyed
  // picture, stretched, would show every step of its outline twice as big.
  const QImage shown = LoadSkinBitmapForRatio(resourceId, devicePixelRatioF());
  if (shown.devicePixelRatio() != 1.0) painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(0, 0, picture.width(), picture.height()), shown);
}

void SkinButton::paintEvent(QPaintEvent*) { DrawBitmap(BitmapIdFor(CurrentState())); }

}  // namespace selvo
