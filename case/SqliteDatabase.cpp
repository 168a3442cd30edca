#include "case/SqliteDatabase.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace selvo {

namespace {

std::string ErrorOf(sqlite3* db) {
  if (db == nullptr) return "out of memory";
  const int code = sqlite3_extended_errcode(db);
  std::string message = sqlite3_errmsg(db);
  const std::string kind = sqlite3_errstr(code);
  if (message != kind) message += " (" + kind + ")";
  // SQLite's "disk I/O error" alone does not tell a full disk from a
  // file-size limit or a device gone, and it keeps no errno for a failed
  // write: errno, cleared before each call, does. Only a cause of that
  // kind is named; the calls also meet missing journals on their way.
  const int primary = code & 0xFF;
  const int cause = sqlite3_system_errno(db) != 0 ? sqlite3_system_errno(db) : errno;
  const bool storage = cause == ENOSPC || cause == EFBIG || cause == EDQUOT || cause == EIO || cause == EROFS ||
                       cause == ENXIO || cause == ENODEV;
  if (storage && (primary == SQLITE_IOERR || primary == SQLITE_FULL)) {
    message += ": " + std::string(std::strerror(cause));
  }
  return message;
}

// A file name as an SQLite URI ("file:" + the path with '%', '?' and '#'
// and every byte outside printable ASCII percent-encoded).
std::string FileUri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '%' || c == '?' || c == '#') {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    } else {
      uri += c;
    }
  }
  return uri;
}

}  // namespace

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(db_); }

SqliteDatabase::SqliteDatabase(SqliteDatabase&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept {
  if (this != &other) {
    sqlite3_close_v2(db_);
    db_ = std::exchange(other.db_, nullptr);
  }
  return *this;
}

CaseResult<SqliteDatabase> SqliteDatabase::Open(const std::string& path, Access access, int busyTimeoutMs) {
  int flags = SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX;
  flags |= access == Access::kReadWrite ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  const bool immutable = access == Access::kImmutable;
  const std::string name = immutable ? FileUri(path) + "?immutable=1" : path;
  if (immutable) flags |= SQLITE_OPEN_URI;
  sqlite3* db = nullptr;
  const int code = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
  SqliteDatabase database(db);
  if (code != SQLITE_OK) return CaseResult<SqliteDatabase>::Failure(ErrorOf(db));
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, busyTimeoutMs);
  return database;
}

bool SqliteDatabase::IsReadOnly() const { return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1; }

CaseStatus SqliteDatabase::Execute(const char* sql) {
  char* error = nullptr;
  errno = 0;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) == SQLITE_OK) return {};
  sqlite3_free(error);
  return CaseStatus::Failure(LastError());
}

CaseResult<SqliteStatement> SqliteDatabase::Prepare(const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    return CaseResult<SqliteStatement>::Failure(LastError());
  }
  return SqliteStatement(db_, statement);
}

CaseResult<std::int64_t> SqliteDatabase::QueryInteger(const char* sql) {
  auto statement = Prepare(sql);
  if (!statement) return statement.status();
  const auto row = statement.value().Step();
  if (!row) return row.status();
  if (!row.value()) return CaseResult<std::int64_t>::Failure(std::string("no answer to ") + sql);
  return statement.value().Integer(0);
}

std::string SqliteDatabase::LastError() const { return ErrorOf(db_); }

int SqliteDatabase::LastErrorCode() const { return db_ == nullptr ? SQLITE_NOMEM : sqlite3_errcode(db_) & 0xFF; }

std::int64_t SqliteDatabase::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int SqliteDatabase::ChangedRows() const { return sqlite3_changes(db_); }

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    db_ = std::exchange(other.db_, nullptr);
    statement_ = std::exchange(other.statement_, nullptr);
  }
  return *this;
}

void SqliteStatement::Bind(int index, std::int64_t value) { sqlite3_bind_int64(statement_, index, value); }

void SqliteStatement::Bind(int index, const std::string& text) {
  sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::BindNull(int index) { sqlite3_bind_null(statement_, index); }

CaseResult<bool> SqliteStatement::Step() {
  errno = 0;
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  return CaseResult<bool>::Failure(ErrorOf(db_));
}

CaseStatus SqliteStatement::Run() {
  for (;;) {
    const auto row = Step();
    if (!row) return row.status();
    if (!row.value()) return {};
  }
}

void SqliteStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::int64_t SqliteStatement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string SqliteStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

bool SqliteStatement::IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

}  // namespace selvo
