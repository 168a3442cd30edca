#pragma once
// The viewer's video export on a worker thread: it reads the recording
// through a source of its own, so the window and the document stay free to
// be used meanwhile. Progress and the end come as queued signals on the
// thread that made the job; destroying the job cancels the export and waits
// for the worker, and a cancelled export leaves no file.
#include <QObject>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

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
};

class VideoExportJob : public QObject {
  Q_OBJECT

 public:
  // painter draws the shareable kind's frames; it runs on the worker.
  VideoExportJob(VideoExportRequest request, FramePainter painter, QObject* parent = nullptr);
  ~VideoExportJob() override;

  // What File > Export Video... exports: the camera of the image shown,
  // over the copy range when one is set (whichever cameras the document's
  // list holds), else over the whole recording. Empty folder when the
  // document holds no recording folder.
  static VideoExportRequest RequestFor(const CSelvoViewerDoc& doc);

  void Start();
  void Cancel() { cancel_.store(1); }
  bool IsRunning() const { return running_.load() != 0; }

  // After finished().
  ExportOutcome Outcome() const { return outcome_; }
  const std::string& ErrorText() const { return error_; }
  // What the video lacks, one line each (VideoExport::Problems); also what
  // the recording lacked when the export could not start.
  const std::vector<std::string>& Problems() const { return problems_; }
  const std::vector<std::string>& Warnings() const { return warnings_; }
  const VideoExportRequest& Request() const { return request_; }

 signals:
  void progress(int done, int total);
  void finished();

 private:
  void Work();
  void Join();

  VideoExportRequest request_;
  FramePainter painter_;
  std::atomic<int> cancel_{0};
  std::atomic<int> running_{0};
  std::thread thread_;
  ExportOutcome outcome_ = ExportOutcome::kFailed;
  std::string error_;
  std::vector<std::string> problems_;
  std::vector<std::string> warnings_;
};

}  // namespace selvo
