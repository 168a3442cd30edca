#include "case/CaseFile.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>

#include "source/OutputRefusal.h"
#include "source/PathNames.h"
#include "case/CaseSchema.h"

namespace selvo {

namespace {

std::string NowUtc() {
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm fields {};
  gmtime_r(&now.tv_sec, &fields);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", fields.tm_year + 1900, fields.tm_mon + 1,
                fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec, static_cast<int>(now.tv_nsec / 1000000));
  return text;
}

// The login name of whoever runs the program, as the system knows it.
std::string LoginName() {
  std::vector<char> buffer(16384);
  passwd entry {};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr) {
    return found->pw_name;
  }
  if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
  return "uid " + std::to_string(getuid());
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

// Creates the folders of path's parent that are missing, private to the user.
bool MakeParentFolders(const std::string& path) {
  const std::string parent = FolderOf(path);
  if (parent.empty() || parent == "/") return true;
  struct stat info {};
  if (stat(parent.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  if (!MakeParentFolders(parent)) return false;
  return mkdir(parent.c_str(), 0700) == 0 || errno == EEXIST;
}

// What an SQLite failure means for the user, in front of SQLite's words.
std::string MeaningOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "the case file is locked by another program";
    case SQLITE_READONLY: return "the case file is read-only";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "the case file is damaged or is no SQLite database";
    case SQLITE_FULL: return "the disk is full";
    case SQLITE_IOERR: return "the case file could not be read or written";
    case SQLITE_CANTOPEN: return "the case file could not be opened";
    case SQLITE_PERM: return "access to the case file was refused";
    default: return {};
  }
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

Bookmark BookmarkFromRow(const SqliteStatement& row) {
  Bookmark bookmark;
  bookmark.id = row.Integer(0);
  bookmark.recording = row.Text(1);
  bookmark.folder = row.Text(2);
  bookmark.place.camera = static_cast<int>(row.Integer(3));
  bookmark.place.number = row.Integer(4);
  bookmark.place.file = row.Text(5);
  bookmark.place.recordTime = row.Integer(6);
  bookmark.place.stampMs = static_cast<std::uint32_t>(row.Integer(7));
  bookmark.note = row.Text(8);
  bookmark.author = row.Text(9);
  bookmark.created = row.Text(10);
  bookmark.edited = row.Text(11);
  bookmark.differs = row.Integer(12) != 0;
  return bookmark;
}

LogEntry LogEntryFromRow(const SqliteStatement& row) {
  LogEntry entry;
  entry.sequence = row.Integer(0);
  entry.time = row.Text(1);
  entry.user = row.Text(2);
  entry.host = row.Text(3);
  entry.program = row.Text(4);
  entry.kind = row.Text(5);
  entry.recording = row.Text(6);
  entry.details = row.Text(7);
  entry.previous = row.Text(8);
  entry.sha256 = row.Text(9);
  return entry;
}

LogDetails DetailsOf(const Bookmark& bookmark) {
  return {{"bookmark", std::to_string(bookmark.id)},
          {"camera", std::to_string(bookmark.place.camera)},
          {"number", std::to_string(bookmark.place.number)},
          {"file", bookmark.place.file},
          {"record_time", std::to_string(bookmark.place.recordTime)},
          {"stamp_ms", std::to_string(bookmark.place.stampMs)},
          {"note", bookmark.note}};
}

constexpr char kBookmarkColumns[] =
    "SELECT b.id, r.identity, (SELECT path FROM recording_paths p WHERE p.recording_id = r.id "
    "ORDER BY last_seen DESC LIMIT 1), b.camera, b.number, b.file, b.record_time, b.stamp_ms, b.note, b.author, "
    "b.created, b.edited, ";

constexpr char kLogColumns[] =
    "SELECT sequence, time, user, host, program, kind, recording, details, previous, sha256 FROM log ";

// Statements run by the case file's functions; the parts that differ from
// call to call are bound, never pasted into the text.
const std::string kBookmarksOfRecording =
    std::string(kBookmarkColumns) +
    "r.identity != ?1 FROM bookmarks b JOIN recordings r ON r.id = b.recording_id "
    "WHERE r.identity = ?1 OR r.id IN (SELECT recording_id FROM recording_paths WHERE path = ?2) "
    "ORDER BY b.camera, b.number, b.id";
const std::string kAllBookmarks = std::string(kBookmarkColumns) +
                                  "0 FROM bookmarks b JOIN recordings r ON r.id = b.recording_id "
                                  "ORDER BY r.id, b.camera, b.number, b.id";
const std::string kBookmarkById = std::string(kBookmarkColumns) +
                                  "0 FROM bookmarks b JOIN recordings r ON r.id = b.recording_id WHERE b.id = ?1";
const std::string kWholeLog = std::string(kLogColumns) + "ORDER BY sequence";
const std::string kLogOfRecording =
    std::string(kLogColumns) +
    "WHERE recording = ?1 OR recording IN (SELECT r.identity FROM recordings r JOIN recording_paths p "
    "ON p.recording_id = r.id WHERE p.path = ?2) ORDER BY sequence";
constexpr char kBookmarksUnread[] = "its bookmarks cannot be read";
constexpr char kLogUnread[] = "its viewing log cannot be read";

}  // namespace

std::string CaseFile::DefaultPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data != nullptr && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return JoinPath(JoinPath(base, "selvo-viewer"), "cases.sqlite");
}

CaseFile::CaseFile(SqliteDatabase db, std::string path, bool readOnly, std::string program)
    : db_(std::move(db)),
      path_(std::move(path)),
      readOnly_(readOnly),
      program_(std::move(program)),
      user_(LoginName()),
      host_(HostName()) {}

CaseResult<CaseFile> CaseFile::Open(const std::string& path, const CaseFileOptions& options) {
  using Result = CaseResult<CaseFile>;
  if (path.empty()) return Result::Failure("No case file was named.");
  const std::string prefix = "Case file " + path + ": ";
  struct stat info {};
  const bool exists = lstat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return Result::Failure(prefix + std::strerror(errno));
  if (exists && S_ISLNK(info.st_mode)) return Result::Failure(prefix + "is a link; name the case file itself.");
  if (exists && !S_ISREG(info.st_mode)) return Result::Failure(prefix + "is not a file.");
  if (!exists && options.readOnly) return Result::Failure(prefix + "there is no such file.");
  // A case file is never empty once made (its tables are written into it
  // before Open returns): an empty one was cut short, and taking it for a
  // new one would hide that its bookmarks are gone.
  if (exists && info.st_size == 0 && !FileExists(path + "-wal")) {
    return Result::Failure(prefix + "the file is empty, so it was cut short or is no case file. "
                                    "Move it away to start a new case file there.");
  }
  if (!exists && !MakeParentFolders(path)) return Result::Failure(prefix + std::strerror(errno));

  const auto access = options.readOnly ? SqliteDatabase::Access::kReadOnly : SqliteDatabase::Access::kReadWrite;
  auto opened = SqliteDatabase::Open(path, access, options.busyTimeoutMs);
  if (!opened) return Result::Failure(prefix + opened.message());
  CaseFile caseFile(std::move(opened.value()), path, options.readOnly, options.program + " " + SELVO_VERSION);
  SqliteDatabase& db = caseFile.db_;
  if (options.readOnly && !db.QueryInteger("PRAGMA user_version") &&
      (db.LastErrorCode() == SQLITE_READONLY || db.LastErrorCode() == SQLITE_CANTOPEN)) {
    // On read-only media SQLite cannot make the index a WAL reader shares;
    // nothing can change the file there, so it is read as it lies, unless
    // changes still wait in its -wal file, which that way would be skipped.
    struct stat wal {};
    if (lstat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0) {
      return Result::Failure(prefix + "its latest changes wait in " + path +
                             "-wal, which cannot be read where the case file cannot be written. Copy both files "
                             "to a writable folder and read the copy.");
    }
    opened = SqliteDatabase::Open(path, SqliteDatabase::Access::kImmutable, options.busyTimeoutMs);
    if (!opened) return Result::Failure(prefix + opened.message());
    db = std::move(opened.value());
  }
  if (!options.readOnly && db.IsReadOnly()) {
    return Result::Failure(prefix + "the file is read-only, so bookmarks and the viewing log cannot be saved in it.");
  }

  auto checked = db.Prepare("PRAGMA quick_check(1)");
  auto verdict = checked ? checked.value().Step() : CaseResult<bool>(checked.status());
  if (!verdict) return caseFile.Explained("cannot be read", verdict.status());
  if (verdict.value() && checked.value().Text(0) != "ok") {
    return Result::Failure(prefix + "the file is damaged (" + checked.value().Text(0) + ").");
  }
  checked = CaseResult<SqliteStatement>(SqliteStatement());
  const auto version = db.QueryInteger("PRAGMA user_version");
  const auto application = db.QueryInteger("PRAGMA application_id");
  const auto tables = db.QueryInteger("SELECT count(*) FROM sqlite_master");
  if (!version || !application || !tables) {
    return caseFile.Explained("cannot be read", !version ? version.status() : !application ? application.status()
                                                                                                : tables.status());
  }
  if (version.value() > kCaseSchemaVersion) {
    return Result::Failure(prefix + "it was written by a newer version of the program (case file version " +
                           std::to_string(version.value()) + "; this version reads up to " +
                           std::to_string(kCaseSchemaVersion) + "). Open it with that version.");
  }
  const bool fresh = application.value() == 0 && tables.value() == 0;
  if (application.value() != kCaseApplicationId && !fresh) {
    return Result::Failure(prefix + "the file is an SQLite database of another program, not a case file.");
  }
  if (options.readOnly) {
    if (fresh) return Result::Failure(prefix + "the file holds no case yet.");
    return caseFile;
  }
  // WAL lets a second viewer read while this one writes; FULL syncs every
  // commit, so a saved bookmark outlives a power cut, not only a kill.
  if (CaseStatus wal = db.Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON");
      !wal) {
    return caseFile.Explained("cannot be prepared for writing", wal);
  }
  if (version.value() < kCaseSchemaVersion) {
    if (CaseStatus migrated = MigrateCaseSchema(db); !migrated) {
      return caseFile.Explained("cannot be brought to this version", migrated);
    }
    // The tables go into the file itself, so that it is never empty again.
    db.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  return caseFile;
}

CaseStatus CaseFile::Explained(const std::string& action, const CaseStatus& failure) const {
  std::string message = "Case file " + path_ + ": " + action;
  const std::string meaning = MeaningOf(db_.LastErrorCode());
  if (!meaning.empty()) message += ", as " + meaning;
  return CaseStatus::Failure(message + " (" + failure.message() + ").");
}

CaseStatus CaseFile::InTransaction(const std::string& action, const std::function<CaseStatus()>& body) {
  if (readOnly_) return CaseStatus::Failure("Case file " + path_ + ": " + action + " is not possible, as it was opened only for reading.");
  // IMMEDIATE takes the write lock before anything is read, so that two
  // programs never build on the same last entry of the log.
  if (CaseStatus begun = db_.Execute("BEGIN IMMEDIATE"); !begun) return Explained(action + " failed", begun);
  CaseStatus status;
  try {
    status = body();
  } catch (const std::exception& error) {  // memory ran out: the change is dropped, the program goes on
    status = CaseStatus::Failure("Case file " + path_ + ": " + action + " failed (" + error.what() + ").");
  }
  if (status) {
    status = db_.Execute("COMMIT");
    if (!status) status = Explained(action + " failed", status);
  }
  if (!status) db_.Execute("ROLLBACK");
  return status;
}

CaseResult<std::int64_t> CaseFile::EnsureRecording(const RecordingIdentity& identity, const std::string& now) {
  // A case file inside the recording would change the evidence, and with it
  // the recording's identity, at every save.
  if (!OutputRefusal({{"the case file", path_}}, {identity.folder}).empty()) {
    return CaseResult<std::int64_t>::Failure("the case file lies inside the recording " + identity.folder +
                                             "; choose one outside it");
  }
  auto insert = db_.Prepare(
      "INSERT INTO recordings(identity, files, bytes, first_seen) VALUES(?1, ?2, ?3, ?4) "
      "ON CONFLICT(identity) DO NOTHING");
  if (!insert) return insert.status();
  insert.value().Bind(1, identity.quick);
  insert.value().Bind(2, identity.files);
  insert.value().Bind(3, identity.bytes);
  insert.value().Bind(4, now);
  if (CaseStatus run = insert.value().Run(); !run) return run;
  auto select = db_.Prepare("SELECT id FROM recordings WHERE identity = ?1");
  if (!select) return select.status();
  select.value().Bind(1, identity.quick);
  const auto row = select.value().Step();
  if (!row) return row.status();
  const std::int64_t id = select.value().Integer(0);
  auto path = db_.Prepare(
      "INSERT INTO recording_paths(recording_id, path, first_seen, last_seen) VALUES(?1, ?2, ?3, ?3) "
      "ON CONFLICT(recording_id, path) DO UPDATE SET last_seen = excluded.last_seen");
  if (!path) return path.status();
  path.value().Bind(1, id);
  path.value().Bind(2, identity.folder);
  path.value().Bind(3, now);
  if (CaseStatus run = path.value().Run(); !run) return run;
  return id;
}

CaseStatus CaseFile::AppendEntry(LogKind kind, const LogDetails& details, const std::string& recording,
                                 const std::string& now) {
  auto head = db_.Prepare("SELECT entries, sha256 FROM log_head WHERE id = 1");
  if (!head) return head.status();
  const auto row = head.value().Step();
  if (!row) return row.status();
  if (!row.value()) return CaseStatus::Failure("the log's head row is missing");
  LogEntry entry;
  entry.sequence = head.value().Integer(0) + 1;
  entry.previous = entry.sequence == 1 ? kFirstPrevious : head.value().Text(1);
  entry.time = now;
  entry.user = user_;
  entry.host = host_;
  entry.program = program_;
  entry.kind = LogKindText(kind);
  entry.recording = recording;
  entry.details = DetailsJson(details);
  entry.sha256 = EntryHash(entry);
  auto insert = db_.Prepare(
      "INSERT INTO log(sequence, time, user, host, program, kind, recording, details, previous, sha256) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  if (!insert) return insert.status();
  SqliteStatement& statement = insert.value();
  statement.Bind(1, entry.sequence);
  statement.Bind(2, entry.time);
  statement.Bind(3, entry.user);
  statement.Bind(4, entry.host);
  statement.Bind(5, entry.program);
  statement.Bind(6, entry.kind);
  statement.Bind(7, entry.recording);
  statement.Bind(8, entry.details);
  statement.Bind(9, entry.previous);
  statement.Bind(10, entry.sha256);
  if (CaseStatus run = statement.Run(); !run) return run;
  auto update = db_.Prepare("UPDATE log_head SET entries = ?1, sha256 = ?2 WHERE id = 1");
  if (!update) return update.status();
  update.value().Bind(1, entry.sequence);
  update.value().Bind(2, entry.sha256);
  return update.value().Run();
}

CaseStatus CaseFile::NoteRecordingOpened(const RecordingIdentity& identity) {
  return InTransaction("noting the recording opened", [&]() -> CaseStatus {
    const std::string now = NowUtc();
    if (auto id = EnsureRecording(identity, now); !id) return id.status();
    return AppendEntry(LogKind::kRecordingOpened,
                       {{"path", identity.folder},
                        {"identity", identity.quick},
                        {"files", std::to_string(identity.files)},
                        {"bytes", std::to_string(identity.bytes)}},
                       identity.quick, now);
  });
}

template <class Row>
CaseResult<std::vector<Row>> CaseFile::QueryRows(const std::string& sql, const RecordingIdentity* identity,
                                                 const char* what, Row (*read)(const SqliteStatement&)) {
  auto query = db_.Prepare(sql.c_str());
  if (!query) return Explained(what, query.status());
  if (identity != nullptr) {
    query.value().Bind(1, identity->quick);
    query.value().Bind(2, identity->folder);
  }
  std::vector<Row> rows;
  for (;;) {
    const auto row = query.value().Step();
    if (!row) return Explained(what, row.status());
    if (!row.value()) return rows;
    rows.push_back(read(query.value()));
  }
}

CaseResult<std::vector<Bookmark>> CaseFile::Bookmarks(const RecordingIdentity& identity) {
  return QueryRows(kBookmarksOfRecording, &identity, kBookmarksUnread, BookmarkFromRow);
}

CaseResult<std::vector<Bookmark>> CaseFile::AllBookmarks() {
  return QueryRows(kAllBookmarks, nullptr, kBookmarksUnread, BookmarkFromRow);
}

CaseResult<Bookmark> CaseFile::BookmarkById(std::int64_t id) {
  auto query = db_.Prepare(kBookmarkById.c_str());
  if (!query) return query.status();
  query.value().Bind(1, id);
  const auto row = query.value().Step();
  if (!row) return row.status();
  if (!row.value()) {
    return CaseResult<Bookmark>::Failure("there is no bookmark " + std::to_string(id) +
                                         " (another viewer may have removed it)");
  }
  return BookmarkFromRow(query.value());
}

CaseResult<Bookmark> CaseFile::AddBookmark(const RecordingIdentity& identity, const BookmarkPlace& place,
                                           const std::string& note) {
  Bookmark made;
  const CaseStatus status = InTransaction("saving the bookmark", [&]() -> CaseStatus {
    const std::string now = NowUtc();
    const auto recording = EnsureRecording(identity, now);
    if (!recording) return recording.status();
    auto insert = db_.Prepare(
        "INSERT INTO bookmarks(recording_id, camera, number, file, record_time, stamp_ms, note, author, created) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    if (!insert) return insert.status();
    SqliteStatement& statement = insert.value();
    statement.Bind(1, recording.value());
    statement.Bind(2, std::int64_t{place.camera});
    statement.Bind(3, place.number);
    statement.Bind(4, place.file);
    statement.Bind(5, place.recordTime);
    statement.Bind(6, std::int64_t{place.stampMs});
    statement.Bind(7, note);
    statement.Bind(8, user_);
    statement.Bind(9, now);
    if (CaseStatus run = statement.Run(); !run) return run;
    made = {db_.LastInsertId(), identity.quick, identity.folder, place, note, user_, now, {}, false};
    return AppendEntry(LogKind::kBookmarkAdded, DetailsOf(made), identity.quick, now);
  });
  if (!status) return status;
  return made;
}

CaseStatus CaseFile::EditNote(std::int64_t bookmarkId, const std::string& note) {
  return InTransaction("saving the note", [&]() -> CaseStatus {
    const std::string now = NowUtc();
    const auto old = BookmarkById(bookmarkId);
    if (!old) return old.status();
    auto update = db_.Prepare("UPDATE bookmarks SET note = ?1, edited = ?2 WHERE id = ?3");
    if (!update) return update.status();
    update.value().Bind(1, note);
    update.value().Bind(2, now);
    update.value().Bind(3, bookmarkId);
    if (CaseStatus run = update.value().Run(); !run) return run;
    LogDetails details = DetailsOf(old.value());
    details.emplace_back("old_note", old.value().note);
    for (auto& [key, value] : details) {
      if (key == "note") value = note;
    }
    return AppendEntry(LogKind::kBookmarkEdited, details, old.value().recording, now);
  });
}

CaseStatus CaseFile::RemoveBookmark(std::int64_t bookmarkId) {
  return InTransaction("removing the bookmark", [&]() -> CaseStatus {
    const std::string now = NowUtc();
    const auto old = BookmarkById(bookmarkId);
    if (!old) return old.status();
    auto remove = db_.Prepare("DELETE FROM bookmarks WHERE id = ?1");
    if (!remove) return remove.status();
    remove.value().Bind(1, bookmarkId);
    if (CaseStatus run = remove.value().Run(); !run) return run;
    LogDetails details = DetailsOf(old.value());
    details.emplace_back("author", old.value().author);
    details.emplace_back("created", old.value().created);
    return AppendEntry(LogKind::kBookmarkRemoved, details, old.value().recording, now);
  });
}

CaseStatus CaseFile::AppendLog(LogKind kind, const LogDetails& details, const std::string& recording) {
  return InTransaction("writing the viewing log", [&]() { return AppendEntry(kind, details, recording, NowUtc()); });
}

CaseStatus CaseFile::LogOutput(LogKind kind, const std::string& outputPath, const std::string& enhancements,
                               const std::string& recording) {
  LogDetails details = {{"path", outputPath}, {"enhancements", enhancements}};
  // The output is logged even when it cannot be read back: that it was made
  // is the fact the log must keep.
  const auto digest = FileSha256(outputPath);
  details.emplace_back(digest ? "sha256" : "sha256_error", digest ? digest.value() : digest.message());
  return AppendLog(kind, details, recording);
}

CaseResult<std::vector<LogEntry>> CaseFile::Log() { return QueryRows(kWholeLog, nullptr, kLogUnread, LogEntryFromRow); }

CaseResult<std::vector<LogEntry>> CaseFile::LogOf(const RecordingIdentity& identity) {
  return QueryRows(kLogOfRecording, &identity, kLogUnread, LogEntryFromRow);
}

CaseResult<LogCheck> CaseFile::CheckLog() {
  // One read transaction: the head and the entries seen at one moment,
  // whatever another viewer appends meanwhile.
  if (CaseStatus begun = db_.Execute("BEGIN IMMEDIATE"); !begun) return Explained(kLogUnread, begun);
  auto entries = Log();
  auto head = db_.Prepare("SELECT entries, sha256 FROM log_head WHERE id = 1");
  auto row = head ? head.value().Step() : CaseResult<bool>(head.status());
  LogCheck check;
  if (row && row.value()) {
    check.entries = head.value().Integer(0);
    check.headSha256 = head.value().Text(1);
  }
  const CaseStatus failure = !entries ? entries.status() : !row ? Explained(kLogUnread, row.status())
                                                               : CaseStatus();
  head = CaseResult<SqliteStatement>(SqliteStatement());
  db_.Execute("COMMIT");
  if (!failure) return failure;
  if (!row.value()) return CaseResult<LogCheck>::Failure("Case file " + path_ + ": the log's head row is missing.");
  check.firstBreak = CheckChain(entries.value(), check.entries, check.headSha256);
  return check;
}

CaseResult<std::string> CaseFile::StoredFullIdentity(const RecordingIdentity& identity) {
  auto query = db_.Prepare("SELECT full_identity FROM recordings WHERE identity = ?1");
  if (!query) return Explained("it cannot be read", query.status());
  query.value().Bind(1, identity.quick);
  const auto row = query.value().Step();
  if (!row) return Explained("it cannot be read", row.status());
  return row.value() ? query.value().Text(0) : std::string();
}

CaseResult<std::string> CaseFile::NoteFullIdentity(const RecordingIdentity& identity, const std::string& full) {
  std::string outcome;
  const CaseStatus status = InTransaction("keeping the full identity", [&]() -> CaseStatus {
    const std::string now = NowUtc();
    if (auto id = EnsureRecording(identity, now); !id) return id.status();
    const auto stored = StoredFullIdentity(identity);
    if (!stored) return stored.status();
    outcome = stored.value().empty() ? "recorded" : stored.value() == full ? "matches" : "differs";
    if (stored.value().empty()) {
      auto update = db_.Prepare("UPDATE recordings SET full_identity = ?1 WHERE identity = ?2");
      if (!update) return update.status();
      update.value().Bind(1, full);
      update.value().Bind(2, identity.quick);
      if (CaseStatus run = update.value().Run(); !run) return run;
    }
    LogDetails details = {{"check", "full identity"}, {"path", identity.folder}, {"full_identity", full},
                          {"outcome", outcome}};
    if (outcome == "differs") details.emplace_back("stored_full_identity", stored.value());
    return AppendEntry(LogKind::kVerification, details, identity.quick, now);
  });
  if (!status) return status;
  return outcome;
}

}  // namespace selvo
