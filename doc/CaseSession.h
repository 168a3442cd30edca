#pragma once
// The viewer's side of the case file: the case file it writes to, the
// identity of the open recording and that recording's bookmarks. The
// document owns it; the frame, the bookmark dialog and the Bookmarks dock
// read it and call it, and learn of changes through its signals.
//
// A case file that cannot be used (damaged, locked, read-only, of a newer
// schema) leaves the session closed with a message; the viewer goes on
// without bookmarks. The recording's identity reads its listing and a few
// files, seconds on exports of a million images, so it is taken on a thread
// of its own, and only while a case file is open; a bookmark made before it
// is known waits for it. Closing the recording never waits for it: the
// thread is left to finish on its own and its answer is dropped.
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "case/CaseFile.h"

namespace selvo {

class CaseSession : public QObject {
  Q_OBJECT

 public:
  explicit CaseSession(QObject* parent = nullptr);
  ~CaseSession() override;

  // Opens the case file at path, closing the one open before. False, and
  // closed with Message() saying why, when it cannot be written to.
  bool Open(const std::string& path, const CaseFileOptions& options = {});
  bool IsOpen() const { return file_.has_value(); }
  std::string Path() const { return file_ ? file_->Path() : std::string(); }
  // The case file the last Open named, whether or not it could be used.
  const std::string& ChosenPath() const { return chosenPath_; }
  // Why the case file or the recording's identity could not be used; empty
  // while all is well.
  const std::string& Message() const { return message_; }

  // A folder recording was opened: its identity is taken on a thread, then
  // the opening is logged and its bookmarks read.
  void SetRecording(const std::string& folder);
  // No folder recording is open (a disc, or none).
  void ForgetRecording();
  // Waits for an identity being taken and adopts it; false when there is
  // no recording or its identity could not be taken.
  bool WaitForIdentity();
  const std::string& RecordingFolder() const { return folder_; }

  // The open recording's bookmarks by camera and number, with those made in
  // an earlier content of its folder marked differs.
  const std::vector<Bookmark>& Bookmarks() const { return bookmarks_; }
  bool CanBookmark() const { return IsOpen() && !folder_.empty(); }

  CaseResult<Bookmark> AddBookmark(const BookmarkPlace& place, const std::string& note);
  CaseStatus EditNote(std::int64_t bookmarkId, const std::string& note);
  CaseStatus RemoveBookmark(std::int64_t bookmarkId);
  // An output just written, logged with its SHA-256 and the enhancements in
  // force. Nothing (and success) while no case file is open.
  CaseStatus LogOutput(LogKind kind, const std::string& path, const std::string& enhancements);
  // A page sent to a printer: there is no file to hash, so the printer is
  // named instead.
  CaseStatus LogPrinted(const std::string& printer, const std::string& enhancements);

 signals:
  // The list of bookmarks changed: added, edited, removed, or read anew.
  void bookmarksChanged();
  // Something went wrong with the case file; the text says what.
  void problem(const QString& message);

 private:
  struct IdentityWork;
  void StartIdentity();
  void AbandonIdentity();
  void AdoptIdentity();
  void ReadBookmarks();
  void Report(const std::string& message);
  std::string Refused() const;
  CaseStatus Changed(const CaseStatus& status);

  std::optional<CaseFile> file_;
  std::string message_;
  std::string chosenPath_;
  std::string folder_;
  std::optional<RecordingIdentity> identity_;
  std::vector<Bookmark> bookmarks_;

  // The identity being taken for the open recording; null when none is.
  std::shared_ptr<IdentityWork> work_;
};

}  // namespace selvo
