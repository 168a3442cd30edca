#include "view/CSelvoViewerView.h"

// The view's class is spread over three files by concern: this one holds
// the document link, the geometry and the painting;
// CSelvoViewerViewExamine.cpp the zoom, the pane menu and the mouse;
// CSelvoViewerViewSave.cpp saving and printing; CSelvoViewerViewAreas.cpp
// the areas of a motion search drawn on a pane.

#include <algorithm>
#include <cmath>

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "source/StartupTrace.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {


QString FontFace(int stringId) {
  const QString face = UiString(stringId);
  return face.isEmpty() ? QStringLiteral("Arial") : face;
}

// An opaque window's backing store under X is premultiplied ARGB (Qt
// paints there faster than in RGB32). An opaque pixel is the same four bytes
// in both formats, and the compose writes only opaque pixels (an RGB32
// painter keeps the top byte 0xFF), so composing as RGB32 over those bytes
// leaves exactly what drawing the RGB32 back buffer there would, without the
// copy of a window's worth of pixels per picture.
bool HoldsOpaquePixelsAsRgb32(QImage::Format format) {
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// The composed pixels as the window's painter wants them: one buffer pixel
// on one device pixel. The ratio goes on a second header over the same
// pixels, never on the back buffer itself: the next compose opens painters
// on that buffer, and a ratio there would scale every overlay, already
// placed in device pixels, once more. No pixels are copied.
QImage ShownAtRatio(const QImage& pixels, qreal ratio) {
  QImage shown(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(), pixels.format());
  shown.setDevicePixelRatio(ratio);
  return shown;
}

}  // namespace

CSelvoViewerView::CSelvoViewerView(CSelvoViewerDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  // The paint covers the whole client area; letting Qt clear it first would
  // only make playback flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMinimumSize(1, 1);
  // The zoom commands act on the pane under the mouse, buttons up or down.
  setMouseTracking(true);
  connect(&doc_.Motion(), &MotionSearches::areasChanged, this, &CSelvoViewerView::OnMotionAreasChanged);
  OnInitialUpdate();
}

CSelvoViewerView::~CSelvoViewerView() = default;

void CSelvoViewerView::OnInitialUpdate() { ResetPanes(); }

// ------------------------------------------------------------- document link

void CSelvoViewerView::RedrawImageView() { repaint(); }

void CSelvoViewerView::UpdateImageView() { update(); }

void CSelvoViewerView::ResetPanes() {
  slots_.Reset(doc_.GetFirstChannel());
  // Another recording starts fitted: a part of the last one means nothing.
  for (auto& mode : zoom_)
    for (ZoomState& zoom : mode) zoom.Fit();
  zoomPane_ = 0;
  update();
}

void CSelvoViewerView::SetSplit1() {
  slots_.SetSelectedPane(kMainMenuRequest);
  OnPaneMenuCommand(kPaneMenu1Image);
}

void CSelvoViewerView::SetSplit4() { OnPaneMenuCommand(kPaneMenu4Image); }
void CSelvoViewerView::SetSplit9() { OnPaneMenuCommand(kPaneMenu9Image); }
void CSelvoViewerView::SetSplit16() { OnPaneMenuCommand(kPaneMenu16Image); }

// ------------------------------------------------------------------ geometry

QSize CSelvoViewerView::DeviceSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

QPoint CSelvoViewerView::ToDevice(QPoint widgetPoint) const {
  const qreal ratio = devicePixelRatioF();
  return QPoint(static_cast<int>(std::floor(widgetPoint.x() * ratio)),
                static_cast<int>(std::floor(widgetPoint.y() * ratio)));
}

PaneGrid CSelvoViewerView::CurrentGrid() const {
  const QSize size = DeviceSize();
  return LayoutPanes({0, 0, size.width(), size.height()}, slots_.SideCount());
}

QColor CSelvoViewerView::ButtonFace() const { return palette().color(QPalette::Button); }

PaneOverlayStyle CSelvoViewerView::OverlayStyle(double scale) const {
  PaneOverlayStyle style;
  style.timePosition = doc_.GetTimePosition();
  style.dateFormat = doc_.GetDateFormat();
  style.dateDelimiter = doc_.GetDateDelimiter();
  style.cameraTitleShown = doc_.IsCameraTitleShown();
  style.timeFace = FontFace(str::kTimeFontString);
  style.printTitleFace = FontFace(str::kPrintTitleFontString);
  style.printTitle = QString::fromStdString(doc_.GetPrintTitle());
  style.printTitleBand = std::max(1, static_cast<int>(256 * scale));
  style.alterationMarks = doc_.IsCheckMode();
  return style;
}

PaneDrawRequest CSelvoViewerView::CurrentImageRequest(const DibBlock* image) const {
  PaneDrawRequest request;
  request.flags = kDrawImage | kDrawTexts;
  request.image = image;
  request.time = doc_.GetCurrentTime();
  request.title = QString::fromStdString(doc_.GetCurrentChannelTitle());
  request.status = doc_.GetCurrentStatus();
  if (enhance_.IsActive()) request.enhance = &enhance_;
  return request;
}

// While the loader thread builds the index it owns the source; the view
// leaves the source alone until the open is over.
bool CSelvoViewerView::DocumentReady() const { return doc_.HasSource() && !doc_.IsOpenBusy(); }

// ------------------------------------------------------------------- drawing

bool CSelvoViewerView::ResizeBackBuffer() {
  const QSize size = DeviceSize();
  if (backBuffer_.size() == size && !backBuffer_.isNull()) return true;
  backBuffer_ = QImage();  // free the old one first: two window-size images may not fit
  backBuffer_ = QImage(size, QImage::Format_RGB32);
  return !backBuffer_.isNull();
}

const QImage& CSelvoViewerView::ComposeClientArea() {
  if (ResizeBackBuffer()) ComposeInto(backBuffer_);
  return backBuffer_;
}

void CSelvoViewerView::ComposeInto(QImage& buffer) {
  const QSize size = buffer.size();
  const PixelRect whole{0, 0, size.width(), size.height()};
  const PaneOverlayStyle style = OverlayStyle(1.0);
  if (slots_.SideCount() != 0 && !slots_.IsSplit()) {
    ComposeOnePane(buffer, whole, false, style);
    return;
  }
  buffer.fill(ButtonFace());
  if (slots_.SideCount() != 0) ComposeSplit(buffer, CurrentGrid(), style);
}

// The window system keeps its own back buffer of the window (the backing
// store), and a paint of the whole view is flushed from it in one copy. So
// composing there directly is the same double buffering with one copy of
// the view fewer per picture: at fifty pictures a second that copy cost a
// third of the decode. Answers an image over the view's pixels in the
// painter's device, or a null image when the paint cannot be done that way
// (a partial repaint, a scaled or transformed device, a pixel format other
// than 32-bit RGB or premultiplied ARGB)
// and the view's own back buffer must be used.
QImage CSelvoViewerView::ScreenPixelsOf(QPainter& painter, const QRegion& paintRegion) const {
  if (!QRegion(rect()).subtracted(paintRegion).isEmpty()) return {};
  if (devicePixelRatioF() != 1.0) return {};
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return {};
  const auto* screen = static_cast<const QImage*>(device);
  if (!HoldsOpaquePixelsAsRgb32(screen->format()) || screen->devicePixelRatio() != 1.0) return {};
  const QTransform transform = painter.deviceTransform();
  if (transform.type() > QTransform::TxTranslate) return {};
  const int dx = qRound(transform.dx());
  const int dy = qRound(transform.dy());
  if (dx != transform.dx() || dy != transform.dy() || dx < 0 || dy < 0 || dx + width() > screen->width() ||
      dy + height() > screen->height()) {
    return {};
  }
  // The painter holds the device open, so its pixels are its own and not
  // shared: writing through the constant bits detaches nothing.
  auto* pixels = const_cast<uchar*>(screen->constBits()) + static_cast<qsizetype>(dy) * screen->bytesPerLine() +
                 static_cast<qsizetype>(dx) * 4;
  return QImage(pixels, width(), height(), screen->bytesPerLine(), QImage::Format_RGB32);
}

void CSelvoViewerView::RefreshPaneOfCurrentImage() {
  if (!DocumentReady()) return;
  const int pane = slots_.PaneShowing(doc_.GetCurrentChannel());
  if (pane < 0) {
    PaneSlot& first = slots_.CurrentSlot(0);
    first.DropPicture();
    first.status = 0;
    return;
  }
  PaneSlot& slot = slots_.CurrentSlot(pane);
  slot.image = doc_.CopyImageBlock();
  slot.time = doc_.GetCurrentTime();
  slot.title = QString::fromStdString(doc_.GetCurrentChannelTitle());
  slot.status = doc_.GetCurrentStatus();
  slot.hasRecord = true;
  slot.listIndex = -1;
}

// Each pane takes its camera's image nearest to the current one; a pane
// whose image is the same as at the last paint decodes nothing.
void CSelvoViewerView::RefreshLockedPanes() {
  const int count = slots_.PaneCount();
  const int current = doc_.GetPosition();
  const int currentChannel = doc_.GetCurrentChannel();
  std::array<LockedImage, PaneSlotTable::kSlots> nearest{};
  for (int pane = 0; pane < count; ++pane) {
    const int channel = slots_.CurrentSlot(pane).channel;
    // The current image is its own camera's nearest, whatever other image
    // shares its moment.
    if (channel == currentChannel) nearest[static_cast<std::size_t>(pane)] = {current, false};
    else if (channel >= 0) nearest[static_cast<std::size_t>(pane)] = doc_.NearestImageOf(channel);
  }
  if (lockGeneration_ != doc_.LockGeneration()) {
    for (int pane = 0; pane < PaneSlotTable::kSlots; ++pane) slots_.CurrentSlot(pane).listIndex = -1;
    lockGeneration_ = doc_.LockGeneration();
  }
  for (int pane = 0; pane < count; ++pane) {
    const LockedImage& found = nearest[static_cast<std::size_t>(pane)];
    if (found.index < 0) continue;
    PaneSlot& slot = slots_.CurrentSlot(pane);
    slot.farInTime = found.farInTime;
    if (slot.listIndex == found.index) continue;
    slot.image = found.index == current ? doc_.CopyImageBlock() : doc_.DecodeImageAt(found.index);
    slot.listIndex = found.index;
    slot.time = doc_.GetTimeAt(found.index);
    slot.title = QString::fromStdString(doc_.GetChannelTitleAt(found.index));
    // Read after the decode: a first visit judges the trailer.
    slot.status = doc_.GetStatusAt(found.index);
    slot.hasRecord = true;
  }
}

void CSelvoViewerView::ComposeSplit(QImage& buffer, const PaneGrid& grid, const PaneOverlayStyle& style) {
  for (int i = 0; i < grid.count; ++i) DrawSunkenEdge(buffer, grid.panes[i]);
  const bool locked = doc_.IsLockedToTime() && DocumentReady();
  if (locked)
    RefreshLockedPanes();
  else
    RefreshPaneOfCurrentImage();
  for (int i = 0; i < grid.count; ++i) {
    const PaneSlot& slot = slots_.CurrentSlot(i);
    PaneDrawRequest request;
    request.flags = slot.image ? (kDrawImage | kDrawTexts) : kDrawBlackBox;
    request.rect = grid.panes[i].Deflated(1);
    request.image = slot.image.get();
    request.time = slot.time;
    request.title = slot.title;
    request.status = slot.hasRecord ? slot.status : 0;
    request.scratch = &pictureRows_;
    request.stretch = &pictureStretch_;
    request.farInTime = locked && slot.farInTime;
    ApplyExamining(request, i);
    DrawPane(buffer, request, style);
  }
}

// On the screen the buffer is cleared here, around the picture only when
// the picture covers its box: clearing a window's worth of pixels under it
// costs as much as copying the picture to the window.
void CSelvoViewerView::ComposeOnePane(QImage& buffer, const PixelRect& target, bool printing,
                                      const PaneOverlayStyle& style) {
  const DibBlock* image = DocumentReady() ? doc_.CurrentImage() : nullptr;
  if (image == nullptr) {
    if (!printing) buffer.fill(ButtonFace());
    if (DocumentReady()) DrawInvalidImage(buffer, target, ButtonFace(), doc_.GetCurrentStatus(), style);
    return;
  }
  PaneDrawRequest request = CurrentImageRequest(image);
  request.rect = target;
  request.printing = printing;
  // The printed page keeps the area-averaged stretch and the whole picture;
  // the screen draws straight into its back buffer.
  if (!printing) {
    request.scratch = &pictureRows_;
    request.stretch = &pictureStretch_;
    ApplyExamining(request, 0);
    if (PictureCoversItsBox(request))
      FillAround(buffer, target, FitBox43(request.rect), ButtonFace());
    else
      buffer.fill(ButtonFace());
  }
  DrawPane(buffer, request, style);
}

// In the widget's own units, so the text keeps its size at any device
// ratio; wrapped to the view, so a narrow window cuts no word off.
void CSelvoViewerView::DrawEmptyViewHint(QPainter& painter) const {
  constexpr int kMargin = 16;
  constexpr int kWidestLine = 520;
  const QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
  if (area.width() < 60 || area.height() < 30) return;
  const int width = std::min(area.width(), kWidestLine);
  const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
  QFont headingFont = font();
  headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
  headingFont.setBold(true);
  const QString heading = UiString(str::kEmptyViewTitle);
  const QString hint = UiString(str::kEmptyViewHint);
  const QRect headingBox = QFontMetrics(headingFont).boundingRect(QRect(0, 0, width, area.height()), flags, heading);
  const QRect hintBox = fontMetrics().boundingRect(QRect(0, 0, width, area.height()), flags, hint);
  const int gap = fontMetrics().height();
  const int left = area.left() + (area.width() - width) / 2;
  int top = area.top() + std::max(0, (area.height() - headingBox.height() - gap - hintBox.height()) / 2);
  painter.save();
  painter.setClipRect(area);
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.setFont(headingFont);
  painter.drawText(QRect(left, top, width, headingBox.height()), flags, heading);
  top += headingBox.height() + gap;
  painter.setFont(font());
  painter.drawText(QRect(left, top, width, hintBox.height()), flags, hint);
  painter.restore();
}

void CSelvoViewerView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  QImage screen = ScreenPixelsOf(painter, event->region());
  if (!screen.isNull()) {
    ComposeInto(screen);
  } else if (ComposeClientArea().isNull()) {
    // No memory for a back buffer: an empty view rather than stale pixels.
    painter.fillRect(rect(), ButtonFace());
  } else {
    painter.drawImage(0, 0, ShownAtRatio(backBuffer_, devicePixelRatioF()));
  }
  DrawMotionAreas(painter);
  if (!doc_.HasSource() && !doc_.IsOpenBusy()) DrawEmptyViewHint(painter);
  TraceStartupOnce("view first painted");
  if (DocumentReady() && doc_.CurrentImage() != nullptr) TraceStartupOnce("first picture painted");
  // The factor depends on the window and the picture as well as the zoom.
  const QString zoomText = ZoomText();
  if (zoomText != shownZoomText_) {
    shownZoomText_ = zoomText;
    emit zoomChanged(zoomText);
  }
}

}  // namespace selvo
