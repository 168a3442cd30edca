#include "doc/VideoExportJob.h"

#include "doc/CSelvoViewerDoc.h"

namespace selvo {

VideoExportRequest VideoExportJob::RequestFor(const CSelvoViewerDoc& doc) {
  VideoExportRequest request;
  // A disc has no path and no folder to read again.
  if (!doc.HasSource() || doc.GetCurrentPath().empty()) return request;
  request.folder = doc.LastOpenFolder();
  // Without an INFO index the images carry no camera: all of them go.
  if (doc.HasChannel(-1)) request.selection.camera = doc.GetCurrentChannel() + 1;
  if (doc.IsCopyRangeValid() && doc.GetCopyEnd() <= doc.GetCount()) {
    // Positions of the document's list, which may hold other cameras or
    // every image: the stamps say which of the camera's images lie between.
    request.selection.byStamps = true;
    request.selection.firstStamp = doc.GetStampAt(doc.GetCopyStart() - 1);
    request.selection.lastStamp = doc.GetStampAt(doc.GetCopyEnd() - 1);
  }
  return request;
}

VideoExportJob::VideoExportJob(VideoExportRequest request, FramePainter painter, QObject* parent)
    : QObject(parent), request_(std::move(request)), painter_(std::move(painter)) {
  // The worker's last act is to emit; the receiver joins it there.
  connect(this, &VideoExportJob::finished, this, &VideoExportJob::Join, Qt::QueuedConnection);
}

VideoExportJob::~VideoExportJob() {
  Cancel();
  Join();
}

void VideoExportJob::Start() {
  if (thread_.joinable()) return;
  running_.store(1);
  thread_ = std::thread(&VideoExportJob::Work, this);
}

void VideoExportJob::Join() {
  if (thread_.joinable()) thread_.join();
}

void VideoExportJob::Work() {
  FolderExportInput input;
  if (!input.Open(request_.folder, request_.selection, &cancel_)) {
    outcome_ = cancel_.load() != 0 ? ExportOutcome::kCancelled : ExportOutcome::kFailed;
    error_ = input.ErrorText();
    problems_ = input.Omissions();
  } else {
    VideoExportOptions options;
    options.kind = request_.kind;
    options.sound = request_.sound;
    VideoExport run(input, options);
    run.SetPainter(painter_);
    int shown = -1;
    run.SetProgress([this, &shown](int done, int total) {
      // One signal a percent: the window needs no more to follow.
      const int percent = total > 0 ? static_cast<int>(100LL * done / total) : 100;
      if (percent != shown) {
        shown = percent;
        emit progress(done, total);
      }
      return cancel_.load() == 0;
    });
    outcome_ = run.Run(request_.output);
    error_ = run.ErrorText();
    problems_ = run.Problems();
    warnings_ = run.Warnings();
  }
  running_.store(0);
  emit finished();
}

}  // namespace selvo
