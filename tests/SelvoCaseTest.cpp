// selvo-case run as users run it: bookmarks found by the recording's
// content, the log listed, and its chain checked after the sqlite3 shell
// changed the case file behind our back.
#include <gtest/gtest.h>

#include <filesystem>

#include "case/CaseFile.h"
#include "tests/CommandRun.h"
#include "tests/SmallRecording.h"

namespace selvo {
namespace {

using test::RunCommand;
using test::TestFolder;
namespace fs = std::filesystem;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string SelvoCase(const std::string& caseFile, const std::string& arguments) {
  return test::Tool("selvo-case") + " --case " + Quoted(caseFile) + " " + arguments;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

void FlipLastByte(const std::string& path) {
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
  bytes.back() ^= 0x01;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// A recording of twenty images with two bookmarks and a still in the log.
struct MarkedCase {
  TestFolder scratch;
  std::string recording;
  std::string caseFile;

  MarkedCase() {
    recording = test::WriteSmallRecording(scratch, "rec", std::vector<test::SmallFrame>(20), true, 16, 16, true);
    caseFile = scratch / "case/cases.sqlite";
    auto opened = CaseFile::Open(caseFile);
    EXPECT_TRUE(opened) << opened.message();
    auto identity = RecordingIdentity::Of(recording);
    EXPECT_TRUE(identity) << identity.message();
    CaseFile& file = opened.value();
    EXPECT_TRUE(file.NoteRecordingOpened(identity.value()));
    EXPECT_TRUE(file.AddBookmark(identity.value(), {2, 4, "IMG00001/IMG00004.jpg", 1700000000, 300},
                                 "red car, \"fast\"\nturns left"));
    EXPECT_TRUE(file.AddBookmark(identity.value(), {1, 9, "IMG00001/IMG00009.jpg", 1700000005, 800},
                                 "door \x1b[31mopens"));
    EXPECT_TRUE(file.LogOutput(LogKind::kStillSaved, recording + "/time.txt", "none", identity.value().quick));
    EXPECT_TRUE(file.AppendLog(LogKind::kVerification, {{"outcome", "all 20 images unaltered"}}));
  }
};

TEST(SelvoCase, BookmarksFollowTheRecordingsContentNotItsPath) {
  MarkedCase marked;
  const auto json = RunCommand(SelvoCase(marked.caseFile, "bookmarks --json " + Quoted(marked.recording)));
  ASSERT_EQ(json.exitCode, 0) << json.out;
  const auto lines = Lines(json.out);
  ASSERT_EQ(lines.size(), 2u) << json.out;
  // By camera, then number.
  EXPECT_NE(lines[0].find("\"camera\": 1, \"number\": 9, \"file\": \"IMG00001/IMG00009.jpg\""), std::string::npos)
      << lines[0];
  EXPECT_NE(lines[0].find("\"note\": \"door \\u001b[31mopens\""), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("\"time\": \"2023-11-15 07:13:20\", \"stamp\": 300"), std::string::npos) << lines[1];
  for (const char* field : {"\"author\": \"", "\"created\": \"", "\"differs\": false"}) {
    EXPECT_NE(lines[1].find(field), std::string::npos) << field << " in " << lines[1];
  }

  // A byte-identical copy elsewhere finds them.
  const std::string copy = marked.scratch / "other disc/rec";
  fs::create_directories(copy);
  fs::copy(marked.recording, copy, fs::copy_options::recursive);
  EXPECT_EQ(RunCommand(SelvoCase(marked.caseFile, "bookmarks --json " + Quoted(copy))).out, json.out);

  // The recording changed where it lies: its bookmarks come with a warning.
  FlipLastByte(marked.recording + "/time.txt");
  const auto changed =
      RunCommand(SelvoCase(marked.caseFile, "bookmarks --json " + Quoted(marked.recording)) + " 2>/dev/null");
  ASSERT_EQ(changed.exitCode, 0);
  ASSERT_EQ(Lines(changed.out).size(), 2u) << changed.out;
  EXPECT_NE(Lines(changed.out)[0].find("\"differs\": true"), std::string::npos) << changed.out;
  const auto warned = RunCommand(SelvoCase(marked.caseFile, "bookmarks " + Quoted(marked.recording)) + " 2>&1");
  EXPECT_NE(warned.out.find("differs from the one 2 of these bookmarks were made in"), std::string::npos) << warned.out;
  EXPECT_NE(warned.out.find("[RECORDING DIFFERS]"), std::string::npos) << warned.out;
  // The terminal listing cannot be recoloured by a note.
  EXPECT_EQ(warned.out.find('\x1b'), std::string::npos) << warned.out;

  // Without a folder: every bookmark, as CSV that keeps the note whole.
  const auto csv = RunCommand(SelvoCase(marked.caseFile, "bookmarks --csv"));
  ASSERT_EQ(csv.exitCode, 0);
  EXPECT_EQ(csv.out.rfind("id,camera,number,file,time,stamp,note,author,created,edited,differs,recording,folder\n", 0),
            0u)
      << csv.out;
  EXPECT_NE(csv.out.find(",\"red car, \"\"fast\"\"\nturns left\","), std::string::npos) << csv.out;
}

TEST(SelvoCase, LogListsEveryEntryAndVerifyHolds) {
  MarkedCase marked;
  const auto all = RunCommand(SelvoCase(marked.caseFile, "log --json"));
  ASSERT_EQ(all.exitCode, 0);
  const auto lines = Lines(all.out);
  ASSERT_EQ(lines.size(), 5u) << all.out;
  EXPECT_EQ(lines[0].rfind("{\"sequence\": 1, \"time\": \"", 0), 0u) << lines[0];
  EXPECT_NE(lines[3].find("\"kind\": \"still-saved\""), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("\"details\": {\"enhancements\":\"none\",\"path\":"), std::string::npos) << lines[3];
  // The verification above names no recording; the rest are about rec.
  EXPECT_EQ(Lines(RunCommand(SelvoCase(marked.caseFile, "log --csv " + Quoted(marked.recording))).out).size(), 5u);

  const auto verified = RunCommand(SelvoCase(marked.caseFile, "verify"));
  EXPECT_EQ(verified.exitCode, 0) << verified.out;
  EXPECT_NE(verified.out.find("holds: 5 entries"), std::string::npos) << verified.out;
  // The log refuses a change even from the sqlite3 shell, until its guard is dropped.
  EXPECT_NE(RunCommand("sqlite3 " + Quoted(marked.caseFile) + " \"DELETE FROM log WHERE sequence = 2\"").exitCode, 0);
}

TEST(SelvoCase, VerifyNamesTheFirstEntryChangedByTheSqliteShell) {
  struct Tampering {
    const char* sql;
    const char* named;
  };
  const Tampering tamperings[] = {
      {"UPDATE log SET details = replace(details, 'red car', 'blue car') WHERE sequence = 2",
       "broken at entry 2: its content does not match"},
      {"UPDATE log SET user = 'someone else', sha256 = 'x' WHERE sequence = 3", "broken at entry 3"},
      {"DELETE FROM log WHERE sequence = 2", "broken at entry 2: entry 2 is missing"},
      {"DELETE FROM log WHERE sequence = 5", "broken at entry 5: the log should hold 5 entries but holds 4"},
  };
  for (const Tampering& tampering : tamperings) {
    SCOPED_TRACE(tampering.sql);
    MarkedCase marked;
    const auto shell = RunCommand("sqlite3 " + Quoted(marked.caseFile) +
                                  " \"DROP TRIGGER log_append_only_update; DROP TRIGGER log_append_only_delete; " +
                                  tampering.sql + "\"");
    ASSERT_EQ(shell.exitCode, 0);
    const auto verified = RunCommand(SelvoCase(marked.caseFile, "verify"));
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_NE(verified.out.find(tampering.named), std::string::npos) << verified.out;
  }
}

TEST(SelvoCase, FullIdentityFindsWhatTheQuickOneDoesNotRead) {
  MarkedCase marked;
  const std::string identify = SelvoCase(marked.caseFile, "identify --full " + Quoted(marked.recording));
  const auto first = RunCommand(identify);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_NE(first.out.find("compared  recorded"), std::string::npos) << first.out;
  EXPECT_NE(RunCommand(identify).out.find("compared  matches"), std::string::npos);
  // Image 5 of 20 lies outside the sample (1-4, 6-9, 11-14, 16-18, 20) and
  // keeps its size.
  const std::string quickBefore = RunCommand(SelvoCase(marked.caseFile, "identify " + Quoted(marked.recording))).out;
  FlipLastByte(marked.recording + "/IMG00001/IMG00005.jpg");
  EXPECT_EQ(RunCommand(SelvoCase(marked.caseFile, "identify " + Quoted(marked.recording))).out, quickBefore);
  const auto after = RunCommand(identify);
  EXPECT_EQ(after.exitCode, 1);
  EXPECT_NE(after.out.find("compared  differs"), std::string::npos) << after.out;
  EXPECT_NE(RunCommand(SelvoCase(marked.caseFile, "log")).out.find("\"outcome\":\"differs\""), std::string::npos);
}

TEST(SelvoCase, UsageErrorsAndUnreadableCaseFilesExitTwoWithAMessage) {
  MarkedCase marked;
  const std::string missing = marked.scratch / "no such.sqlite";
  const std::string garbage = marked.scratch.Write("garbage.sqlite", std::string(4096, 'g'));
  const struct {
    std::string command;
    const char* message;
  } cases[] = {
      {SelvoCase(missing, "verify"), "there is no such file"},
      {SelvoCase(garbage, "bookmarks"), "damaged or is no SQLite database"},
      {SelvoCase(marked.caseFile, "bookmarks " + Quoted(marked.scratch / "nowhere")), "cannot identify the recording"},
      {SelvoCase(marked.caseFile, "frobnicate"), "unknown command"},
      {SelvoCase(marked.caseFile, "log --csv --json"), "exclude each other"},
      {SelvoCase(marked.caseFile, "verify " + Quoted(marked.recording)), "verify takes no FOLDER"},
      {SelvoCase(marked.caseFile, "identify"), "identify needs a FOLDER"},
      {test::Tool("selvo-case") + " --case", "missing value after --case"},
  };
  for (const auto& c : cases) {
    const auto run = RunCommand(c.command + " 2>&1");
    EXPECT_EQ(run.exitCode, 2) << c.command;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << c.command << "\n" << run.out;
  }
  // Nothing was made where no case file was.
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace selvo
