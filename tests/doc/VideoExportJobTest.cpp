// File > Export Video... as the document runs it, with no window: the camera
// of the image shown over the copy range, whatever list the document holds,
// exported on a worker while the caller's thread goes on; a cancel leaves
// no file.
#include <gtest/gtest.h>
#include <dirent.h>

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "doc/CSelvoViewerDoc.h"
#include "doc/VideoExportJob.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallDisc.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "tests/doc/CopyRangeSteps.h"

namespace selvo {
namespace {

class QuietNotifier : public Notifier {
 public:
  void Notify(NoticeKind, const std::string&) override {}
};

// Sizes of the video packets of a file, read by ffprobe.
std::vector<std::size_t> VideoPacketSizes(const std::string& video) {
  std::vector<std::size_t> sizes;
  const std::string command =
      "ffprobe -v error -select_streams v -show_entries packet=size -of csv=p=0 '" + video + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return sizes;
  unsigned long size = 0;
  while (std::fscanf(pipe, "%lu", &size) == 1) sizes.push_back(size);
  pclose(pipe);
  return sizes;
}

// Counts the job's ends as the thread that made it receives them, and
// keeps the result the last one carried.
class EndWatch {
 public:
  explicit EndWatch(VideoExportJob& job) {
    QObject::connect(&job, &VideoExportJob::finished, &loop_, [this](const VideoExportResult& carried) {
      ++count;
      result = carried;
      loop_.quit();
    });
  }
  bool Wait() {
    if (count == 0) {
      QTimer::singleShot(30000, &loop_, &QEventLoop::quit);
      loop_.exec();
    }
    return count > 0;
  }
  int count = 0;
  VideoExportResult result;

 private:
  QEventLoop loop_;
};

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

class VideoExportJobTest : public ::testing::Test {
 protected:
  VideoExportJobTest() {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    // Cameras 1 and 2 alternate; image i is stamped i x 100 ms.
    recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}, {1}, {0}, {1}, {0}, {1}}, true);
    output = scratch.MakeDir("out");
  }

  std::string ImageFile(int number) const {
    char name[64];
    std::snprintf(name, sizeof name, "rec/IMG00001/IMG%05d.jpg", number);
    return scratch / name;
  }

  // Runs File > Export Video's job on what the document shows, into
  // out/video.mkv, and answers what it was asked.
  VideoExportRequest ExportShown() {
    VideoExportRequest request = VideoExportJob::RequestFor(*doc);
    request.output = output + "/video.mkv";
    VideoExportJob job(request, nullptr);
    EndWatch finished(job);
    job.Start();
    EXPECT_TRUE(finished.Wait());
    EXPECT_EQ(finished.result.outcome, ExportOutcome::kExported) << finished.result.error;
    return request;
  }

  test::TestFolder scratch;
  QuietNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::string recording;
  std::string output;
};

TEST_F(VideoExportJobTest, ExportsTheShownCameraOverTheCopyRangeOfWhicheverListIsShown) {
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
  struct Case {
    const char* name;
    bool everyCamera;      // the list holds every image, not one camera's
    int first, last;       // the copy range in that list
    std::vector<int> files;  // the image files the video must hold
  };
  const std::vector<Case> cases = {
      {"no copy range", false, 0, 0, {1, 3, 5, 7}},
      {"one camera's list", false, 2, 3, {3, 5}},
      {"every camera's list", true, 3, 6, {3, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
    if (c.everyCamera) {
      ASSERT_TRUE(doc->SelectChannel(-1, 1, static_cast<const int*>(nullptr)));
    }
    if (c.first > 0) test::StepCopyRange(*doc, c.first, c.last);
    doc->GoFirst(false);

    const VideoExportRequest request = ExportShown();
    EXPECT_EQ(request.folder, recording);
    EXPECT_EQ(request.selection.camera, 1);

    std::vector<std::size_t> expected;
    for (int file : c.files) expected.push_back(test::ReadFileBytes(ImageFile(file)).size());
    EXPECT_EQ(VideoPacketSizes(request.output), expected);
    std::remove(request.output.c_str());
  }
}

// File > Export Video carries the open recording's bookmarks of the
// exported pictures as chapters, at their pictures' times in the video.
TEST_F(VideoExportJobTest, TheVideoCarriesTheBookmarksOfItsPicturesAsChapters) {
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
  ASSERT_TRUE(doc->Case().Open(scratch / "cases.sqlite")) << doc->Case().Message();
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(doc->Case().WaitForIdentity()) << doc->Case().Message();
  // Camera 1's images 3 and 4 are the files 5 and 7; the range ends at 3.
  ASSERT_TRUE(doc->Case().AddBookmark(doc->PlaceAt(2), "man at the gate").ok());
  ASSERT_TRUE(doc->Case().AddBookmark(doc->PlaceAt(3), "after the range").ok());
  test::StepCopyRange(*doc, 2, 3);
  const VideoExportRequest request = ExportShown();
  EXPECT_EQ(request.bookmarks.size(), 2u);

  std::string chapters;
  const std::string command =
      "ffprobe -v error -show_entries chapter=start_time,end_time:chapter_tags=title -of csv=p=0 '" + request.output +
      "'";
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    for (int c; (c = std::fgetc(pipe)) != EOF;) chapters += static_cast<char>(c);
    pclose(pipe);
  }
  // File 3 opens the video at 0, file 5 follows 200 ms later and stands as long.
  EXPECT_EQ(chapters, "0.200000,0.400000,man at the gate\n");
}

// Just after an open the case file does not yet know the recording, and
// its bookmarks are not read: an export begun then must still carry them.
TEST_F(VideoExportJobTest, AnExportBegunJustAfterTheOpenStillCarriesTheBookmarks) {
  ASSERT_TRUE(doc->Case().Open(scratch / "cases.sqlite")) << doc->Case().Message();
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_TRUE(doc->Case().WaitForIdentity()) << doc->Case().Message();
  ASSERT_TRUE(doc->Case().AddBookmark(doc->PlaceAt(2), "man at the gate").ok());

  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  VideoExportRequest request = VideoExportJob::RequestFor(*doc);
  EXPECT_TRUE(request.bookmarks.empty());  // the identity is still being made
  VideoExportJob::TakeBookmarks(*doc, request);
  ASSERT_EQ(request.bookmarks.size(), 1u);
  EXPECT_EQ(request.bookmarks[0].note, "man at the gate");
}

// A copy range names images of the recording it was set on: opening a
// folder or a disc unsets it.
TEST_F(VideoExportJobTest, ACopyRangeDoesNotOutliveItsRecording) {
  test::WriteSmallDisc(scratch / "disc.img", 12);
  for (const bool nextIsDisc : {false, true}) {
    SCOPED_TRACE(nextIsDisc ? "disc after disc" : "folder after disc");
    ASSERT_EQ(doc->OpenDisc(scratch / "disc.img"), CSelvoViewerDoc::OpenOutcome::Opened);
    test::StepCopyRange(*doc, 5, 10);
    ASSERT_TRUE(doc->IsCopyRangeValid());
    if (nextIsDisc) {
      ASSERT_EQ(doc->OpenDisc(scratch / "disc.img"), CSelvoViewerDoc::OpenOutcome::Opened);
    } else {
      ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
    }
    EXPECT_FALSE(doc->IsCopyRangeValid());
    EXPECT_EQ(doc->GetCopyStart(), -1);
    EXPECT_EQ(doc->GetCopyEnd(), -1);
  }
  // The folder's export takes the whole camera, as "no copy range" above.
  test::StepCopyRange(*doc, 5, 10);
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_FALSE(VideoExportJob::RequestFor(*doc).selection.byStamps);
}

TEST_F(VideoExportJobTest, RunsOnAWorkerAndACancelLeavesNoFile) {
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  VideoExportRequest request = VideoExportJob::RequestFor(*doc);
  request.output = output + "/video.mp4";
  request.kind = VideoKind::kShareable;
  // The painter holds the worker on its first frame until the test lets go.
  std::atomic<bool> painting{false};
  std::atomic<bool> released{false};
  FramePainter painter = [&](const DibBlock*, const ExportPicture&, const std::string&, FrameCanvas&) {
    painting = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!released && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
  };
  VideoExportJob job(request, painter);
  EndWatch finished(job);
  job.Start();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!painting && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));

  // The caller's thread is free while the export is under way.
  EXPECT_TRUE(painting);
  EXPECT_TRUE(job.IsRunning());
  EXPECT_EQ(finished.count, 0);
  job.Cancel();
  released = true;
  ASSERT_TRUE(finished.Wait());
  EXPECT_EQ(finished.result.outcome, ExportOutcome::kCancelled);
  EXPECT_EQ(FilesIn(output), std::vector<std::string>{});
}

}  // namespace
}  // namespace selvo
