#pragma once
// A thin hold on libsqlite3's C interface: the connection and its prepared
// statements closed by their owners, every failure answered with SQLite's
// own message so that the case file can say what went wrong.
#include <cstdint>
#include <optional>
#include <string>

#include "case/CaseResult.h"

struct sqlite3;
struct sqlite3_stmt;

namespace selvo {

class SqliteStatement;

class SqliteDatabase {
 public:
  // kImmutable reads a file that nothing can change, such as one on
  // read-only media, where SQLite could not share its WAL index.
  enum class Access { kReadWrite, kReadOnly, kImmutable };

  SqliteDatabase() = default;
  ~SqliteDatabase();
  SqliteDatabase(SqliteDatabase&& other) noexcept;
  SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // kReadWrite creates the file when it is missing. Links are refused: the
  // case file is named by the user and must be the file it names.
  static CaseResult<SqliteDatabase> Open(const std::string& path, Access access, int busyTimeoutMs);

  bool IsOpen() const { return db_ != nullptr; }
  // Whether SQLite could only open the file for reading (permissions, media).
  bool IsReadOnly() const;

  // Runs statements without results; the message names what failed.
  CaseStatus Execute(const char* sql);
  CaseResult<SqliteStatement> Prepare(const char* sql);
  // The single integer a query such as "PRAGMA user_version" answers.
  CaseResult<std::int64_t> QueryInteger(const char* sql);

  // The connection's last error, with SQLite's result code in words.
  std::string LastError() const;
  // SQLite's primary result code of the last failure (SQLITE_BUSY, ...).
  int LastErrorCode() const;
  std::int64_t LastInsertId() const;
  int ChangedRows() const;

 private:
  explicit SqliteDatabase(sqlite3* db) : db_(db) {}
  sqlite3* db_ = nullptr;
};

// One prepared statement; binds are 1-based as in SQLite.
class SqliteStatement {
 public:
  SqliteStatement() = default;
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  void Bind(int index, std::int64_t value);
  void Bind(int index, const std::string& text);
  void BindNull(int index);

  // One step: a row (true), the end (false), or a failure.
  CaseResult<bool> Step();
  // Steps to the end of a statement that returns no rows.
  CaseStatus Run();
  void Reset();

  std::int64_t Integer(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;

 private:
  friend class SqliteDatabase;
  SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace selvo
