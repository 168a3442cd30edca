#pragma once
// The viewer's video export on a worker thread: it reads the recording
// through a source of its own, so the window and the document stay free to
// be used meanwhile. It reports as every WorkerJob does: progress, then
// finished with the outcome; destroying the job cancels the export and
// waits for the worker, and a cancelled export leaves no file.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "case/Bookmark.h"
#include "doc/WorkerJob.h"
#include "export/FolderExportInput.h"
#include "export/VideoExport.h"

namespace selvo {

class CSelvoViewerDoc;

struct VideoExportRequest {
  std::string folder;
  ExportSelection selection;
  std::string output;
  VideoKind kind = VideoKind::kLossless;
  bool sound = true;
  std::vector<Bookmark> bookmarks;  // the recording's, for chapters
};

struct VideoExportResult {
  ExportOutcome outcome = ExportOutcome::kFailed;
  std::string error;
  // What the video lacks, one line each (VideoExport::Problems); also what
  // the recording lacked when the export could not start.
  std::vector<std::string> problems;
  std::vector<std::string> warnings;
};

class VideoExportJob : public WorkerJob {
  Q_OBJECT

 public:
  // painter draws the shareable kind's frames; it runs on the worker.
  VideoExportJob(VideoExportRequest request, FramePainter painter, QObject* parent = nullptr);
  ~VideoExportJob() override;
  // The shareable kind's texts and marks alone, for pictures it decodes
  // and scales without painting; set before Start.
  void SetOverlays(std::shared_ptr<FrameOverlays> overlays) { overlays_ = std::move(overlays); }

  // What File > Export Video... exports: the camera of the image shown,
  // over the copy range when one is set (whichever cameras the document's
  // list holds), else over the whole recording. Empty folder when the
  // document holds no recording folder.
  static VideoExportRequest RequestFor(const CSelvoViewerDoc& doc);
  // The bookmarks as they stand when the export begins, for its chapters.
  // The case file reads a recording's bookmarks only once it knows the
  // recording, which may still be under way just after the open: this waits
  // for that, where RequestFor, asked at every menu update, cannot.
  static void TakeBookmarks(CSelvoViewerDoc& doc, VideoExportRequest& request);

  // Asks the worker to stop; finished follows with kCancelled.
  void Cancel() { cancel_.store(1); }

  const VideoExportRequest& Request() const { return request_; }

 signals:
  void finished(const VideoExportResult& result);

 private:
  void Work() override;
  void Announce() override { emit finished(result_); }

  VideoExportRequest request_;
  FramePainter painter_;
  std::shared_ptr<FrameOverlays> overlays_;
  std::atomic<int> cancel_{0};
  VideoExportResult result_;
};

}  // namespace selvo
