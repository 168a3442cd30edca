#include "doc/VideoExportJob.h"

#include <utility>

#include "doc/CSelvoViewerDoc.h"
#include "export/BookmarkChapters.h"
#include "doc/VideoExportModule.h"

namespace selvo {

void VideoExportJob::TakeBookmarks(CSelvoViewerDoc& doc, VideoExportRequest& request) {
  doc.Case().WaitForIdentity();
  request.bookmarks = doc.Case().Bookmarks();
}

VideoExportRequest VideoExportJob::RequestFor(const CSelvoViewerDoc& doc) {
  VideoExportRequest request;
  // A disc has no path and no folder to read again.
  if (!doc.HasSource() || doc.GetCurrentPath().empty()) return request;
  request.folder = doc.LastOpenFolder();
  request.bookmarks = doc.Case().Bookmarks();
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
    : WorkerJob(parent), request_(std::move(request)), painter_(std::move(painter)) {}

VideoExportJob::~VideoExportJob() {
  Cancel();
  WaitForWorker();
}

void VideoExportJob::Work() {
  FolderExportInput input;
  if (!input.Open(request_.folder, request_.selection, &cancel_)) {
    result_.outcome = cancel_.load() != 0 ? ExportOutcome::kCancelled : ExportOutcome::kFailed;
    result_.error = input.ErrorText();
    result_.problems = input.Omissions();
    return;
  }
  VideoExportCall call;
  call.input = &input;
  call.options.kind = request_.kind;
  call.options.sound = request_.sound;
  call.painter = painter_;
  call.output = request_.output;
  call.overlays = overlays_;
  BookmarkChapterList chapters = BookmarkChapters(request_.bookmarks, input);
  call.chapters = std::move(chapters.chapters);
  int shown = -1;
  call.progress = [this, &shown](int done, int total) {
    // One report a percent: the window needs no more to follow.
    const int percent = total > 0 ? static_cast<int>(100LL * done / total) : 100;
    if (percent != shown) {
      shown = percent;
      PostProgress(done, total);
    }
    return cancel_.load() == 0;
  };
  RunVideoExportModule(call);
  result_.outcome = call.outcome;
  result_.error = call.error;
  result_.problems = call.problems;
  result_.warnings = call.warnings;
  result_.warnings.insert(result_.warnings.end(), chapters.leftOut.begin(), chapters.leftOut.end());
}

}  // namespace selvo
