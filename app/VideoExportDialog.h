#pragma once
// File > Export Video...: asks what to export, where the video goes and
// which kind, then follows the export in a progress dialog that leaves the window usable;
// Cancel stops it and no file is left. It tells the outcome and goes away.
#include <QProgressDialog>

#include <memory>

#include "doc/VideoExportJob.h"
#include "view/render/PaneRenderer.h"

namespace selvo {

class CSelvoViewerDoc;

class VideoExportDialog : public QProgressDialog {
  Q_OBJECT

 public:
  // Asks what to export (camera, images, sound), then where. Null when
  // there is nothing to export or the user cancelled either dialog;
  // otherwise the running export's dialog, deleted when it closes.
  // defaultCamera (1..16): the camera offered first, the current pane's.
  // style: how the shareable kind draws its texts and marks.
  static VideoExportDialog* Start(CSelvoViewerDoc& doc, const PaneOverlayStyle& style, int defaultCamera,
                                  QWidget* parent);
  // The same once OUT and the kind are chosen.
  static VideoExportDialog* Begin(VideoExportRequest request, const PaneOverlayStyle& style, QWidget* parent);

  // The save dialog's answer: OUT with the extension of the chosen kind.
  static QString WithKindExtension(const QString& path, bool shareable);

  VideoExportJob& Job() { return *job_; }

 signals:
  // The video was written to path (whole, or with gaps it names).
  void exported(const QString& path);

 private:
  VideoExportDialog(VideoExportRequest request, const PaneOverlayStyle& style, QWidget* parent);
  void OnProgress(int done, int total);
  void OnFinished(const VideoExportResult& result);
  void ShowOutcome(const VideoExportResult& result);

  std::unique_ptr<VideoExportJob> job_;
};

}  // namespace selvo
