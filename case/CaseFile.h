#pragma once
// The case file: an SQLite database beside the recordings (never inside
// them) holding the investigator's bookmarks and the append-only viewing
// log. Any SQLite client can read it; README.md ("Case file") documents the
// tables.
//
// Every change is one transaction that takes the write lock before it
// reads, so two viewers on one case file lose nothing and the log's chain
// never forks. The database runs in write-ahead-log mode with full syncs:
// a bookmark whose AddBookmark returned survives the program being killed.
// Every failure comes back as a value with a message for the user; the
// viewer then goes on without bookmarks. One CaseFile is used by one thread
// at a time; another thread or process opens its own.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "case/Bookmark.h"
#include "case/CaseResult.h"
#include "case/RecordingIdentity.h"
#include "case/SqliteDatabase.h"
#include "case/ViewingLog.h"

namespace selvo {

struct CaseFileOptions {
  // Only reads: for listing a case file on read-only media.
  bool readOnly = false;
  // How long a change waits for another program's transaction to end.
  int busyTimeoutMs = 5000;
  // Who writes the log: the program's name and version.
  std::string program = "selvo-viewer";
};

// Whether the log holds, and if not, where it first breaks.
struct LogCheck {
  std::int64_t entries = 0;
  std::string headSha256;  // the last entry's sha256: write it down to anchor the log
  ChainBreak firstBreak;   // sequence 0 when the chain holds
};

class CaseFile {
 public:
  // $XDG_DATA_HOME/selvo-viewer/cases.sqlite, or ~/.local/share/... when
  // XDG_DATA_HOME is unset or not absolute.
  static std::string DefaultPath();

  // Opens the case file, creating it (and its folder) when missing unless
  // readOnly; refuses a link, an empty or damaged file, a file that is not a
  // case file, one of a newer schema, and a read-only one when writing.
  static CaseResult<CaseFile> Open(const std::string& path, const CaseFileOptions& options = {});

  const std::string& Path() const { return path_; }
  bool IsReadOnly() const { return readOnly_; }

  // Notes that the recording was opened at identity.folder: keeps the
  // folder for it and logs the path and identity.
  CaseStatus NoteRecordingOpened(const RecordingIdentity& identity);

  // The recording's bookmarks, and those of recordings once seen at its
  // folder whose content now differs (marked differs), by camera and number.
  CaseResult<std::vector<Bookmark>> Bookmarks(const RecordingIdentity& identity);
  // Every bookmark of every recording.
  CaseResult<std::vector<Bookmark>> AllBookmarks();

  // Each of these changes the bookmarks and logs the change in one
  // transaction. author is the login name; the time is now, in UTC.
  CaseResult<Bookmark> AddBookmark(const RecordingIdentity& identity, const BookmarkPlace& place,
                                   const std::string& note);
  CaseStatus EditNote(std::int64_t bookmarkId, const std::string& note);
  CaseStatus RemoveBookmark(std::int64_t bookmarkId);

  // Appends an entry; recording is the quick identity it concerns, if any.
  CaseStatus AppendLog(LogKind kind, const LogDetails& details, const std::string& recording = {});
  // Logs an output just written (a still, a printed page's PDF, a report, a
  // video) with its path, its SHA-256 read back from the file and the
  // enhancements in force when it was made.
  CaseStatus LogOutput(LogKind kind, const std::string& outputPath, const std::string& enhancements,
                       const std::string& recording = {});

  // The whole log, or the entries about the recording and about recordings
  // once seen at its folder.
  CaseResult<std::vector<LogEntry>> Log();
  CaseResult<std::vector<LogEntry>> LogOf(const RecordingIdentity& identity);
  CaseResult<LogCheck> CheckLog();

  // The full identity (RecordingIdentity::FullOf) kept for the recording,
  // or empty when none was taken yet.
  CaseResult<std::string> StoredFullIdentity(const RecordingIdentity& identity);
  // Keeps the full identity when none is kept, and logs the comparison
  // ("recorded", "matches" or "differs"), which it answers.
  CaseResult<std::string> NoteFullIdentity(const RecordingIdentity& identity, const std::string& full);

 private:
  CaseFile(SqliteDatabase db, std::string path, bool readOnly, std::string program);
  CaseStatus InTransaction(const std::string& action, const std::function<CaseStatus()>& body);
  CaseStatus Explained(const std::string& action, const CaseStatus& failure) const;
  CaseResult<std::int64_t> EnsureRecording(const RecordingIdentity& identity, const std::string& now);
  CaseStatus AppendEntry(LogKind kind, const LogDetails& details, const std::string& recording,
                         const std::string& now);
  // Rows of a query, with the recording's identity and folder bound to ?1
  // and ?2 when one is given; what: the failure's words.
  template <class Row>
  CaseResult<std::vector<Row>> QueryRows(const std::string& sql, const RecordingIdentity* identity, const char* what,
                                         Row (*read)(const SqliteStatement&));
  CaseResult<Bookmark> BookmarkById(std::int64_t id);

  SqliteDatabase db_;
  std::string path_;
  bool readOnly_ = false;
  std::string program_;
  std::string user_;
  std::string host_;
};

}  // namespace selvo
