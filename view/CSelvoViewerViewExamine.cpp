// The image view's examining: a pane's zoom and enhancement, the pane menu,
// and the mouse and wheel that drive them (the rest of the class is in
// CSelvoViewerView.cpp and CSelvoViewerViewSave.cpp).
#include "view/CSelvoViewerView.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QCursor>
#include <QMouseEvent>
#include <QWheelEvent>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {


// One wheel notch zooms by a quarter.
constexpr double kWheelStep = 1.25;

// Shown at 1:1 below its fit, the picture takes a smaller box in the middle
// of its own, and its time text and marks go with it.
PixelRect ExaminedRect(const PixelRect& rect, const ZoomState& zoom) {
  if (zoom.BoxShare() >= 1.0) return rect;
  const PixelBox box = FitBox43(rect);
  const int w = static_cast<int>(std::lround(box.w * zoom.BoxShare()));
  const int h = static_cast<int>(std::lround(box.h * zoom.BoxShare()));
  const int left = box.x + (box.w - w) / 2;
  const int top = box.y + (box.h - h) / 2;
  return {left, top, left + w, top + h};
}

QString PaneMenuText(int id) {
  if (id >= kPaneMenuChannel0)
    return UiString(str::kPaneMenuChannelString).arg(id - kPaneMenuChannel0 + 1);
  if (id < kPaneMenu1Image || id > kPaneMenuAllChannels) return QString();
  return UiString(str::kPaneMenuFirstString + id - kPaneMenu1Image);
}

}  // namespace

// ---------------------------------------------------------------- examining

PixelRect CSelvoViewerView::PaneRect(int pane) const {
  if (slots_.IsSplit()) {
    const PaneGrid grid = CurrentGrid();
    return pane >= 0 && pane < grid.count ? grid.panes[pane].Deflated(1) : PixelRect{};
  }
  const QSize size = DeviceSize();
  return {0, 0, size.width(), size.height()};
}

const DibBlock* CSelvoViewerView::PaneImage(int pane) const {
  if (slots_.IsSplit()) return pane >= 0 && pane < slots_.PaneCount() ? slots_.CurrentSlot(pane).image.get() : nullptr;
  return pane == 0 && DocumentReady() ? doc_.CurrentImage() : nullptr;
}

CSelvoViewerView::PaneGeometry CSelvoViewerView::GeometryOf(int pane) const {
  PaneGeometry geometry;
  if (slots_.IsSplit() && (pane < 0 || pane >= slots_.PaneCount())) return geometry;
  geometry.box = FitBox43(PaneRect(pane));
  const DibBlock* image = PaneImage(pane);
  if (image != nullptr) geometry.picture = QSizeF(image->Width(), image->Height() - TopCutRows(image->Height()));
  return geometry;
}

PixelBox CSelvoViewerView::ShownBoxOf(int pane) const { return FitBox43(ExaminedRect(PaneRect(pane), PaneZoom(pane))); }

int CSelvoViewerView::PaneAtDevice(QPoint p) const {
  if (slots_.IsSplit()) return HitPane(CurrentGrid(), p.x(), p.y());
  const PixelBox box = GeometryOf(0).box;
  return PixelRect{box.x, box.y, box.x + box.w, box.y + box.h}.Contains(p.x(), p.y()) ? 0 : -1;
}

const ZoomState& CSelvoViewerView::PaneZoom(int pane) const {
  return zoom_[static_cast<std::size_t>(slots_.ModeIndex())][static_cast<std::size_t>(std::clamp(pane, 0, kMaxPanes - 1))];
}

ZoomState& CSelvoViewerView::MutablePaneZoom(int pane) { return const_cast<ZoomState&>(PaneZoom(pane)); }

void CSelvoViewerView::ApplyExamining(PaneDrawRequest& request, int pane) const {
  const ZoomState& zoom = PaneZoom(pane);
  if (enhance_.IsActive()) request.enhance = &enhance_;
  request.rect = ExaminedRect(request.rect, zoom);
  if (!zoom.IsZoomed()) return;
  request.shownPart = zoom.ShownPart();
  request.overview = true;
  const PaneGeometry geometry = GeometryOf(pane);
  // Above 1:1 every recorded pixel is a sharp square: what is shown is
  // what was recorded, not what smoothing guessed between pixels.
  if (!smoothScaling_ && zoom.PixelScale(QSizeF(geometry.box.w, geometry.box.h), geometry.picture) > 1.0)
    request.halftone = false;
}

void CSelvoViewerView::ZoomBy(int pane, const QPointF& boxPoint, double factor) {
  const PaneGeometry geometry = GeometryOf(pane);
  if (geometry.picture.isEmpty()) return;
  zoomPane_ = pane;
  MutablePaneZoom(pane).ZoomAbout(boxPoint, factor, QSizeF(geometry.box.w, geometry.box.h), geometry.picture);
  AfterZoom();
}

void CSelvoViewerView::ZoomAt(QPoint widgetPoint, double notches) {
  const QPoint p = ToDevice(widgetPoint);
  const int pane = PaneAtDevice(p);
  if (pane < 0) return;
  const PixelBox box = GeometryOf(pane).box;
  ZoomBy(pane, QPointF(p.x() - box.x, p.y() - box.y), std::pow(kWheelStep, notches));
}

void CSelvoViewerView::ZoomCommand(const std::function<void(ZoomState&, const PaneGeometry&)>& change) {
  if (zoomPane_ >= slots_.PaneCount()) zoomPane_ = 0;
  const PaneGeometry geometry = GeometryOf(zoomPane_);
  if (geometry.picture.isEmpty()) return;
  change(MutablePaneZoom(zoomPane_), geometry);
  AfterZoom();
}

void CSelvoViewerView::ZoomIn() {
  ZoomCommand([](ZoomState& zoom, const PaneGeometry& g) {
    zoom.StepPixelScale(true, QSizeF(g.box.w, g.box.h), g.picture);
  });
}

void CSelvoViewerView::ZoomOut() {
  ZoomCommand([](ZoomState& zoom, const PaneGeometry& g) {
    zoom.StepPixelScale(false, QSizeF(g.box.w, g.box.h), g.picture);
  });
}

void CSelvoViewerView::ZoomFit() {
  ZoomCommand([](ZoomState& zoom, const PaneGeometry&) { zoom.Fit(); });
}

void CSelvoViewerView::ZoomActualPixels() {
  ZoomCommand([](ZoomState& zoom, const PaneGeometry& g) {
    zoom.ShowActualPixels(QSizeF(g.box.w, g.box.h), g.picture);
  });
}

void CSelvoViewerView::AfterZoom() {
  update();
  shownZoomText_ = ZoomText();
  emit zoomChanged(shownZoomText_);
}

void CSelvoViewerView::SetSmoothScaling(bool smooth) {
  smoothScaling_ = smooth;
  update();
}

void CSelvoViewerView::SetEnhancement(const EnhanceSettings& settings) {
  enhance_ = settings.Clamped();
  update();
}

QString CSelvoViewerView::ZoomText() const {
  const int pane = zoomPane_ < slots_.PaneCount() ? zoomPane_ : 0;
  const ZoomState& zoom = PaneZoom(pane);
  const PaneGeometry geometry = GeometryOf(pane);
  if (zoom.IsFitted() || geometry.picture.isEmpty()) return UiString(str::kZoomFitString);
  const double scale = zoom.PixelScale(QSizeF(geometry.box.w, geometry.box.h), geometry.picture);
  return UiString(str::kZoomFactorString).arg(scale, 0, 'f', 1);
}

// ---------------------------------------------------------------- pane menu

int CSelvoViewerView::ChannelUnderCursor() const {
  if (!slots_.IsSplit()) return -1;
  const QPoint local = mapFromGlobal(QCursor::pos());
  if (!rect().contains(local)) return -1;
  const int pane = PaneAtDevice(ToDevice(local));
  return pane >= 0 ? slots_.PaneChannel(pane) : -1;
}

bool CSelvoViewerView::SelectPaneAt(QPoint widgetPoint) {
  if (!DocumentReady() || !doc_.HasChannel(kAllChannels)) return false;
  if (!slots_.IsSplit()) {
    slots_.SetSelectedPane(0);
    return true;
  }
  const QPoint p = ToDevice(widgetPoint);
  const int pane = HitPane(CurrentGrid(), p.x(), p.y());
  slots_.SetSelectedPane(pane);
  return pane >= 0;
}

CommandState CSelvoViewerView::PaneMenuItemState(int id) const {
  return slots_.ItemState(id, [this](int channel) { return doc_.HasChannel(channel); });
}

void CSelvoViewerView::BuildPaneMenu(QMenu& menu) const {
  const auto hasChannel = [this](int channel) { return doc_.HasChannel(channel); };
  for (int id : slots_.MenuItems(hasChannel)) {
    const CommandState state = slots_.ItemState(id, hasChannel);
    QAction* action = menu.addAction(PaneMenuText(id));
    action->setData(id);
    // Only a checked item shows a mark, as in a plain menu.
    action->setCheckable(state.checked);
    action->setEnabled(state.enabled);
    action->setChecked(state.checked);
  }
}

void CSelvoViewerView::OpenPaneMenu(QPoint widgetPoint) {
  if (!SelectPaneAt(widgetPoint)) return;
  QMenu menu(this);
  BuildPaneMenu(menu);
  const QAction* chosen = menu.exec(mapToGlobal(widgetPoint));
  if (chosen != nullptr) OnPaneMenuCommand(chosen->data().toInt());
}

void CSelvoViewerView::OnPaneMenuCommand(int id) {
  if (id < kPaneMenu1Image || id > cmd::kPaneLast) return;
  const PaneSlotTable::CommandResult result = slots_.Apply(id);
  std::array<int, PaneSlotTable::kSlots> channels = slots_.ChannelsOf(result.mode);
  if (DocumentReady()) {
    doc_.SelectChannel(result.channel, slots_.PaneCount(), channels.data());
    // A fresh split has every slot empty; the source then picks the
    // recording's first cameras, and the panes must show what it picked.
    if (slots_.IsSplit()) {
      for (int pane = 0; pane < PaneSlotTable::kSlots; ++pane) slots_.Slot(result.mode, pane).channel = channels[pane];
    }
  }
  emit paneLayoutChanged(slots_.PaneCount());
  update();
}

void CSelvoViewerView::OnPaneDoubleClick(QPoint widgetPoint) {
  if (!slots_.IsSplit()) return;
  const QPoint p = ToDevice(widgetPoint);
  const int pane = HitPane(CurrentGrid(), p.x(), p.y());
  if (pane < 0) return;
  slots_.SetSelectedPane(pane);
  OnPaneMenuCommand(kPaneMenu1Image);
}

void CSelvoViewerView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    OpenPaneMenu(event->position().toPoint());
    return;
  }
  const int pane = PaneAtDevice(ToDevice(event->position().toPoint()));
  const bool drawing = doc_.Motion().IsDrawing();
  if (event->button() == Qt::LeftButton && pane >= 0 && DocumentReady()) {
    // Picking a pane of a split shows its camera's motion.
    if (slots_.IsSplit()) doc_.Motion().FocusOn(PaneCamera(pane));
    if (drawing && PaneImage(pane) != nullptr) {
      const QPointF at = event->position() * devicePixelRatioF();
      areaDrag_ = {pane, at, at, (event->modifiers() & Qt::ShiftModifier) != 0};
      return;
    }
  }
  // While areas are drawn the left button draws; the middle one still pans.
  const bool pans = event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && !drawing);
  if (pans && pane >= 0 && PaneZoom(pane).IsZoomed()) {
    zoomPane_ = pane;
    panning_ = true;
    panFrom_ = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
    return;
  }
  QWidget::mousePressEvent(event);
}

void CSelvoViewerView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (areaDrag_.pane >= 0) {
    areaDrag_.to = event->position() * devicePixelRatioF();
    update();
    return;
  }
  if (!panning_) {
    const int pane = PaneAtDevice(ToDevice(at));
    // Only the status text follows the mouse; the picture stays as it is.
    if (pane >= 0 && pane != zoomPane_) {
      zoomPane_ = pane;
      shownZoomText_ = ZoomText();
      emit zoomChanged(shownZoomText_);
    }
    QWidget::mouseMoveEvent(event);
    return;
  }
  const PaneGeometry geometry = GeometryOf(zoomPane_);
  const qreal ratio = devicePixelRatioF();
  MutablePaneZoom(zoomPane_).PanBy(QPointF((at.x() - panFrom_.x()) * ratio, (at.y() - panFrom_.y()) * ratio),
                                   QSizeF(geometry.box.w, geometry.box.h));
  panFrom_ = at;
  update();
}

void CSelvoViewerView::mouseReleaseEvent(QMouseEvent* event) {
  if (areaDrag_.pane >= 0 && event->button() == Qt::LeftButton) {
    EndAreaDrag(event->position() * devicePixelRatioF());
    return;
  }
  if (panning_ && (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton)) {
    panning_ = false;
    if (doc_.Motion().IsDrawing())
      setCursor(Qt::CrossCursor);
    else
      unsetCursor();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void CSelvoViewerView::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0.0) {
    QWidget::wheelEvent(event);
    return;
  }
  ZoomAt(event->position().toPoint(), notches);
  event->accept();
}

void CSelvoViewerView::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) OnPaneDoubleClick(event->position().toPoint());
}

}  // namespace selvo
