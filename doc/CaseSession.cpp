#include "doc/CaseSession.h"

#include <QMetaObject>

#include <utility>

namespace selvo {

CaseSession::CaseSession(QObject* parent) : QObject(parent) {}

// The identity thread only reads the recording; it is waited for, not
// stopped, so that closing never leaves it writing into a freed session.
CaseSession::~CaseSession() { JoinIdentityThread(); }

bool CaseSession::Open(const std::string& path, const CaseFileOptions& options) {
  file_.reset();
  bookmarks_.clear();
  CaseResult<CaseFile> opened = CaseFile::Open(path.empty() ? CaseFile::DefaultPath() : path, options);
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
  }
  ReadBookmarks();
  return true;
}

void CaseSession::SetRecording(const std::string& folder) {
  ForgetRecording();
  folder_ = folder;
  const int generation = generation_;
  identityThread_ = std::thread([this, folder, generation] {
    IdentityOutcome outcome{generation, RecordingIdentity::Of(folder)};
    {
      const std::lock_guard<std::mutex> lock(outcomeMutex_);
      outcome_ = std::move(outcome);
    }
    QMetaObject::invokeMethod(this, [this] { AdoptIdentity(); }, Qt::QueuedConnection);
  });
}

void CaseSession::ForgetRecording() {
  JoinIdentityThread();
  ++generation_;
  {
    const std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome_.reset();
  }
  folder_.clear();
  identity_.reset();
  if (!bookmarks_.empty()) {
    bookmarks_.clear();
    emit bookmarksChanged();
  }
}

bool CaseSession::WaitForIdentity() {
  JoinIdentityThread();
  AdoptIdentity();
  return identity_.has_value();
}

void CaseSession::JoinIdentityThread() {
  if (identityThread_.joinable()) identityThread_.join();
}

// Runs on the user-interface thread, from the thread's queued call or from
// WaitForIdentity, whichever comes first; an outcome of a recording opened
// before the current one is dropped.
void CaseSession::AdoptIdentity() {
  std::optional<IdentityOutcome> outcome;
  {
    const std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome.swap(outcome_);
  }
  if (!outcome || outcome->generation != generation_) return;
  if (!outcome->identity) {
    Report(outcome->identity.message());
    return;
  }
  identity_ = outcome->identity.value();
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
