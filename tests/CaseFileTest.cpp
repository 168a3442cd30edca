// The case file through libsqlite3 itself, in a scratch folder: concurrent
// writers in separate processes, a writer killed mid-transaction, and case
// files that are cut short, locked, read-only, foreign or from the future.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "source/Sha256.h"
#include "case/CaseFile.h"
#include "case/CaseSchema.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using test::TestFolder;

// Runs work in a child process; its exit status (a signal gives -1).
int InChild(const std::function<int()>& work) {
  const pid_t child = fork();
  if (child == 0) _exit(work());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs SQL through a connection of our own, as another program would.
std::string RawSql(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  char* error = nullptr;
  const int code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string message = code == SQLITE_OK ? "" : (error != nullptr ? error : "failed");
  sqlite3_free(error);
  sqlite3_close(db);
  return message;
}

RecordingIdentity IdentityOf(const TestFolder& scratch, const std::string& name) {
  scratch.Write(name + "/IMG00001/a.jpg", std::string("image a of ") + name);
  scratch.Write(name + "/time.txt", "0\r\n");
  auto identity = RecordingIdentity::Of(scratch / name);
  EXPECT_TRUE(identity.ok()) << identity.message();
  return identity.value();
}

BookmarkPlace Place(int camera, std::int64_t number) {
  return {camera, number, "IMG00001/a.jpg", 1700000000 + number, static_cast<std::uint32_t>(number * 100)};
}

CaseFile OpenOrFail(const std::string& path, int busyTimeoutMs = 5000) {
  CaseFileOptions options;
  options.busyTimeoutMs = busyTimeoutMs;
  auto opened = CaseFile::Open(path, options);
  if (!opened) {
    ADD_FAILURE() << opened.message();
    std::abort();
  }
  return std::move(opened.value());
}

std::vector<std::string> KindsOf(const std::vector<LogEntry>& entries) {
  std::vector<std::string> kinds;
  for (const LogEntry& entry : entries) kinds.push_back(entry.kind);
  return kinds;
}

TEST(CaseFile, KeepsBookmarksAndLogsEveryChangeInAChain) {
  TestFolder scratch;
  const RecordingIdentity recording = IdentityOf(scratch, "rec");
  const std::string path = scratch / "new/folders/cases.sqlite";
  {
    CaseFile caseFile = OpenOrFail(path);
    ASSERT_TRUE(caseFile.NoteRecordingOpened(recording));
    auto first = caseFile.AddBookmark(recording, Place(3, 125), "man at the door");
    auto second = caseFile.AddBookmark(recording, Place(1, 7), "car leaves");
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(caseFile.EditNote(first.value().id, "man at the back door"));
    ASSERT_TRUE(caseFile.RemoveBookmark(second.value().id));
    const CaseStatus missing = caseFile.EditNote(second.value().id, "gone");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.message().find("no bookmark"), std::string::npos) << missing.message();
    ASSERT_TRUE(caseFile.LogOutput(LogKind::kStillSaved, scratch / "rec/time.txt", "brightness +20"));
  }
  CaseFile reopened = OpenOrFail(path);
  auto bookmarks = reopened.Bookmarks(recording);
  ASSERT_TRUE(bookmarks);
  ASSERT_EQ(bookmarks.value().size(), 1u);
  const Bookmark& kept = bookmarks.value().front();
  EXPECT_EQ(kept.place.camera, 3);
  EXPECT_EQ(kept.place.number, 125);
  EXPECT_EQ(kept.note, "man at the back door");
  EXPECT_FALSE(kept.edited.empty());
  EXPECT_FALSE(kept.differs);
  EXPECT_FALSE(kept.author.empty());
  EXPECT_EQ(kept.created.back(), 'Z');

  auto log = reopened.Log();
  ASSERT_TRUE(log);
  EXPECT_EQ(KindsOf(log.value()), (std::vector<std::string>{"recording-opened", "bookmark-added", "bookmark-added",
                                                            "bookmark-edited", "bookmark-removed", "still-saved"}));
  // The still's entry names the file by its SHA-256 (of "0\r\n").
  const std::string timeList = "0\r\n";
  EXPECT_NE(log.value().back().details.find("\"sha256\":\"" + HexDigest(Sha256::Of(timeList.data(), timeList.size()))),
            std::string::npos)
      << log.value().back().details;
  auto check = reopened.CheckLog();
  ASSERT_TRUE(check);
  EXPECT_EQ(check.value().firstBreak.sequence, 0) << check.value().firstBreak.reason;
  EXPECT_EQ(check.value().entries, 6);
  // The log refuses changes through SQL, not only through our program.
  EXPECT_NE(RawSql(path, "UPDATE log SET details = '{}' WHERE sequence = 2"), "");
  EXPECT_NE(RawSql(path, "DELETE FROM log WHERE sequence = 6"), "");
}

TEST(CaseFile, ACaseFileInsideTheRecordingIsRefusedForIt) {
  TestFolder scratch;
  const std::string path = scratch / "rec/cases.sqlite";
  CaseFile caseFile = OpenOrFail(path);
  const RecordingIdentity recording = IdentityOf(scratch, "rec");
  for (const CaseStatus& refused :
       {caseFile.NoteRecordingOpened(recording), caseFile.AddBookmark(recording, Place(1, 1), "").status()}) {
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message().find("lies inside the recording"), std::string::npos) << refused.message();
  }
}

TEST(CaseFile, TwoWritersAtOnceLoseNothing) {
  TestFolder scratch;
  const RecordingIdentity recording = IdentityOf(scratch, "rec");
  const std::string path = scratch / "cases.sqlite";
  { OpenOrFail(path); }
  constexpr int kEach = 40;
  const auto writer = [&](int camera) {
    const pid_t child = fork();
    if (child != 0) return child;
    CaseFileOptions options;
    options.busyTimeoutMs = 30000;
    auto opened = CaseFile::Open(path, options);
    if (!opened) _exit(2);
    for (int i = 1; i <= kEach; ++i) {
      if (!opened.value().AddBookmark(recording, Place(camera, i), "writer " + std::to_string(camera))) _exit(3);
      // An entry alone reads the log's head before it writes.
      if (!opened.value().AppendLog(LogKind::kPagePrinted, {{"page", std::to_string(i)}}, recording.quick)) _exit(4);
    }
    _exit(0);
  };
  const pid_t children[] = {writer(1), writer(2)};
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  CaseFile caseFile = OpenOrFail(path);
  auto bookmarks = caseFile.Bookmarks(recording);
  ASSERT_TRUE(bookmarks);
  EXPECT_EQ(bookmarks.value().size(), 2u * kEach);
  auto check = caseFile.CheckLog();
  ASSERT_TRUE(check);
  EXPECT_EQ(check.value().entries, 2 * 2 * kEach);
  EXPECT_EQ(check.value().firstBreak.sequence, 0) << check.value().firstBreak.reason;
}

TEST(CaseFile, KillDuringWritesKeepsWhatWasSaved) {
  TestFolder scratch;
  const RecordingIdentity recording = IdentityOf(scratch, "rec");
  const std::string path = scratch / "cases.sqlite";
  for (int round = 0; round < 4; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(ready[0]);
      auto opened = CaseFile::Open(path);
      if (!opened || !opened.value().AddBookmark(recording, Place(9, round), "saved before the kill")) _exit(2);
      const char saved = 's';
      if (write(ready[1], &saved, 1) != 1) _exit(3);
      for (int i = 0;; ++i) opened.value().AddBookmark(recording, Place(10, i), "being written at the kill");
    }
    close(ready[1]);
    char saved = 0;
    ASSERT_EQ(read(ready[0], &saved, 1), 1) << "the child could not save its bookmark";
    close(ready[0]);
    usleep(static_cast<useconds_t>(3000 + 7000 * round));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  CaseFile caseFile = OpenOrFail(path);
  auto bookmarks = caseFile.Bookmarks(recording);
  ASSERT_TRUE(bookmarks);
  int savedBeforeKill = 0;
  for (const Bookmark& bookmark : bookmarks.value()) savedBeforeKill += bookmark.place.camera == 9 ? 1 : 0;
  EXPECT_EQ(savedBeforeKill, 4);
  auto check = caseFile.CheckLog();
  ASSERT_TRUE(check);
  EXPECT_EQ(check.value().firstBreak.sequence, 0) << check.value().firstBreak.reason;
  EXPECT_EQ(static_cast<std::size_t>(check.value().entries), bookmarks.value().size());
}

// A case file with a few bookmarks, written whole into the file itself.
std::string WrittenCaseFile(const TestFolder& scratch, const RecordingIdentity& recording) {
  const std::string path = scratch / "cases.sqlite";
  {
    CaseFile caseFile = OpenOrFail(path);
    for (int i = 0; i < 60; ++i) {
      EXPECT_TRUE(caseFile.AddBookmark(recording, Place(1, i), std::string(200, 'n')));
    }
  }
  return path;
}

TEST(CaseFile, RefusesCaseFilesItCannotTrustWithAMessage) {
  struct Damage {
    const char* what;
    std::function<void(const std::string& path)> apply;
    const char* message;
  };
  const Damage damages[] = {
      {"cut to half", [](const std::string& path) { truncate(path.c_str(), std::filesystem::file_size(path) / 2); },
       "damaged"},
      {"cut to nothing", [](const std::string& path) { truncate(path.c_str(), 0); }, "empty"},
      {"not a database",
       [](const std::string& path) {
         std::filesystem::remove(path);
         std::FILE* file = std::fopen(path.c_str(), "w");
         std::fputs("these are not the bookmarks you are looking for, not even close to a header\n", file);
         std::fclose(file);
       },
       "damaged or is no SQLite database"},
      {"another program's database",
       [](const std::string& path) {
         std::filesystem::remove(path);
         RawSql(path, "CREATE TABLE photos(id INTEGER)");
       },
       "another program"},
      {"a newer schema", [](const std::string& path) { RawSql(path, "PRAGMA user_version = 7"); }, "newer version"},
      {"a link",
       [](const std::string& path) {
         std::filesystem::rename(path, path + ".real");
         std::filesystem::create_symlink(path + ".real", path);
       },
       "is a link"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    TestFolder scratch;
    const std::string path = WrittenCaseFile(scratch, IdentityOf(scratch, "rec"));
    damage.apply(path);
    for (const bool readOnly : {false, true}) {
      CaseFileOptions options;
      options.readOnly = readOnly;
      auto opened = CaseFile::Open(path, options);
      ASSERT_FALSE(opened) << "opened for " << (readOnly ? "reading" : "writing");
      EXPECT_NE(opened.message().find(damage.message), std::string::npos) << opened.message();
      EXPECT_NE(opened.message().find(path), std::string::npos) << opened.message();
    }
  }
}

TEST(CaseFile, ALockedCaseFileFailsTheChangeWithAMessageAndLosesNothing) {
  TestFolder scratch;
  const RecordingIdentity recording = IdentityOf(scratch, "rec");
  const std::string path = scratch / "cases.sqlite";
  sqlite3* other = nullptr;
  {
    CaseFile caseFile = OpenOrFail(path, 200);
    ASSERT_TRUE(caseFile.AddBookmark(recording, Place(1, 1), "before"));
    // Another program holds a write transaction open past our patience.
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO recordings(identity, files, bytes, first_seen) "
                                  "VALUES('other', 0, 0, 'now')", nullptr, nullptr, nullptr), SQLITE_OK);
    auto refused = caseFile.AddBookmark(recording, Place(1, 2), "while locked");
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message().find("locked by another program"), std::string::npos) << refused.message();
    // Reading goes on beside the writer.
    auto listed = caseFile.Bookmarks(recording);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed.value().size(), 1u);
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  }
  // A program that takes the file for itself alone keeps even readers out.
  ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr),
            SQLITE_OK);
  for (const bool readOnly : {false, true}) {
    CaseFileOptions patience;
    patience.busyTimeoutMs = 200;
    patience.readOnly = readOnly;
    auto shut = CaseFile::Open(path, patience);
    EXPECT_FALSE(shut);
    if (!shut) {
      EXPECT_NE(shut.message().find("locked by another program"), std::string::npos) << shut.message();
    }
  }
  sqlite3_close(other);

  CaseFile caseFile = OpenOrFail(path, 200);
  ASSERT_TRUE(caseFile.AddBookmark(recording, Place(1, 3), "after"));
  auto bookmarks = caseFile.Bookmarks(recording);
  ASSERT_TRUE(bookmarks);
  ASSERT_EQ(bookmarks.value().size(), 2u);
  EXPECT_EQ(bookmarks.value()[1].note, "after");
  auto check = caseFile.CheckLog();
  ASSERT_TRUE(check);
  EXPECT_EQ(check.value().firstBreak.sequence, 0) << check.value().firstBreak.reason;
}

// Root writes through any permission: the check runs as nobody then.
bool DropRoot() { return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0); }

TEST(CaseFile, AReadOnlyCaseFileIsRefusedForWritingAndReadForListing) {
  TestFolder scratch;
  const RecordingIdentity recording = IdentityOf(scratch, "rec");
  const std::string path = WrittenCaseFile(scratch, recording);
  const std::string media = scratch.MakeDir("media");
  const std::string onMedia = media + "/cases.sqlite";
  std::filesystem::copy_file(path, onMedia);
  chmod(scratch.Path().c_str(), 0755);
  chmod(onMedia.c_str(), 0444);
  chmod(media.c_str(), 0555);  // no -wal or -shm can be made beside it
  const int code = InChild([&] {
    if (!DropRoot()) return 10;
    auto writing = CaseFile::Open(onMedia);
    if (writing) return 11;
    if (writing.message().find("read-only") == std::string::npos) return 12;
    CaseFileOptions options;
    options.readOnly = true;
    auto reading = CaseFile::Open(onMedia, options);
    if (!reading) {
      std::fprintf(stderr, "%s\n", reading.message().c_str());
      return 13;
    }
    auto listed = reading.value().Bookmarks(recording);
    if (!listed || listed.value().size() != 60) return 14;
    if (reading.value().AddBookmark(recording, Place(2, 2), "refused")) return 15;
    return 0;
  });
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace selvo
