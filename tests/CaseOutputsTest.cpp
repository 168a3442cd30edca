// What leaves the program carries the case: selvo-check's report lists the
// recording's bookmarks with their pictures and is logged, and selvo-export
// makes the bookmarks of the exported pictures the video's chapters. Run as
// users run them; the files read back with poppler and ffprobe.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "case/CaseFile.h"
#include "tests/CommandRun.h"
#include "tests/SmallRecording.h"

namespace selvo {
namespace {

using test::PdfText;
using test::RunCommand;
namespace fs = std::filesystem;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

int PdfPages(const std::string& pdf) {
  const std::string info = RunCommand("pdfinfo " + Quoted(pdf) + " | sed -n 's/^Pages: *//p'").out;
  return info.empty() ? -1 : std::stoi(info);
}

using Marks = std::vector<std::pair<BookmarkPlace, std::string>>;

// Twenty images 100 ms apart, cameras 1 and 2 taking turns: camera 1's
// image n is the folder's image 2n - 1, camera 2's the folder's 2n.
struct BookmarkedRecording {
  test::TestFolder scratch;
  std::string recording;
  std::string caseFile;

  BookmarkedRecording() {
    std::vector<test::SmallFrame> frames(20);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i].channel = static_cast<int>(i % 2);
    recording = test::WriteSmallRecording(scratch, "rec", frames, true, 64, 48, true);
    caseFile = scratch / "case/cases.sqlite";
  }

  static BookmarkPlace Place(int camera, int number, CalendarSeconds time) {
    char file[32];
    std::snprintf(file, sizeof file, "IMG00001/IMG%05d.jpg", camera == 1 ? 2 * number - 1 : 2 * number);
    return {camera, number, file, time,
            static_cast<std::uint32_t>((camera == 1 ? 2 * number - 2 : 2 * number - 1) * 100)};
  }

  // Bookmarks made while the folder holds what it holds now.
  void Mark(const std::string& file, const Marks& marks) {
    auto opened = CaseFile::Open(file);
    ASSERT_TRUE(opened) << opened.message();
    auto identity = RecordingIdentity::Of(recording);
    ASSERT_TRUE(identity) << identity.message();
    ASSERT_TRUE(opened.value().NoteRecordingOpened(identity.value()));
    for (const auto& [place, note] : marks) ASSERT_TRUE(opened.value().AddBookmark(identity.value(), place, note));
  }

  // The first bookmark made while the folder held one more file.
  void MarkEarlierContent(const Marks& earlier, const Marks& now) {
    scratch.Write("rec/old.txt", "earlier content");
    Mark(caseFile, earlier);
    fs::remove(recording + "/old.txt");
    Mark(caseFile, now);
  }

  std::vector<LogEntry> Log(const std::string& file) {
    auto opened = CaseFile::Open(file);
    EXPECT_TRUE(opened) << opened.message();
    auto log = opened ? opened.value().Log() : CaseResult<std::vector<LogEntry>>::Failure("");
    return log ? log.value() : std::vector<LogEntry>();
  }
};

std::string Sha256Of(const std::string& path) {
  const auto sha = FileSha256(path);
  return sha ? sha.value() : std::string("unreadable");
}

TEST(CaseOutputs, ReportListsTheBookmarksWithTheirPicturesAndIsLoggedInTheCaseFile) {
  BookmarkedRecording marked;
  marked.MarkEarlierContent({{BookmarkedRecording::Place(1, 4, 1700000003), "made before the change"}},
                            {{BookmarkedRecording::Place(2, 1, 1700000000), ""},
                             {BookmarkedRecording::Place(1, 3, 1700000002), "gate opens"}});
  const std::string pdf = marked.scratch / "report.pdf";
  // Named relative to where it was started, the output is logged by its whole path.
  const auto run = RunCommand("cd " + Quoted(marked.scratch.Path()) + " && " + test::Tool("selvo-check") +
                              " --quiet --report report.pdf --case " +
                              Quoted(marked.caseFile) + " " + Quoted(marked.recording) + " 2>&1");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.find("selvo-check:"), std::string::npos) << run.out;
  ASSERT_EQ(PdfPages(pdf), 3) << "summary, time line, bookmarks";
  EXPECT_NE(PdfText(pdf, 1).find("(3 bookmarks of this recording, listed after the time lines)"), std::string::npos)
      << PdfText(pdf, 1);

  // By camera and number; the one made in other content says so.
  const std::string page = PdfText(pdf, 3);
  std::size_t at = 0;
  for (const std::string expected :
       {"Bookmarks", "Camera 1, image 3", "Time: 2023-11-15 07:13:22", "Note: gate opens", "IMG00001/IMG00005.jpg",
        "Camera 1, image 4", "Made while this folder held other content", "Note: made before the change",
        "Camera 2, image 1", "Note: (none)", "IMG00001/IMG00002.jpg"}) {
    const std::size_t found = page.find(expected, at);
    ASSERT_NE(found, std::string::npos) << expected << " after " << at << " in\n" << page;
    at = found + expected.size();
  }
  const auto created = marked.Log(marked.caseFile);
  ASSERT_FALSE(created.empty());
  std::size_t authors = 0;
  for (std::size_t by = 0; (by = page.find("By " + created.back().user + ", 20", by)) != std::string::npos; ++by)
    ++authors;
  EXPECT_EQ(authors, 3u) << "author and time of each: " << page;
  const std::string images = RunCommand("pdfimages -list -f 3 -l 3 " + Quoted(pdf) + " | tail -n +3 | wc -l").out;
  EXPECT_EQ(std::stoi(images), 3) << "a picture of each bookmark";

  const LogEntry& last = created.back();
  EXPECT_EQ(last.kind, "report-written");
  EXPECT_EQ(last.program.rfind("selvo-check ", 0), 0u) << last.program;
  EXPECT_NE(last.details.find(pdf), std::string::npos) << last.details;
  EXPECT_NE(last.details.find(Sha256Of(pdf)), std::string::npos) << last.details;
  EXPECT_FALSE(last.recording.empty());
}

// The report never waits on the case file: one that cannot be used is a
// line on page 1, no case file is no word at all, and the viewer's default
// one is only read.
TEST(CaseOutputs, ReportIsWrittenWhateverBecomesOfTheCaseFile) {
  BookmarkedRecording marked;
  const std::string data = marked.scratch / "data";
  const std::string defaultCase = data + "/selvo-viewer/cases.sqlite";
  marked.Mark(defaultCase, {{BookmarkedRecording::Place(1, 2, 1700000001), "from the default case"}});
  const std::size_t defaultEntries = marked.Log(defaultCase).size();
  const std::string damaged = marked.scratch.Write("damaged.sqlite", std::string(4096, 'x'));
  fs::create_symlink(defaultCase, marked.scratch / "link.sqlite");
  const std::string insideRecording = marked.recording + "/case.sqlite";
  struct Row {
    const char* name;
    std::string arguments;
    const char* dataHome;
    int pages;
    const char* pageOne;  // what page 1 says of the case file; null: nothing
  };
  const Row rows[] = {
      {"damaged", "--case " + Quoted(damaged), "/nonexistent", 2, "damaged.sqlite: cannot be read"},
      {"behind a link", "--case " + Quoted(marked.scratch / "link.sqlite"), "/nonexistent", 2, "is a symbolic link"},
      {"inside the recording", "--case " + Quoted(insideRecording), "/nonexistent", 2, "lies inside"},
      {"no default case file", "", "/nonexistent", 2, nullptr},
      {"the default case file", "", "", 3, "(1 bookmark of this recording"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string pdf = marked.scratch / "report.pdf";
    fs::remove(pdf);
    const auto run =
        RunCommand("XDG_DATA_HOME=" + Quoted(*row.dataHome ? row.dataHome : data) + " " + test::Tool("selvo-check") +
                   " --quiet --report " + Quoted(pdf) + " " + row.arguments + " " + Quoted(marked.recording) + " 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    ASSERT_EQ(PdfPages(pdf), row.pages) << run.out;
    const std::string pageOne = PdfText(pdf, 1);
    if (row.pageOne == nullptr) {
      EXPECT_EQ(pageOne.find("ookmarks"), std::string::npos) << pageOne;
      EXPECT_EQ(pageOne.find("Case file"), std::string::npos) << pageOne;
    } else {
      EXPECT_NE(pageOne.find(row.pageOne), std::string::npos) << pageOne;
      EXPECT_NE(pageOne.find(row.pages == 2 ? "Bookmarks cannot be listed:" : data), std::string::npos) << pageOne;
    }
    // A case file that could not be used is told on stderr as well.
    EXPECT_EQ(run.out.find("warning:") != std::string::npos, row.pages == 2 && row.pageOne != nullptr) << run.out;
  }
  EXPECT_FALSE(fs::exists(insideRecording));
  EXPECT_EQ(test::ReadFileBytes(damaged), std::vector<std::uint8_t>(4096, 'x'));
  EXPECT_EQ(marked.Log(defaultCase).size(), defaultEntries) << "the default case file is only read";
}

// Chapters at the bookmarked pictures' times in the video, for the bookmarks
// of the exported camera within the exported range only, in MKV and MP4.
TEST(CaseOutputs, ExportMakesTheBookmarksOfTheExportedPicturesChapters) {
  BookmarkedRecording marked;
  BookmarkPlace moved = BookmarkedRecording::Place(1, 5, 1700000004);
  moved.file = "IMG00001/IMG00001.jpg";  // the list no longer holds it there
  marked.MarkEarlierContent({{BookmarkedRecording::Place(1, 7, 1700000006), "made before the change"}},
                            {{BookmarkedRecording::Place(1, 3, 1700000002), "gate opens"},
                             {BookmarkedRecording::Place(1, 6, 1700000005), ""},
                             {BookmarkedRecording::Place(1, 1, 1700000000), "before the range"},
                             {BookmarkedRecording::Place(1, 9, 1700000008), "after the range"},
                             {BookmarkedRecording::Place(2, 3, 1700000002), "the other camera"},
                             {moved, "moved"}});
  for (const char* kind : {"mkv", "mp4"}) {
    SCOPED_TRACE(kind);
    const std::string video = marked.scratch / (std::string("out.") + kind);
    const auto run =
        RunCommand(test::Tool("selvo-export") + " --camera 1 --range 2-8 --case " + Quoted(marked.caseFile) + " " +
                   Quoted(marked.recording) + " " + Quoted(video) + " 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("image 7) was made while the folder held other content"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("image 5): the image there is no longer IMG00001/IMG00001.jpg"), std::string::npos)
        << run.out;
    // Camera 1's image 2 is the first picture, at 0; its images are 200 ms apart.
    const std::string chapters =
        RunCommand("ffprobe -v error -show_entries chapter=start_time,end_time:chapter_tags=title -of csv=p=0 " +
                   Quoted(video))
            .out;
    // An MP4's chapter track covers the video from 0, so a first chapter
    // leads in to the first bookmark there.
    const std::string leadIn = std::string(kind) == "mp4" ? "0.000000,0.200000,Start\n" : "";
    EXPECT_EQ(chapters, leadIn +
                            "0.200000,0.800000,gate opens\n"
                            "0.800000,1.400000,\"2023-11-15 07:13:25, camera 1\"\n")
        << chapters;
    const LogEntry last = marked.Log(marked.caseFile).back();
    EXPECT_EQ(last.kind, "video-exported");
    EXPECT_NE(last.details.find(Sha256Of(video)), std::string::npos) << last.details;
  }
}

}  // namespace
}  // namespace selvo
