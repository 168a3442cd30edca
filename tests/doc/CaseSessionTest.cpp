// The document's case file without a window: a bookmark made at an image
// keeps its camera and number, comes back on reopening and on a copy of the
// recording elsewhere, is told apart once the recording changed, and a case
// file that cannot be written leaves the viewer without bookmarks and says
// why.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "doc/CSelvoViewerDoc.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using Outcome = CSelvoViewerDoc::OpenOutcome;

class CaseSessionTest : public ::testing::Test {
 protected:
  CaseSessionTest() {
    SetUiLanguage(UiLanguage::English);
    // Camera 1 holds the first, third, fourth and sixth image.
    recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}, {0}, {1}, {0}}, /*withInfo=*/true);
    casePath = scratch / "case/cases.sqlite";
  }

  // caseFileLater: the case file is opened after the recording, as the
  // viewer does with a folder named on its command line.
  std::unique_ptr<CSelvoViewerDoc> OpenedDocument(const std::string& folder, bool caseFileLater = false) {
    DocumentOptions options;
    options.persistSettings = false;
    auto doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    if (!caseFileLater) {
      EXPECT_TRUE(doc->Case().Open(casePath)) << doc->Case().Message();
    }
    EXPECT_EQ(doc->OpenFolder(folder), Outcome::Opened);
    if (caseFileLater) {
      EXPECT_TRUE(doc->Case().Open(casePath)) << doc->Case().Message();
    }
    EXPECT_TRUE(doc->Case().WaitForIdentity()) << doc->Case().Message();
    return doc;
  }

  test::TestFolder scratch;
  RecordingNotifier notifier;
  std::string recording;
  std::string casePath;
};

TEST_F(CaseSessionTest, ABookmarkKeepsItsCameraAndNumberAndComesBackOnReopenAndOnACopy) {
  {
    auto doc = OpenedDocument(recording);
    ASSERT_TRUE(doc->GoNext(true));
    ASSERT_TRUE(doc->GoNext(true));
    const BookmarkPlace place = doc->PlaceAt(doc->GetPosition());
    EXPECT_EQ(place.camera, 1);
    EXPECT_EQ(place.number, 3);
    EXPECT_EQ(place.file, "IMG00001/IMG00004.jpg");
    auto added = doc->Case().AddBookmark(place, "man at the gate");
    ASSERT_TRUE(added) << added.message();
    ASSERT_EQ(doc->Case().Bookmarks().size(), 1u);
    EXPECT_EQ(doc->BookmarkIndices(), std::vector<int>{2});
  }
  std::filesystem::copy(recording, scratch / "copy", std::filesystem::copy_options::recursive);
  std::string note = "man at the gate";
  for (const std::string& folder : {recording, scratch / "copy"}) {
    auto doc = OpenedDocument(folder, /*caseFileLater=*/folder != recording);
    ASSERT_EQ(doc->Case().Bookmarks().size(), 1u) << folder;
    const Bookmark& kept = doc->Case().Bookmarks()[0];
    EXPECT_EQ(kept.note, note);
    EXPECT_FALSE(kept.differs);
    EXPECT_TRUE(doc->GoToNextBookmark());
    EXPECT_EQ(doc->GetPosition(), 2);
    EXPECT_FALSE(doc->GoToNextBookmark());
    EXPECT_TRUE(doc->GoLast(true));
    EXPECT_TRUE(doc->GoToPreviousBookmark());
    EXPECT_EQ(doc->GetPosition(), 2);
    note += " (seen again)";
    ASSERT_TRUE(doc->Case().EditNote(kept.id, note).ok());
    EXPECT_EQ(doc->Case().Bookmarks()[0].note, note);
  }
}

TEST_F(CaseSessionTest, AChangedRecordingShowsItsOldBookmarksAsDiffering) {
  {
    auto doc = OpenedDocument(recording);
    ASSERT_TRUE(doc->Case().AddBookmark(doc->PlaceAt(0), "before").ok());
  }
  std::ofstream(recording + "/IMG00001/IMG00002.jpg", std::ios::app) << "x";
  auto doc = OpenedDocument(recording);
  ASSERT_EQ(doc->Case().Bookmarks().size(), 1u);
  EXPECT_TRUE(doc->Case().Bookmarks()[0].differs);
  ASSERT_TRUE(doc->Case().RemoveBookmark(doc->Case().Bookmarks()[0].id).ok());
  EXPECT_TRUE(doc->Case().Bookmarks().empty());
}

// Each unusable case file: the open says why once, the recording still
// opens, and no bookmark can be made.
TEST_F(CaseSessionTest, ACaseFileThatCannotBeUsedLeavesBookmarksOffWithAMessage) {
  const std::string damaged = scratch.Write("damaged.sqlite", std::string(4096, 'x'));
  const std::string cutShort = scratch.Write("empty.sqlite", std::string());
  for (const std::string& path : {damaged, cutShort}) {
    DocumentOptions options;
    options.persistSettings = false;
    CSelvoViewerDoc doc(options, notifier);
    int problems = 0;
    QObject::connect(&doc.Case(), &CaseSession::problem, [&problems] { ++problems; });
    EXPECT_FALSE(doc.Case().Open(path));
    EXPECT_EQ(problems, 1);
    EXPECT_NE(doc.Case().Message().find(path), std::string::npos) << doc.Case().Message();
    ASSERT_EQ(doc.OpenFolder(recording), Outcome::Opened);
    EXPECT_FALSE(doc.Case().CanBookmark());
    EXPECT_FALSE(doc.Case().AddBookmark(doc.PlaceAt(0), "lost").ok());
    EXPECT_TRUE(doc.Case().LogOutput(LogKind::kStillSaved, recording + "/INFO", "").ok());
  }
}

// Root writes through any permission, so the read-only case runs as nobody
// in a child.
TEST_F(CaseSessionTest, AReadOnlyCaseFileIsNotWrittenAndSaysSo) {
  { OpenedDocument(recording); }
  chmod(scratch.Path().c_str(), 0755);
  chmod((scratch / "case").c_str(), 0555);
  chmod(casePath.c_str(), 0444);
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
    CaseSession session;
    if (session.Open(casePath)) _exit(11);
    if (session.Message().find("read-only") == std::string::npos) _exit(12);
    _exit(session.CanBookmark() ? 13 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  chmod((scratch / "case").c_str(), 0755);
}

// Runs body in a child and answers its exit status: a file-size limit
// must not outlive the case it was set for.
int InChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::size_t BookmarksIn(const std::string& path) {
  CaseFileOptions options;
  options.readOnly = true;
  auto file = CaseFile::Open(path, options);
  EXPECT_TRUE(file) << file.message();
  auto all = file ? file.value().AllBookmarks() : CaseResult<std::vector<Bookmark>>::Failure("");
  EXPECT_TRUE(all) << all.message();
  auto check = file ? file.value().CheckLog() : CaseResult<LogCheck>::Failure("");
  EXPECT_TRUE(check && check.value().firstBreak.sequence == 0) << "the log's chain holds";
  return all ? all.value().size() : 0;
}

// A case file named through a link is refused, not followed, and one on a
// full disk fails each change with the system's reason: either way the
// viewer shows the recording on, and what the case file held stays whole.
TEST_F(CaseSessionTest, ACaseFileBehindALinkOrOnAFullDiskIsToldAndLosesNothing) {
  {
    auto doc = OpenedDocument(recording);
    ASSERT_TRUE(doc->Case().AddBookmark(doc->PlaceAt(0), "saved before").ok());
  }
  const std::string link = scratch / "link.sqlite";
  std::filesystem::create_symlink(casePath, link);
  {
    DocumentOptions options;
    options.persistSettings = false;
    CSelvoViewerDoc doc(options, notifier);
    EXPECT_FALSE(doc.Case().Open(link));
    EXPECT_NE(doc.Case().Message().find("is a link"), std::string::npos) << doc.Case().Message();
    ASSERT_EQ(doc.OpenFolder(recording), Outcome::Opened);
    EXPECT_TRUE(doc.GoNext(true));
    EXPECT_FALSE(doc.Case().AddBookmark(doc.PlaceAt(1), "not through the link").ok());
  }
  EXPECT_EQ(BookmarksIn(casePath), 1u);

  // No disk fills on demand: a file-size limit fails the writes as a full
  // one would, and lifted, lets them through again.
  const int status = InChild([this] {
    std::signal(SIGXFSZ, SIG_IGN);
    auto doc = OpenedDocument(recording);
    if (doc->Case().Bookmarks().size() != 1) return 10;
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{1024, limit.rlim_max};
    if (setrlimit(RLIMIT_FSIZE, &full) != 0) return 11;
    int problems = 0;
    QObject::connect(&doc->Case(), &CaseSession::problem, [&problems] { ++problems; });
    const CaseResult<Bookmark> lost = doc->Case().AddBookmark(doc->PlaceAt(2), "on a full disk");
    if (lost.ok() || problems != 1) return 12;
    if (lost.message().find(casePath) == std::string::npos ||
        lost.message().find(std::strerror(EFBIG)) == std::string::npos) {
      std::fprintf(stderr, "%s\n", lost.message().c_str());
      return 13;
    }
    if (doc->Case().LogOutput(LogKind::kStillSaved, recording + "/INFO/REC.INF", "").ok()) return 14;
    if (doc->Case().Bookmarks().size() != 1 || !doc->GoNext(true)) return 15;
    setrlimit(RLIMIT_FSIZE, &limit);
    return doc->Case().AddBookmark(doc->PlaceAt(3), "space again").ok() ? 0 : 16;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(BookmarksIn(casePath), 2u) << "the one saved before and the one saved after";
}

}  // namespace
}  // namespace selvo
