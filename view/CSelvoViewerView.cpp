#include "source/text/StringIds.h"
#include "view/CSelvoViewerView.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QWheelEvent>

#include "doc/CSelvoViewerDoc.h"
#include "source/OutputFile.h"
#include "source/OutputRefusal.h"
#include "source/Sha256.h"
#include "source/StatusVerdict.h"
#include "source/text/UiText.h"
#include "source/text/UiLanguage.h"
#include "view/PrintedPage.h"

namespace selvo {

namespace {

QString FontFace(int stringId) {
  const QString face = UiString(stringId);
  return face.isEmpty() ? QStringLiteral("Arial") : face;
}

// One wheel notch zooms by a quarter.
constexpr double kWheelStep = 1.25;

QString PaneMenuText(int id) {
  if (id >= kPaneMenuChannel0)
    return UiString(str::kPaneMenuChannelString).arg(id - kPaneMenuChannel0 + 1);
  if (id < kPaneMenu1Image || id > kPaneMenuAllChannels) return QString();
  return UiString(str::kPaneMenuFirstString + id - kPaneMenu1Image);
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
// (a partial repaint, a scaled or transformed device, another pixel format)
// and the view's own back buffer must be used.
QImage CSelvoViewerView::ScreenPixelsOf(QPainter& painter, const QRegion& paintRegion) const {
  if (!QRegion(rect()).subtracted(paintRegion).isEmpty()) return {};
  if (devicePixelRatioF() != 1.0) return {};
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return {};
  const auto* screen = static_cast<const QImage*>(device);
  if (screen->format() != QImage::Format_RGB32 || screen->devicePixelRatio() != 1.0) return {};
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
  // The factor depends on the window and the picture as well as the zoom.
  const QString zoomText = ZoomText();
  if (zoomText != shownZoomText_) {
    shownZoomText_ = zoomText;
    emit zoomChanged(zoomText);
  }
}

// ---------------------------------------------------------------- examining

CSelvoViewerView::PaneGeometry CSelvoViewerView::GeometryOf(int pane) const {
  PaneGeometry geometry;
  const DibBlock* image = nullptr;
  if (slots_.IsSplit()) {
    const PaneGrid grid = CurrentGrid();
    if (pane < 0 || pane >= grid.count) return geometry;
    geometry.box = FitBox43(grid.panes[pane].Deflated(1));
    image = slots_.CurrentSlot(pane).image.get();
  } else {
    const QSize size = DeviceSize();
    geometry.box = FitBox43({0, 0, size.width(), size.height()});
    image = DocumentReady() ? doc_.CurrentImage() : nullptr;
  }
  if (image != nullptr) geometry.picture = QSizeF(image->Width(), image->Height() - TopCutRows(image->Height()));
  return geometry;
}

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
  // Shown at 1:1 below its fit, the picture takes a smaller box in the
  // middle of its own, and its time text and marks go with it.
  if (zoom.BoxShare() < 1.0) {
    const PixelBox box = FitBox43(request.rect);
    const int w = static_cast<int>(std::lround(box.w * zoom.BoxShare()));
    const int h = static_cast<int>(std::lround(box.h * zoom.BoxShare()));
    const int left = box.x + (box.w - w) / 2;
    const int top = box.y + (box.h - h) / 2;
    request.rect = {left, top, left + w, top + h};
  }
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
  if (event->button() == Qt::LeftButton) {
    const int pane = PaneAtDevice(ToDevice(event->position().toPoint()));
    if (pane >= 0 && PaneZoom(pane).IsZoomed()) {
      zoomPane_ = pane;
      panning_ = true;
      panFrom_ = event->position().toPoint();
      setCursor(Qt::ClosedHandCursor);
      return;
    }
  }
  QWidget::mousePressEvent(event);
}

void CSelvoViewerView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
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
  if (panning_ && event->button() == Qt::LeftButton) {
    panning_ = false;
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

// ------------------------------------------------------------ save and print

bool CSelvoViewerView::RenderForExport(BitmapFileParts& parts, bool shownArea) {
  if (!DocumentReady()) return false;
  const DibPtr image = doc_.CopyImageBlock();
  if (!image) return false;
  const int width = image->Width();
  if (width <= 0 || static_cast<int>(width * 0.75) <= 0) return false;
  PaneDrawRequest request = CurrentImageRequest(image.get());
  if (shownArea && !slots_.IsSplit()) request.shownPart = PaneZoom(0).ShownPart();
  const QImage picture = ComposeExportPicture(width, ButtonFace(), request, OverlayStyle(1.0));
  if (picture.isNull()) return false;
  parts = EncodeBitmap(picture);
  return !parts.bits.empty();
}

bool CSelvoViewerView::SaveImageTo(const QString& path, QString& reason, bool shownArea) {
  reason.clear();
  BitmapFileParts parts;
  if (!RenderForExport(parts, shownArea)) return false;
  return WriteBitmapFile(path, parts, reason, EvidenceFolders());
}

// The recording on screen is evidence: nothing is saved or printed into it.
std::vector<std::string> CSelvoViewerView::EvidenceFolders() const {
  std::vector<std::string> evidence;
  if (doc_.SourceKind() == 0 && !doc_.LastOpenFolder().empty()) evidence.push_back(doc_.LastOpenFolder());
  return evidence;
}

void CSelvoViewerView::ShowSaveFailure(const QString& path, const QString& reason) {
  const QString text = UiText("The picture could not be saved as \"%1\".\n%2", "画像を \"%1\" に保存できませんでした。\n%2");
  QMessageBox::warning(this, QApplication::applicationDisplayName(), text.arg(path, reason));
}

// A zoomed pane asks what the saved picture holds; false when cancelled.
bool CSelvoViewerView::AskShownArea(bool& shownArea) {
  shownArea = false;
  if (slots_.IsSplit() || !PaneZoom(0).IsZoomed()) return true;
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), UiString(str::kSaveZoomedQuestionString),
                  QMessageBox::Cancel, this);
  QPushButton* whole = box.addButton(UiString(str::kSaveWholeString), QMessageBox::AcceptRole);
  QPushButton* shown = box.addButton(UiString(str::kSaveShownString), QMessageBox::AcceptRole);
  box.setDefaultButton(whole);
  box.exec();
  shownArea = box.clickedButton() == shown;
  return box.clickedButton() == whole || box.clickedButton() == shown;
}

void CSelvoViewerView::SaveImage() {
  bool shownArea = false;
  if (!AskShownArea(shownArea)) return;
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  dialog.setNameFilter(QStringLiteral("bitmap(*.bmp)"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().constFirst();
  QString reason;
  if (!SaveImageTo(path, reason, shownArea) && !reason.isEmpty()) ShowSaveFailure(path, reason);
}

bool CSelvoViewerView::PrintTo(QPrinter& printer) {
  printer.setDocName(QString::fromLatin1(kPrintJobName));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const int pageWidth = printer.width();
  const int pageHeight = printer.height();
  const int printerDpi = std::max(1, printer.resolution());
  const double scale = std::min(1.0, static_cast<double>(kPrintComposeDpi) / printerDpi);
  const int width = std::max(1, static_cast<int>(std::lround(pageWidth * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(pageHeight * scale)));
  QImage page(width, height, QImage::Format_RGB32);
  if (!page.isNull()) {
    page.fill(Qt::white);
    ComposePrintPage(page, static_cast<int>(std::lround(printerDpi * scale)), OverlayStyle(scale));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, pageWidth, pageHeight), page);
  }
  return painter.end();
}

void CSelvoViewerView::ComposePrintPage(QImage& page, int dotsPerInch, const PaneOverlayStyle& style) {
  const DibBlock* image = DocumentReady() ? doc_.CurrentImage() : nullptr;
  if (image == nullptr) {
    ComposeOnePane(page, {0, 0, page.width(), page.height()}, true, style);
    return;
  }
  ComposePrintedPage(page, dotsPerInch, CurrentImageRequest(image), style, PrintFooterLines());
}

namespace {

// The file's SHA-256 in hexadecimal, empty when it cannot be read whole.
QString FileSha256(const QString& path) {
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return QString();
  Sha256 hash;
  QByteArray chunk(1 << 16, Qt::Uninitialized);
  for (;;) {
    const qint64 got = file.read(chunk.data(), chunk.size());
    if (got < 0) return QString();
    if (got == 0) break;
    hash.Add(chunk.constData(), static_cast<std::size_t>(got));
  }
  return QString::fromStdString(HexDigest(hash.Finish()));
}

// A file name from a recording's and an image's names: no folder
// separators, no control characters, no dots for a print dialog to take
// for an extension.
QString FileNamePart(QString text) {
  for (QChar& c : text) {
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('.') || c.category() == QChar::Other_Control)
      c = QLatin1Char('_');
  }
  return text;
}

}  // namespace

QStringList CSelvoViewerView::PrintFooterLines() const {
  if (!DocumentReady()) return {};
  const QString path = QString::fromStdString(doc_.GetCurrentPath());
  const QString unknown = UiString(str::kPrintNotAvailableString);
  const int status = doc_.GetCurrentStatus();
  const StatusVerdict verdict = VerdictForStatus(status);
  QString camera = QString::fromStdString(doc_.GetChannelLabel()).trimmed();
  if (camera != QLatin1String("--")) camera = UiString(str::kPaneMenuChannelString).arg(camera);
  const QString cameraTitle = QString::fromStdString(doc_.GetCurrentChannelTitle());
  if (!cameraTitle.isEmpty()) camera += QLatin1Char(' ') + cameraTitle;
  const int fileIndex = doc_.GetCurrentFileIndex();
  const QString file = fileIndex >= 0 ? QString::number(fileIndex + 1) : unknown;
  const QString time = doc_.GetCurrentTime() != 0 && verdict.HasValidTime()
                           ? QString::fromStdString(doc_.GetCurrentTimeText())
                           : unknown;
  const QString sha = FileSha256(path);
  return {UiString(str::kPrintFooterFileString).arg(path.isEmpty() ? unknown : path),
          UiString(str::kPrintFooterImageString)
              .arg(camera, QString::number(doc_.GetPosition() + 1), QString::number(doc_.GetCount()), file, time,
                   QString::fromStdString(verdict.Text())),
          UiString(str::kPrintFooterSha256String).arg(sha.isEmpty() ? unknown : sha)};
}

QString CSelvoViewerView::ProposedPrintFileName() const {
  const QString folder = QFileInfo(QString::fromStdString(doc_.LastOpenFolder())).fileName();
  const QString recording = folder.isEmpty() ? QStringLiteral("recording") : folder;
  const QString path = QString::fromStdString(doc_.GetCurrentPath());
  const QString image = path.isEmpty() ? QStringLiteral("image%1").arg(doc_.GetPosition() + 1, 4, 10, QLatin1Char('0'))
                                       : QFileInfo(path).completeBaseName();
  return FileNamePart(recording + QLatin1Char('_') + image) + QStringLiteral(".pdf");
}

void CSelvoViewerView::PrintImage() {
  QPrinter printer(QPrinter::HighResolution);
  // The print dialog proposes a PDF file named after the document: name it
  // after the recording and the image, so that one page never takes the
  // last one's name. The job itself keeps its own name. (The dialog itself
  // asks before it replaces a file that exists.)
  printer.setDocName(ProposedPrintFileName());
  QPrintDialog dialog(&printer, this);
  dialog.setMinMax(1, 1);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  printer.setDocName(QString::fromLatin1(kPrintJobName));
  if (!accepted) return;
  PrintOrReport(printer);
}

void CSelvoViewerView::PrintOrReport(QPrinter& printer) {
  QString reason;
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
  if (!(toFile ? PrintToFile(printer, reason) : PrintTo(printer))) ShowPrintFailure(reason);
}

// A page printed to a file is kept as a record: like every file we write it
// is whole or absent, and never lands in the recording or through a link.
// The printer writes the temporary; the name is taken only when it is done.
bool CSelvoViewerView::PrintToFile(QPrinter& printer, QString& reason) {
  const QString target = printer.outputFileName();
  const std::string refusal = OutputRefusal({{"The page", target.toStdString()}}, EvidenceFolders());
  if (!refusal.empty()) {
    reason = QString::fromStdString(refusal);
    return false;
  }
  OutputFile file;
  bool printed = file.Create(target.toStdString());
  if (printed) {
    printer.setOutputFileName(QString::fromStdString(file.TemporaryPath()));
    printed = PrintTo(printer);
    printer.setOutputFileName(target);
    if (printed) printed = file.Commit();
  }
  if (!printed) {
    if (file.Error() != 0) reason = QString::fromStdString(file.ErrorText());
    file.Discard();
  }
  return printed;
}

void CSelvoViewerView::ShowPrintFailure(const QString& reason) {
  QString text = UiString(str::kPrintFailedString);
  if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
  QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
}

}  // namespace selvo
