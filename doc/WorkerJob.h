#pragma once
// How the viewer's jobs that leave the window usable (the trailer check, the
// video export) run and report. A job owns one worker thread. It speaks
// through two signals, progress(done, total) while the worker works and the
// job's own finished(result) once at the end, and both are emitted on the
// thread that made the job, never on the worker: the worker posts them to
// the job. So a job destroyed before its news arrived takes that news with
// it, no receiver ever hears from a job that is gone, and finished comes
// after the worker has ended, when whatever it wrote may be read.
//
// The open ("Searching...") and the disc copy ("Copying...") block the
// window on purpose and keep their own handshake (FolderLoadJob,
// DiscCopyJob).
#include <QObject>

#include <thread>

namespace selvo {

class WorkerJob : public QObject {
  Q_OBJECT

 public:
  ~WorkerJob() override;

  // Starts the worker; nothing while one runs.
  void Start();
  // Started, and finished not emitted yet.
  bool IsRunning() const { return running_; }

 signals:
  void progress(int done, int total);

 protected:
  explicit WorkerJob(QObject* parent = nullptr);

  // The worker's body.
  virtual void Work() = 0;
  // On the job's thread once the worker has ended: emits finished(result).
  virtual void Announce() = 0;
  // Waits for the worker to end. A job's destructor asks its work to stop
  // and calls this itself, before its own members go: the worker may be
  // using them.
  void WaitForWorker();
  // For the worker: progress(done, total) on the job's thread.
  void PostProgress(int done, int total);

 private:
  std::thread worker_;
  bool running_ = false;  // the job's thread only
};

}  // namespace selvo
