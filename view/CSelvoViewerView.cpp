#include "view/CSelvoViewerView.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "doc/CSelvoViewerDoc.h"
#include "source/text/StringTable.h"
#include "source/text/UiLanguage.h"

namespace selvo {

namespace {

constexpr int kTimeFontString = 50000;
constexpr int kPrintTitleFontString = 50001;

QString FontFace(int stringId) {
  const std::string face = LoadString(stringId);
  return face.empty() ? QStringLiteral("Arial") : QString::fromStdString(face);
}

constexpr int kPaneMenuFirstString = 64550;  // "1 image" .. "16 image", "--", "%1ch"
constexpr int kPaneMenuChannelString = 64555;
constexpr int kPrintFailedString = 64556;

QString PaneMenuText(int id) {
  if (id >= kPaneMenuChannel0)
    return QString::fromStdString(LoadString(kPaneMenuChannelString)).arg(id - kPaneMenuChannel0 + 1);
  if (id < kPaneMenu1Image || id > kPaneMenuAllChannels) return QString();
  return QString::fromStdString(LoadString(kPaneMenuFirstString + id - kPaneMenu1Image));
}

}  // namespace

CSelvoViewerView::CSelvoViewerView(CSelvoViewerDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  // The paint covers the whole client area; letting Qt clear it first would
  // only make playback flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMinimumSize(1, 1);
  OnInitialUpdate();
}

CSelvoViewerView::~CSelvoViewerView() = default;

void CSelvoViewerView::OnInitialUpdate() { ResetPanes(); }

// ------------------------------------------------------------- document link

void CSelvoViewerView::RedrawImageView(bool /*erase*/) { repaint(); }

void CSelvoViewerView::UpdateImageView() { update(); }

void CSelvoViewerView::ResetPanes() {
  slots_.Reset(doc_.GetFirstChannel());
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
  style.timeFace = FontFace(kTimeFontString);
  style.printTitleFace = FontFace(kPrintTitleFontString);
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
  if (!ResizeBackBuffer()) return backBuffer_;
  backBuffer_.fill(ButtonFace());
  if (slots_.SideCount() == 0) return backBuffer_;
  const QSize size = backBuffer_.size();
  const PaneOverlayStyle style = OverlayStyle(1.0);
  const PaneGrid grid = CurrentGrid();
  if (slots_.IsSplit()) {
    ComposeSplit(backBuffer_, grid, style);
  } else {
    ComposeOnePane(backBuffer_, {0, 0, size.width(), size.height()}, false, style);
  }
  return backBuffer_;
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
}

void CSelvoViewerView::ComposeSplit(QImage& buffer, const PaneGrid& grid, const PaneOverlayStyle& style) {
  for (int i = 0; i < grid.count; ++i) DrawSunkenEdge(buffer, grid.panes[i]);
  RefreshPaneOfCurrentImage();
  for (int i = 0; i < grid.count; ++i) {
    const PaneSlot& slot = slots_.CurrentSlot(i);
    PaneDrawRequest request;
    request.flags = slot.image ? (kDrawImage | kDrawTexts) : kDrawBlackBox;
    request.rect = grid.panes[i].Deflated(1);
    request.image = slot.image.get();
    request.time = slot.time;
    request.title = slot.title;
    request.status = slot.status;
    request.stretch = &pictureStretch_;
    DrawPane(buffer, request, style);
  }
}

void CSelvoViewerView::ComposeOnePane(QImage& buffer, const PixelRect& target, bool printing,
                                      const PaneOverlayStyle& style) {
  if (!DocumentReady()) return;
  const DibBlock* image = doc_.CurrentImage();
  if (image == nullptr) {
    DrawInvalidImage(buffer, target, ButtonFace(), doc_.GetCurrentStatus(), style);
    return;
  }
  PaneDrawRequest request = CurrentImageRequest(image);
  request.rect = target;
  request.printing = printing;
  // The printed page keeps the area-averaged stretch; the screen draws
  // straight into its back buffer.
  if (!printing) request.stretch = &pictureStretch_;
  DrawPane(buffer, request, style);
}

void CSelvoViewerView::paintEvent(QPaintEvent* /*event*/) {
  ComposeClientArea();
  QPainter painter(this);
  if (backBuffer_.isNull()) {
    // No memory for a back buffer: an empty view rather than stale pixels.
    painter.fillRect(rect(), ButtonFace());
    return;
  }
  backBuffer_.setDevicePixelRatio(devicePixelRatioF());  // no copy while the ratio stays
  painter.drawImage(0, 0, backBuffer_);
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
  QWidget::mousePressEvent(event);
}

void CSelvoViewerView::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) OnPaneDoubleClick(event->position().toPoint());
}

// ------------------------------------------------------------ save and print

bool CSelvoViewerView::RenderForExport(BitmapFileParts& parts) {
  if (!DocumentReady()) return false;
  const DibPtr image = doc_.CopyImageBlock();
  if (!image) return false;
  const int width = image->Width();
  const int height = static_cast<int>(width * 0.75);
  if (width <= 0 || height <= 0) return false;
  const QImage picture =
      ComposeSinglePane(width, height, ButtonFace(), CurrentImageRequest(image.get()), OverlayStyle(1.0));
  if (picture.isNull()) return false;
  parts = EncodeBitmap(picture);
  return !parts.bits.empty();
}

bool CSelvoViewerView::SaveImageTo(const QString& path, QString& reason) {
  reason.clear();
  BitmapFileParts parts;
  if (!RenderForExport(parts)) return false;
  return WriteBitmapFile(path, parts, reason);
}

void CSelvoViewerView::ShowSaveFailure(const QString& path, const QString& reason) {
  const bool japanese = CurrentUiLanguage() == UiLanguage::Japanese;
  const QString text = japanese ? QStringLiteral("画像を \"%1\" に保存できませんでした。\n%2")
                                 : QStringLiteral("The picture could not be saved as \"%1\".\n%2");
  QMessageBox::warning(this, QApplication::applicationDisplayName(), text.arg(path, reason));
}

void CSelvoViewerView::SaveImage() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  dialog.setNameFilter(QStringLiteral("bitmap(*.bmp)"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().constFirst();
  QString reason;
  if (!SaveImageTo(path, reason) && !reason.isEmpty()) ShowSaveFailure(path, reason);
}

bool CSelvoViewerView::PrintTo(QPrinter& printer) {
  printer.setDocName(QString::fromLatin1(kPrintJobName));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const int pageWidth = printer.width();
  const int pageHeight = printer.height();
  const double scale = std::min(1.0, static_cast<double>(kPrintComposeDpi) / std::max(1, printer.resolution()));
  const int width = std::max(1, static_cast<int>(std::lround(pageWidth * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(pageHeight * scale)));
  QImage page(width, height, QImage::Format_RGB32);
  if (!page.isNull()) {
    page.fill(Qt::white);
    ComposeOnePane(page, {0, 0, width, height}, true, OverlayStyle(scale));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, pageWidth, pageHeight), page);
  }
  return painter.end();
}

void CSelvoViewerView::PrintImage() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromLatin1(kPrintJobName));
  QPrintDialog dialog(&printer, this);
  dialog.setMinMax(1, 1);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintOrReport(printer);
}

void CSelvoViewerView::PrintOrReport(QPrinter& printer) {
  if (!PrintTo(printer)) ShowPrintFailure();
}

void CSelvoViewerView::ShowPrintFailure() {
  QMessageBox::warning(this, QApplication::applicationDisplayName(),
                       QString::fromStdString(LoadString(kPrintFailedString)));
}

}  // namespace selvo
