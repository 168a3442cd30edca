// The writer every output goes through and the rules of where an output
// may go: whole files or none, a cause named for every failure, an earlier
// file kept, never a write through a link or into the recording.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "source/BackgroundSync.h"
#include "source/OutputFile.h"
#include "source/OutputRefusal.h"
#include "tests/BoundedRun.h"
#include "tests/TestFolder.h"

namespace selvo::test {
namespace {

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

std::string Text(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(OutputFile, ReplacesTheFileOnlyWhenWholeAndKeepsTheEarlierOneOtherwise) {
  const TestFolder folder;
  const std::string target = folder.Write("list.txt", std::string("earlier good list\n"));
  {
    OutputFile file;
    ASSERT_TRUE(file.Create(target));
    ASSERT_TRUE(file.Write(std::string(100000, 'x')));
    EXPECT_EQ(Text(target), "earlier good list\n");  // nothing shows before Commit
  }  // destroyed unfinished
  EXPECT_EQ(Text(target), "earlier good list\n");
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"list.txt"});

  OutputFile file;
  ASSERT_TRUE(file.Create(target));
  ASSERT_TRUE(file.Write("new list\n"));
  ASSERT_TRUE(file.Commit()) << file.ErrorText();
  EXPECT_EQ(Text(target), "new list\n");
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"list.txt"});
}

// Outputs of many megabytes are synced as they grow, on another thread:
// the file must still come out whole, and one dropped mid-way must not
// leave its temporary behind while a sync still holds it.
TEST(OutputFile, ALargeOutputSyncedAsItGrowsComesOutWholeOrNotAtAll) {
  const TestFolder folder;
  const std::string target = folder / "export.mkv";
  const std::string piece(300000, 'v');
  constexpr int kPieces = 40;  // 12 MB: several syncs along the way
  for (const bool committed : {false, true}) {
    OutputFile file;
    ASSERT_TRUE(file.Create(target));
    for (int i = 0; i < kPieces; ++i) ASSERT_TRUE(file.Write(piece));
    if (committed) {
      ASSERT_TRUE(file.Commit()) << file.ErrorText();
    }
  }
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, static_cast<off_t>(piece.size()) * kPieces);
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"export.mkv"});
}

// The kernel reports a lost write once, to the sync that finds it: a
// background sync's failure must reach the writer, once.
TEST(BackgroundSync, HandsItsFailureToTheWriterOnce) {
  BackgroundSync sync;
  sync.Start(-1);
  EXPECT_EQ(sync.Finish(), EBADF);
  EXPECT_EQ(sync.Finish(), 0);
}

// A name of 250 bytes leaves no room for a temporary named after it.
TEST(OutputFile, WritesANameNearTheFileSystemsLimit) {
  const TestFolder folder;
  const std::string name = std::string(246, 'n') + ".pdf";
  OutputFile file;
  ASSERT_TRUE(file.Create(folder / name)) << file.ErrorText();
  ASSERT_TRUE(file.Write("whole"));
  ASSERT_TRUE(file.Commit()) << file.ErrorText();
  EXPECT_EQ(Text(folder / name), "whole");
}

// The rename replaces the link itself; its target is never opened.
TEST(OutputFile, ReplacesALinkAtTheNameInsteadOfWritingThroughIt) {
  const TestFolder folder;
  const std::string evidence = folder.Write("image.jpg", std::string("evidence"));
  ASSERT_EQ(::symlink(evidence.c_str(), (folder / "out.txt").c_str()), 0);
  OutputFile file;
  ASSERT_TRUE(file.Create(folder / "out.txt"));
  ASSERT_TRUE(file.Write("report"));
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Text(evidence), "evidence");
  struct stat st {};
  ASSERT_EQ(::lstat((folder / "out.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

// A file-size limit (ulimit -f) would end the process with SIGXFSZ before
// anything could be cleaned up; the write must fail with its cause instead.
TEST(OutputFile, AFileSizeLimitFailsWithItsCauseAndLeavesTheEarlierFile) {
  const TestFolder folder;
  const std::string target = folder.Write("list.txt", std::string("earlier good list\n"));
  // The second is cut off after syncs have run beside the writes.
  struct Case {
    rlim_t limit;
    std::size_t piece;
    int pieces;
  } cases[] = {{4096, 200000, 1}, {6 << 20, 300000, 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    const BoundedOutcome outcome = RunBounded(
        [&] {
          rlimit limit{c.limit, c.limit};
          ::setrlimit(RLIMIT_FSIZE, &limit);
          OutputFile file;
          bool wrote = file.Create(target);
          for (int i = 0; wrote && i < c.pieces; ++i) wrote = file.Write(std::string(c.piece, 'x'));
          wrote = wrote && file.Commit();
          return !wrote && file.Error() == EFBIG && file.ErrorText() == "File too large";
        },
        std::chrono::seconds(10));
    EXPECT_TRUE(outcome.finished) << "the process did not survive the write";
    EXPECT_TRUE(outcome.passed);
    EXPECT_EQ(Text(target), "earlier good list\n");
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"list.txt"});
  }
}

TEST(OutputRefusal, RefusesWhatIsNoPlainFileTheRecordingAndTwoOutputsOnOneFile) {
  const TestFolder folder;
  const std::string recording = folder.MakeDir("ev");
  const std::string image = folder.Write("ev/IMG00001/IMG00000001.jpg", std::string("image"));
  folder.MakeDir("ev2");
  folder.MakeDir("elsewhere");
  ASSERT_EQ(::symlink(recording.c_str(), (folder / "elsewhere/ev-link").c_str()), 0);
  ASSERT_EQ(::symlink((folder / "missing").c_str(), (folder / "link.txt").c_str()), 0);
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0644), 0);
  const std::string existing = folder.Write("old.txt", std::string("old"));
  const std::string single = folder.Write("single.jpg", std::string("image"));

  struct Case {
    std::vector<NamedOutput> outputs;
    std::vector<std::string> evidence;
    const char* refusal;  // nullptr: allowed
  };
  const std::vector<Case> cases = {
      {{{"--manifest", folder / "new.txt"}, {"--report", existing}}, {recording}, nullptr},
      {{{"--manifest", folder / "ev2/list.txt"}}, {recording}, nullptr},  // a sibling sharing a prefix
      {{{"--manifest", folder / "link.txt"}}, {recording}, "is a symbolic link"},
      {{{"--report", folder / "fifo"}}, {recording}, "is a FIFO"},
      {{{"--report", "/dev/null"}}, {recording}, "is a device"},
      {{{"--report", folder / "elsewhere"}}, {recording}, "is a folder"},
      {{{"--manifest", image}}, {recording}, "lies inside"},
      {{{"--manifest", folder / "ev/new.txt"}}, {recording}, "lies inside"},
      {{{"--manifest", folder / "elsewhere/ev-link/IMG00001/new.txt"}}, {recording}, "lies inside"},
      {{{"OUT", single}}, {single}, "lies inside"},
      {{{"--report", folder / "same.out"}, {"--manifest", folder / "elsewhere/../same.out"}}, {recording},
       "is also given as --report"},
  };
  for (const Case& c : cases) {
    const std::string refusal = OutputRefusal(c.outputs, c.evidence);
    const std::string shown = c.outputs.back().path;
    if (c.refusal == nullptr) {
      EXPECT_EQ(refusal, "") << shown;
    } else {
      EXPECT_NE(refusal.find(c.refusal), std::string::npos) << shown << ": " << refusal;
      EXPECT_EQ(refusal.rfind(c.outputs.back().role, 0), 0u) << refusal;  // names the option
    }
  }
}

}  // namespace
}  // namespace selvo::test
