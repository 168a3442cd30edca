#pragma once
// The image view: the recording's current picture alone or split into 4, 9
// or 16 panes, each tied to a camera channel, with the time text, the
// alteration marks and (on paper) the print title. Every paint is composed in
// a back buffer in device pixels and put on the screen in one draw. The
// right-button pane menu switches the split and assigns channels; a double
// click on a pane returns to one picture of that pane's channel. While Find
// Motion is open a drag on a pane draws an area of the motion search on that
// pane's picture (Shift: an area to ignore); the areas are drawn over the
// picture on the screen only, never into a saved, printed or exported one.
#include <functional>

#include <QColor>
#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>

#include "doc/ImageViewLink.h"
#include "source/motion/MotionRect.h"
#include "view/render/BitmapFileWriter.h"
#include "view/render/Enhance.h"
#include "view/render/PaneLayout.h"
#include "view/render/PaneRenderer.h"
#include "view/PaneSlotTable.h"
#include "view/render/ZoomState.h"

class QPainter;
class QRegion;

class QPrinter;

namespace selvo {

class CSelvoViewerDoc;

class CSelvoViewerView : public QWidget, public ImageViewLink {
  Q_OBJECT

 public:
  // How the texts and marks look now; the video export draws with it too.
  PaneOverlayStyle OverlayStyle(double scale) const;
  // Name the print job carries.
  static constexpr const char* kPrintJobName = "Selvo Viewer Print";
  // The printed page is composed at no more than this many dots per inch and
  // then stretched onto the printer, so a fine printer never needs a
  // page-sized buffer at its own resolution.
  static constexpr int kPrintComposeDpi = 240;

  explicit CSelvoViewerView(CSelvoViewerDoc& doc, QWidget* parent = nullptr);
  ~CSelvoViewerView() override;

  // ImageViewLink
  void RedrawImageView() override;
  void UpdateImageView() override;
  void ResetPanes() override;
  void SetSplit1() override;
  void SetSplit4() override;
  void SetSplit9() override;
  void SetSplit16() override;
  int GetPaneCount() const override { return slots_.PaneCount(); }
  void PrintImage() override;
  void SaveImage() override;

  // The first layout after the view was created: one pane.
  void OnInitialUpdate();

  bool IsSplit() const { return slots_.IsSplit(); }
  bool IsSplit4() const { return slots_.SideCount() == 2; }
  bool IsSplit9() const { return slots_.SideCount() == 3; }
  bool IsSplit16() const { return slots_.SideCount() == 4; }
  int GetPaneChannel(int pane) const { return slots_.PaneChannel(pane); }
  int SelectedPane() const { return slots_.SelectedPane(); }
  // In a split, the camera of the pane under the mouse pointer; -1 in one
  // pane or when the pointer is not over a pane.
  int ChannelUnderCursor() const;

  // ---- pane menu
  // Hit-tests a point in widget coordinates and remembers the pane; false
  // when the menu must not open (no recording, no channels, outside every
  // pane).
  bool SelectPaneAt(QPoint widgetPoint);
  // Fills menu with the items of the selected pane, each action carrying its
  // command id as data, enabled and checked by the item-state rules.
  void BuildPaneMenu(QMenu& menu) const;
  CommandState PaneMenuItemState(int id) const;
  // 40001..40021: the split and channel commands of the pane menu.
  void OnPaneMenuCommand(int id);
  // The double click: back to one picture of the pane's channel.
  void OnPaneDoubleClick(QPoint widgetPoint);

  // ---- examining a picture: zoom and pan per pane, enhancement for the eye
  // The zoom of a pane of the current split (pane 0 with one pane).
  const ZoomState& PaneZoom(int pane) const;
  // The pane the zoom commands act on: the last one the mouse was over.
  int ZoomPane() const { return zoomPane_; }
  // Wheel notches (positive in) about a point in widget coordinates.
  void ZoomAt(QPoint widgetPoint, double notches);
  void ZoomIn();
  void ZoomOut();
  void ZoomFit();
  void ZoomActualPixels();
  // Above 1:1 a zoomed picture shows sharp pixels unless this is set.
  bool IsSmoothScaling() const { return smoothScaling_; }
  void SetSmoothScaling(bool smooth);
  const EnhanceSettings& Enhancement() const { return enhance_; }
  void SetEnhancement(const EnhanceSettings& settings);
  // The zoom of ZoomPane for the status bar ("Zoom: 8.0x", "Zoom: fit").
  QString ZoomText() const;
  // The camera whose picture a pane shows: in one pane the current image's.
  int PaneCamera(int pane) const;

  // ---- pictures
  // The client area composed into the view's back buffer (device pixels),
  // which lives as long as the view's size does. A paint of the whole view
  // composes the same pixels straight into the window's backing store.
  const QImage& ComposeClientArea();
  // The current picture with its overlays at the picture's own width and a
  // 4:3 height, ready to be written as a bitmap file; false without a
  // picture.
  // shownArea: only the part a zoomed pane shows, at the same size.
  bool RenderForExport(BitmapFileParts& parts, bool shownArea = false);
  // Renders and writes path. False with an empty reason when there is no
  // picture, with the reason when the file could not be written; a failed
  // write leaves no file behind.
  bool SaveImageTo(const QString& path, QString& reason, bool shownArea = false);
  // One page on printer without a dialog; false when the page could not
  // start.
  bool PrintTo(QPrinter& printer);
  // PrintTo, and the standard message when the job could not start.
  void PrintOrReport(QPrinter& printer);
  bool PrintToFile(QPrinter& printer, QString& reason);
  std::vector<std::string> EvidenceFolders() const;
  // The small type at the foot of a printed page: file, camera, image,
  // time, verdict and the file's SHA-256.
  QStringList PrintFooterLines() const;
  // The PDF file the print dialog proposes: recording and image.
  QString ProposedPrintFileName() const;

 signals:
  // The split or a pane's channel changed: the frame updates its command
  // states, the panel follows the pane count and the position read-outs.
  void paneLayoutChanged(int paneCount);
  // The zoom of the pane under the mouse changed (ZoomText).
  void zoomChanged(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QSize DeviceSize() const;
  QPoint ToDevice(QPoint widgetPoint) const;
  PaneGrid CurrentGrid() const;
  QColor ButtonFace() const;
  // The first window says what to do, rather than stand empty.
  void DrawEmptyViewHint(QPainter& painter) const;
  PaneDrawRequest CurrentImageRequest(const DibBlock* image) const;
  bool DocumentReady() const;
  bool ResizeBackBuffer();
  void ComposeInto(QImage& buffer);
  QImage ScreenPixelsOf(QPainter& painter, const QRegion& paintRegion) const;
  void RefreshPaneOfCurrentImage();
  void ComposeSplit(QImage& buffer, const PaneGrid& grid, const PaneOverlayStyle& style);
  void ComposeOnePane(QImage& buffer, const PixelRect& target, bool printing, const PaneOverlayStyle& style);
  void ComposePrintPage(QImage& page, int dotsPerInch, const PaneOverlayStyle& style);
  void OpenPaneMenu(QPoint widgetPoint);
  // Where a pane's picture goes and how large the picture is.
  struct PaneGeometry {
    PixelBox box;
    QSizeF picture;
  };
  PaneGeometry GeometryOf(int pane) const;
  PixelRect PaneRect(int pane) const;
  // Where the pane's picture is drawn now: its box, smaller when the zoom
  // shows it below its fit.
  PixelBox ShownBoxOf(int pane) const;
  const DibBlock* PaneImage(int pane) const;
  // A device point of a pane to the recorded pixel under it (clamped to the
  // picture), and a rectangle of recorded pixels to device pixels, through
  // what the pane's zoom shows.
  QPointF DeviceToPicture(int pane, const QPointF& devicePoint) const;
  QRectF PictureToDevice(int pane, const MotionRect& area) const;
  void EndAreaDrag(const QPointF& devicePoint);
  void DrawMotionAreas(QPainter& painter) const;
  void OnMotionAreasChanged();
  int PaneAtDevice(QPoint devicePoint) const;
  ZoomState& MutablePaneZoom(int pane);
  void ZoomBy(int pane, const QPointF& boxPoint, double factor);
  void ZoomCommand(const std::function<void(ZoomState&, const PaneGeometry&)>& change);
  void AfterZoom();
  void ApplyExamining(PaneDrawRequest& request, int pane) const;
  void RefreshLockedPanes();
  bool AskShownArea(bool& shownArea);
  void ShowSaveFailure(const QString& path, const QString& reason);
  void ShowPrintFailure(const QString& reason);

  CSelvoViewerDoc& doc_;
  PaneSlotTable slots_;
  // Reused from paint to paint: a fresh window-size image per frame cost
  // more in page faults than the decode of the picture it shows.
  QImage backBuffer_;
  PictureStretch pictureStretch_;
  QImage pictureRows_;

  std::array<std::array<ZoomState, PaneSlotTable::kSlots>, PaneSlotTable::kModes> zoom_{};
  int zoomPane_ = 0;
  bool smoothScaling_ = false;
  EnhanceSettings enhance_;
  bool panning_ = false;
  QPoint panFrom_;
  // A motion area being dragged on a pane, in device pixels.
  struct AreaDrag {
    int pane = -1;
    QPointF from;
    QPointF to;
    bool ignore = false;
  };
  AreaDrag areaDrag_;
  QString shownZoomText_;
  int lockGeneration_ = -1;
};

}  // namespace selvo
