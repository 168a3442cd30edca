#include "doc/CaseSession.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace selvo {

// What the identity thread and the session share. The thread holds it to
// the end, so it outlives a session that closed meanwhile.
struct CaseSession::IdentityWork {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool abandoned = false;
  CaseResult<RecordingIdentity> identity = CaseResult<RecordingIdentity>::Failure("");
};

CaseSession::CaseSession(QObject* parent) : QObject(parent) {}

CaseSession::~CaseSession() { AbandonIdentity(); }

bool CaseSession::Open(const std::string& path, const CaseFileOptions& options) {
  file_.reset();
  bookmarks_.clear();
  chosenPath_ = path.empty() ? CaseFile::DefaultPath() : path;
  CaseResult<CaseFile> opened = CaseFile::Open(chosenPath_, options);
  if (!opened) {
    Report(opened.message());
    emit bookmarksChanged();
    return false;
  }
  file_.emplace(std::move(opened.value()));
  message_.clear();
  if (identity_) {
    const CaseStatus noted = file_->NoteRecordingOpened(*identity_);
    if (!noted) Report(noted.message());
  } else if (!folder_.empty() && !work_) {
    StartIdentity();
  }
  ReadBookmarks();
  return true;
}

void CaseSession::SetRecording(const std::string& folder) {
  ForgetRecording();
  folder_ = folder;
  if (file_) StartIdentity();
}

void CaseSession::StartIdentity() {
  auto work = std::make_shared<IdentityWork>();
  work_ = work;
  std::thread([work, folder = folder_, self = this] {
    CaseResult<RecordingIdentity> identity = RecordingIdentity::Of(folder);
    const std::lock_guard<std::mutex> lock(work->mutex);
    work->identity = std::move(identity);
    work->finished = true;
    work->done.notify_all();
    // Under the lock: a session abandons its work before it goes.
    if (!work->abandoned) QMetaObject::invokeMethod(self, [self] { self->AdoptIdentity(); }, Qt::QueuedConnection);
  }).detach();
}

void CaseSession::AbandonIdentity() {
  if (!work_) return;
  {
    const std::lock_guard<std::mutex> lock(work_->mutex);
    work_->abandoned = true;
  }
  work_.reset();
}

void CaseSession::ForgetRecording() {
  AbandonIdentity();
  folder_.clear();
  identity_.reset();
  if (!bookmarks_.empty()) {
    bookmarks_.clear();
    emit bookmarksChanged();
  }
}

bool CaseSession::WaitForIdentity() {
  if (work_) {
    std::unique_lock<std::mutex> lock(work_->mutex);
    work_->done.wait(lock, [this] { return work_->finished; });
  }
  AdoptIdentity();
  return identity_.has_value();
}

// Runs on the user-interface thread, from the thread's queued call or from
// WaitForIdentity, whichever comes first; a call left over from a recording
// closed since finds no finished work and does nothing.
void CaseSession::AdoptIdentity() {
  if (!work_) return;
  CaseResult<RecordingIdentity> identity = CaseResult<RecordingIdentity>::Failure("");
  {
    const std::lock_guard<std::mutex> lock(work_->mutex);
    if (!work_->finished) return;
    identity = work_->identity;
  }
  work_.reset();
  if (!identity) {
    Report(identity.message());
    return;
  }
  identity_ = identity.value();
  if (!file_) return;
  const CaseStatus noted = file_->NoteRecordingOpened(*identity_);
  if (!noted) Report(noted.message());
  ReadBookmarks();
}

void CaseSession::ReadBookmarks() {
  bookmarks_.clear();
  if (file_ && identity_) {
    CaseResult<std::vector<Bookmark>> read = file_->Bookmarks(*identity_);
    if (read) {
      bookmarks_ = std::move(read.value());
    } else {
      Report(read.message());
    }
  }
  emit bookmarksChanged();
}

void CaseSession::Report(const std::string& message) {
  message_ = message;
  emit problem(QString::fromStdString(message));
}

std::string CaseSession::Refused() const {
  if (!message_.empty()) return message_;
  return file_ ? "no recording folder is open" : "no case file is open";
}

CaseStatus CaseSession::Changed(const CaseStatus& status) {
  if (!status) {
    Report(status.message());
    return status;
  }
  ReadBookmarks();
  return status;
}

CaseResult<Bookmark> CaseSession::AddBookmark(const BookmarkPlace& place, const std::string& note) {
  if (!file_ || !WaitForIdentity()) return CaseResult<Bookmark>::Failure(Refused());
  CaseResult<Bookmark> added = file_->AddBookmark(*identity_, place, note);
  Changed(added.ok() ? CaseStatus() : added.status());
  return added;
}

CaseStatus CaseSession::EditNote(std::int64_t bookmarkId, const std::string& note) {
  if (!file_) return CaseStatus::Failure(Refused());
  return Changed(file_->EditNote(bookmarkId, note));
}

CaseStatus CaseSession::RemoveBookmark(std::int64_t bookmarkId) {
  if (!file_) return CaseStatus::Failure(Refused());
  return Changed(file_->RemoveBookmark(bookmarkId));
}

CaseStatus CaseSession::LogOutput(LogKind kind, const std::string& path, const std::string& enhancements) {
  if (!file_) return {};
  WaitForIdentity();
  const CaseStatus logged = file_->LogOutput(kind, path, enhancements, identity_ ? identity_->quick : std::string());
  if (!logged) Report(logged.message());
  return logged;
}

CaseStatus CaseSession::LogPrinted(const std::string& printer, const std::string& enhancements) {
  if (!file_) return {};
  WaitForIdentity();
  const LogDetails details{{"printer", printer}, {"enhancements", enhancements}};
  const CaseStatus logged =
      file_->AppendLog(LogKind::kPagePrinted, details, identity_ ? identity_->quick : std::string());
  if (!logged) Report(logged.message());
  return logged;
}

}  // namespace selvo
