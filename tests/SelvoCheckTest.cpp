// selvo-check run as users run it, over recordings made by selvo-make-demo.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/DiscLayout.h"
#include "tests/CommandRun.h"
#include "tests/SmallDisc.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo::test {
namespace {

std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);  // header
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> row;
    std::string field;
    while (std::getline(fields, field, ',')) row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

// Status column of every CSV line that is not 0.
std::vector<std::string> NonZeroStatuses(const std::string& csv) {
  std::vector<std::string> statuses;
  for (const std::vector<std::string>& row : CsvRows(csv)) {
    if (row.size() > 2 && row[2] != "0") statuses.push_back(row[2]);
  }
  return statuses;
}

// Runs selvo-make-demo into the folder `name` of scratch; returns its path.
std::string MakeDemo(const TestFolder& scratch, const std::string& options, const std::string& name = "demo") {
  const std::string demo = scratch / name;
  EXPECT_EQ(RunCommand(Tool("selvo-make-demo") + " " + demo + " " + options).exitCode, 0) << options;
  return demo;
}

constexpr std::size_t kStampColumn = 4;
constexpr std::size_t kDecodedColumn = 5;
constexpr std::size_t kPathColumn = 6;

// The frame whose compressed data was edited fails both checks (the time
// check covers the data sum) and still decodes, as the viewer shows it.
TEST(SelvoCheck, ReportsTheDemosAlteredFramesEachStillDecodedAndNothingElse) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 40 --cameras 2");
  const CommandRun check = RunCommand(Tool("selvo-check") + " --csv --decode " + demo);
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.out.rfind("number,channel,status,time,stamp,decoded,path\n", 0), 0u);
  EXPECT_EQ(NonZeroStatuses(check.out), (std::vector<std::string>{"3", "1", "2", "7"}));
  for (const std::vector<std::string>& row : CsvRows(check.out)) {
    ASSERT_GT(row.size(), kDecodedColumn);
    EXPECT_EQ(row[kDecodedColumn], "1") << row[kPathColumn];
  }
}

TEST(SelvoCheck, OneCameraIsListedInViewerOrderWithItsOwnStamps) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 16 --cameras 4 --no-alter");
  const CommandRun check = RunCommand(Tool("selvo-check") + " --csv --camera 2 " + demo);
  EXPECT_EQ(check.exitCode, 0) << check.out;
  const std::vector<std::vector<std::string>> rows = CsvRows(check.out);
  ASSERT_EQ(rows.size(), 4u) << check.out;
  // Camera 2 took every fourth image from the second on, 100 ms apart.
  const char* files[] = {"IMG00000002.jpg", "IMG00000006.jpg", "IMG00000010.jpg", "IMG00000014.jpg"};
  const char* stamps[] = {"100", "500", "900", "1300"};
  for (std::size_t k = 0; k < rows.size(); ++k) {
    ASSERT_GT(rows[k].size(), kPathColumn);
    EXPECT_EQ(rows[k][0], std::to_string(k + 1));
    EXPECT_EQ(rows[k][1], "1");  // channels count from 0
    EXPECT_EQ(rows[k][kStampColumn], stamps[k]) << rows[k][kPathColumn];
    EXPECT_NE(rows[k][kPathColumn].find(files[k]), std::string::npos) << rows[k][kPathColumn];
  }
}

TEST(SelvoCheck, CameraThatCannotBeListedIsAUsageErrorThatSaysWhy) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 8 --cameras 4 --no-alter");
  const std::string flat = MakeDemo(scratch, "--frames 8 --no-info --no-alter", "flat");
  // A header that counts camera 6 although no entry names it.
  const std::string claimed = MakeDemo(scratch, "--frames 8 --cameras 4 --no-alter", "claimed");
  std::vector<std::uint8_t> info = ReadFileBytes(claimed + "/INFO/DEMO.INF");
  ASSERT_GT(info.size(), 1024u);
  info[16 + 4 * 5] = 3;
  scratch.Write("claimed/INFO/DEMO.INF", info);
  const struct {
    std::string args;
    const char* says;
  } cases[] = {
      {"--camera 0 " + demo, "from 1 to 16"},     {"--camera 17 " + demo, "from 1 to 16"},
      {"--camera two " + demo, "from 1 to 16"},   {demo + " --camera", "missing value"},
      {"--camera 5 " + demo, "camera 5 has no images"}, {"--camera 1 " + flat, "no INFO index"},
      {"--camera 6 " + claimed, "camera 6 has no images"},
  };
  for (const auto& c : cases) {
    const CommandRun run = RunCommand(Tool("selvo-check") + " --csv " + c.args + " 2>&1");
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << c.args << ": " << run.out;
  }
}

// A bare JPEG among recorder images ends in xx xx FF D9, no stamp at all:
// the image file alone and in a folder, it is given none (null, empty) and
// makes no gap or stamp going back.
TEST(SelvoCheck, AnImageWithoutATrailerHasNoStampAndBreaksNoTimeLine) {
  std::vector<std::uint8_t> rgb(32 * 32 * 3, 90);
  const std::optional<TrailerWriter> writer = TrailerWriter::ForJpeg(EncodeJpeg(rgb.data(), 32, 32, 80));
  ASSERT_TRUE(writer);
  TestFolder scratch;
  for (std::uint32_t k = 0; k < 5; ++k) {
    const TrailerDamage damage = k == 2 ? TrailerDamage::kNoTrailer : TrailerDamage::kNone;
    scratch.Write("rec/" + std::to_string(k) + ".jpg", writer->Write({86400 + k, 100 * k}, damage));
  }
  const CommandRun json = RunCommand(Tool("selvo-check") + " --json " + (scratch / "rec"));
  EXPECT_EQ(json.exitCode, 1);
  EXPECT_NE(json.out.find("\"status\": 7, \"verdict\": \"no recorder trailer\", \"time\": null, \"stamp\": null"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.find("\"anomaly\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"stamp\": 400"), std::string::npos) << json.out;

  const std::vector<std::vector<std::string>> rows = CsvRows(RunCommand(Tool("selvo-check") + " --csv " + (scratch / "rec")).out);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[2][kStampColumn], "");
  EXPECT_EQ(rows[3][kStampColumn], "300");
  const CommandRun single = RunCommand(Tool("selvo-check") + " --json " + (scratch / "rec/2.jpg"));
  EXPECT_NE(single.out.find("\"stamp\": null"), std::string::npos) << single.out;
}

// Status 4 and 6 (no valid time) draw no box in the viewer; selvo-check
// must not call them altered either.
TEST(SelvoCheck, ImagesWithoutAValidTimeAreCalledSoNotTimeAltered) {
  std::vector<std::uint8_t> rgb(32 * 32 * 3, 90);
  const std::optional<TrailerWriter> writer = TrailerWriter::ForJpeg(EncodeJpeg(rgb.data(), 32, 32, 80));
  ASSERT_TRUE(writer);
  constexpr std::uint32_t kPastTheRecordersRange = 946080000 + 5;
  TestFolder scratch;
  scratch.Write("rec/a.jpg", writer->Write({86400, 0}, TrailerDamage::kAlteredTime));
  scratch.Write("rec/b.jpg", writer->Write({86400, 100}, TrailerDamage::kWithoutTime));
  scratch.Write("rec/c.jpg", writer->Write({kPastTheRecordersRange, 200}));
  std::vector<std::uint8_t> badSum = writer->Write({kPastTheRecordersRange, 300});
  badSum[badSum.size() - 16] ^= 0x01;  // the time check, 16 bytes from the end
  scratch.Write("rec/d.jpg", badSum);

  EXPECT_EQ(NonZeroStatuses(RunCommand(Tool("selvo-check") + " --csv " + (scratch / "rec")).out),
            (std::vector<std::string>{"2", "4", "4", "6"}));
  const CommandRun check = RunCommand(Tool("selvo-check") + " " + (scratch / "rec"));
  std::istringstream lines(check.out);
  std::string line;
  std::vector<std::string> verdicts;
  while (std::getline(lines, line)) {
    if (line.find(".jpg") == std::string::npos) continue;
    verdicts.push_back(line.substr(line.find_last_of('/') + 1) + ": " +
                       (line.find("TIME ALTERED") != std::string::npos    ? "TIME ALTERED"
                        : line.find("no valid time") != std::string::npos ? "no valid time"
                                                                          : "?"));
  }
  EXPECT_EQ(verdicts, (std::vector<std::string>{"a.jpg: TIME ALTERED", "b.jpg: no valid time",
                                                "c.jpg: no valid time", "d.jpg: no valid time"}))
      << check.out;
  EXPECT_NE(check.out.find("1 time altered, 3 without valid time"), std::string::npos) << check.out;
}

TEST(SelvoCheck, AnUntouchedDemoPasses) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 12 --no-alter");
  const CommandRun check = RunCommand(Tool("selvo-check") + " --quiet " + demo);
  EXPECT_EQ(check.exitCode, 0) << check.out;
  EXPECT_NE(check.out.find("12 images: 12 ok"), std::string::npos) << check.out;
}

TEST(SelvoCheck, DamagedInputGivesAVerdictNotACrash) {
  TestFolder scratch;
  scratch.Write("rec/empty.jpg", std::string());
  scratch.Write("rec/garbage.jpg", std::string("\xFF\xD8\xFF\xDB not really", 16));
  scratch.MakeDir("rec/x.jpg");
  const CommandRun check = RunCommand(Tool("selvo-check") + " --csv --decode " + (scratch / "rec"));
  EXPECT_EQ(check.exitCode, 1) << check.out;
  // The folder named like an image is listed too, as unreadable.
  EXPECT_EQ(NonZeroStatuses(check.out), (std::vector<std::string>{"-1", "-1", "-1"}));
}

// A recorder image cut short before its scan: the library's reason follows
// "undecodable" in the table, in JSON's own field and, beside CSV, on stderr.
TEST(SelvoCheck, AnUndecodableImageSaysWhyInTheLibrarysWords) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 2 --cameras 1 --no-alter --no-sound --no-info");
  const std::string cut = demo + "/IMG00001/IMG00000002.jpg";
  std::vector<std::uint8_t> bytes = ReadFileBytes(cut);
  ASSERT_GT(bytes.size(), 300u);
  bytes.resize(300);
  scratch.Write("demo/IMG00001/IMG00000002.jpg", bytes);
  const std::string reason = "Invalid JPEG file structure: missing SOS marker";

  const CommandRun table = RunCommand(Tool("selvo-check") + " --decode " + demo);
  EXPECT_EQ(table.exitCode, 1);
  EXPECT_NE(table.out.find("not a recorder image, undecodable (" + reason + ")  " + cut), std::string::npos) << table.out;
  const CommandRun json = RunCommand(Tool("selvo-check") + " --json --decode " + demo);
  EXPECT_NE(json.out.find("\"verdict\": \"not a recorder image, undecodable\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"decoded\": false, \"reason\": \"" + reason + "\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"decoded\": true, \"reason\": null"), std::string::npos) << json.out;
  const CommandRun csv = RunCommand(Tool("selvo-check") + " --csv --decode " + demo + " 2>&1 >/dev/null");
  EXPECT_EQ(csv.out, "selvo-check: " + cut + ": not a recorder image, undecodable (" + reason + ")\n");
}

TEST(SelvoCheck, ExtractsADamagedDiscAndReportsTheRecordsItCouldNotRead) {
  TestFolder scratch;
  const std::string image = scratch / "disc.img";
  ASSERT_EQ(RunCommand(Tool("selvo-make-demo") + " --disc " + image + " --frames 20 --damaged").exitCode, 0);
  const CommandRun listing = RunCommand(Tool("selvo-check") + " --disc " + image + " --quiet");
  EXPECT_EQ(listing.exitCode, 1);
  EXPECT_NE(listing.out.find("20 images: 17 ok"), std::string::npos) << listing.out;

  const std::string out = scratch.MakeDir("out");
  const CommandRun extract =
      RunCommand(Tool("selvo-check") + " --disc " + image + " --extract " + out + " --range 5-7 --prefix cam 2>&1");
  EXPECT_EQ(extract.exitCode, 1);
  // Record 6 is damaged: its name is reported, its neighbours are copied.
  EXPECT_NE(extract.out.find("cam001.jpg were not copied"), std::string::npos) << extract.out;
  EXPECT_NE(extract.out.find("Disk read error occurred at number 6"), std::string::npos) << extract.out;
  EXPECT_FALSE(ReadFileBytes(out + "/cam000.jpg").empty());
  EXPECT_TRUE(ReadFileBytes(out + "/cam001.jpg").empty());
  EXPECT_FALSE(ReadFileBytes(out + "/cam002.jpg").empty());
}

// The record units of the tag entries may point anywhere, below the tag area
// too: then a dump cut short inside the tag area still holds every record
// that its readable entries name. Twelve records; the first tag block (eight
// entries) is whole, the rest of the tag area is missing.
TEST(SelvoCheck, DiscWhoseIndexIsCutShortIsNeverAllOk) {
  TestFolder scratch;
  DiscImageWriter writer;
  for (int n = 1; n <= 12; ++n) writer.AddRecord(SmallDiscRecord(n));
  ASSERT_TRUE(writer.Write(scratch / "whole.img"));
  const std::vector<std::uint8_t> whole = ReadFileBytes(scratch / "whole.img");
  const auto recordsStart = static_cast<std::size_t>(writer.RecordOffset(0));
  constexpr std::size_t kMovedTo = 0x1000;
  constexpr auto kTagArea = static_cast<std::size_t>(disc::kTagAreaOffset);
  ASSERT_LT(kMovedTo + whole.size() - recordsStart, kTagArea);
  std::vector<std::uint8_t> cut(kTagArea + disc::kSectorBytes, 0);
  std::copy(whole.begin() + static_cast<std::ptrdiff_t>(recordsStart), whole.end(),
            cut.begin() + static_cast<std::ptrdiff_t>(kMovedTo));
  std::copy_n(whole.begin() + static_cast<std::ptrdiff_t>(kTagArea), disc::kSectorBytes,
              cut.begin() + static_cast<std::ptrdiff_t>(kTagArea));
  const auto unitsMoved = static_cast<std::uint32_t>((recordsStart - kMovedTo) / disc::kRecordUnitBytes);
  for (std::size_t entry = 0; entry < 8; ++entry) {
    std::uint8_t* units = cut.data() + kTagArea + entry * disc::kTagEntryBytes + disc::kTagRecordFieldOffset;
    WriteLe32(units, ReadLe32(units) - unitsMoved);
  }
  const std::string image = scratch.Write("cut.img", cut);

  const CommandRun listing = RunCommand(Tool("selvo-check") + " --disc " + image + " --quiet 2>/dev/null");
  EXPECT_EQ(listing.exitCode, 1) << listing.out;
  EXPECT_NE(listing.out.find("8 images: 8 ok"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find("index was cut short"), std::string::npos) << listing.out;
  const CommandRun json = RunCommand(Tool("selvo-check") + " --disc " + image + " --json 2>/dev/null");
  EXPECT_EQ(json.exitCode, 1);
  EXPECT_NE(json.out.find("\"index_cut_short\": true"), std::string::npos) << json.out;
}

TEST(SelvoCheck, UnreadablePathsAndUsageErrorsExitWithTwo) {
  TestFolder scratch;
  scratch.MakeDir("no-images");
  const struct {
    std::string args;
  } cases[] = {{scratch / "missing"},
               {scratch / "no-images"},
               {"--no-such-option " + scratch.Path()},
               {""},
               {"--csv --json " + scratch.Path()},
               // A manifest's paths are relative to one folder; a report is about one export.
               {"--manifest " + (scratch / "m") + " " + scratch.Path() + " " + scratch.Path()},
               {"--report " + (scratch / "r.pdf") + " --disc " + (scratch / "disc")},
               {"--manifest " + (scratch / "no-such-folder/m") + " " + scratch.Path()}};
  for (const auto& c : cases) {
    EXPECT_EQ(RunCommand(Tool("selvo-check") + " " + c.args).exitCode, 2) << c.args;
  }
}

// Runs a command as an unprivileged user when the tests run as root, for
// whom no permission bit would make anything unreadable. The scratch folder
// is opened up so that user can reach it.
std::string AsUnprivileged(const TestFolder& scratch, const std::string& command) {
  if (::geteuid() != 0) return command;
  ::chmod(scratch.Path().c_str(), 0755);
  return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}

// A file name can hold escape sequences and line breaks; printed raw they
// would redraw the terminal and forge an "ok" line and a summary.
TEST(SelvoCheck, ControlCharactersInNamesAreEscapedNotSentToTheTerminal) {
  TestFolder scratch;
  const std::string forged = "\x1b[1A\x1b[2K\r       1  --  -                    ok\n12 images: 12 ok\x9b""2J";
  scratch.Write("rec/" + forged + ".jpg", std::string("\xFF\xD8 not a recorder image"));
  scratch.Write("rec/plain\xE6\x97\xA5.jpg", std::string("\xFF\xD8 not a recorder image"));
  const CommandRun check = RunCommand(Tool("selvo-check") + " " + (scratch / "rec") + " 2>&1");
  EXPECT_EQ(check.exitCode, 1) << check.out;
  EXPECT_EQ(check.out.find('\x1b'), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find('\r'), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find('\x9b'), std::string::npos) << check.out;
  EXPECT_NE(check.out.find(R"(\x1b[1A\x1b[2K\r       1  --  -                    ok\n12 images: 12 ok\x9b2J.jpg)"),
            std::string::npos)
      << check.out;
  EXPECT_NE(check.out.find("plain\xE6\x97\xA5.jpg"), std::string::npos) << "UTF-8 names stay readable";
  // Header, two images, time line, summary: five lines and no more.
  EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), 5) << check.out;
  EXPECT_NE(check.out.find("2 images: 0 ok"), std::string::npos) << check.out;
}

// What could not be read was not checked: it is never ok, never "not a
// recorder image", and a folder that cannot be listed is named.
TEST(SelvoCheck, UnreadableFoldersAndFilesAreReportedAsSuchAndFailTheRun) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 12 --per-folder 4 --no-alter --fast --no-info");
  ASSERT_EQ(::chmod((demo + "/IMG00002").c_str(), 0), 0);
  ASSERT_EQ(::chmod((demo + "/IMG00003/IMG00000010.jpg").c_str(), 0), 0);
  const CommandRun table = RunCommand(AsUnprivileged(scratch, Tool("selvo-check") + " " + demo));
  EXPECT_EQ(table.exitCode, 1) << table.out;
  EXPECT_NE(table.out.find("unreadable folder (Permission denied)  " + demo + "/IMG00002"), std::string::npos)
      << table.out;
  EXPECT_NE(table.out.find("unreadable (Permission denied)  " + demo + "/IMG00003/IMG00000010.jpg"),
            std::string::npos)
      << table.out;
  EXPECT_EQ(table.out.find("not a recorder image  "), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("8 images: 7 ok"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find(", 1 unreadable, 1 unreadable folders"), std::string::npos) << table.out;

  const CommandRun csv = RunCommand(AsUnprivileged(scratch, Tool("selvo-check") + " --csv " + demo + " 2>&1"));
  EXPECT_EQ(csv.exitCode, 1);
  EXPECT_NE(csv.out.find(demo + "/IMG00002: unreadable folder (Permission denied)"), std::string::npos) << csv.out;
  EXPECT_NE(csv.out.find(demo + "/IMG00003/IMG00000010.jpg: unreadable (Permission denied)"), std::string::npos)
      << csv.out;
}

TEST(SelvoCheck, DiscThatIsAFolderOrAFifoIsRefusedAtOnceAndSaysWhatItIs) {
  TestFolder scratch;
  const std::string fifo = scratch / "disc.img";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    std::string says;
  } cases[] = {{scratch.Path(), "is a folder, not a disc image file or a CD drive"},
               {fifo, "neither a disc image file nor a CD drive"}};
  for (const auto& c : cases) {
    for (const std::string& extra : {std::string(), " --extract " + scratch.Path() + " --range 1-1"}) {
      const CommandRun check =
          RunCommand("timeout 5 " + Tool("selvo-check") + " --disc " + c.path + extra + " 2>&1");
      EXPECT_EQ(check.exitCode, 2) << c.path << extra << "\n" << check.out;
      EXPECT_NE(check.out.find(c.says), std::string::npos) << check.out;
      EXPECT_EQ(check.out.find("not ready"), std::string::npos) << check.out;
    }
  }
}

TEST(SelvoCheck, ExtractNeverWritesOutsideItsFolderAndTellsWriteFailuresFromReadErrors) {
  TestFolder scratch;
  const std::string image = scratch / "disc.img";
  ASSERT_EQ(RunCommand(Tool("selvo-make-demo") + " --disc " + image + " --frames 4").exitCode, 0);
  const std::string out = scratch.MakeDir("out");
  for (const char* prefix : {"../x-", "/tmp/x-", "sub/x-"}) {
    const CommandRun escape = RunCommand(Tool("selvo-check") + " --disc " + image + " --extract " + out +
                                         " --range 1-2 --prefix " + prefix + " 2>&1");
    EXPECT_EQ(escape.exitCode, 2) << prefix << "\n" << escape.out;
  }
  EXPECT_TRUE(ReadFileBytes(scratch / "x-000.jpg").empty());

  // A folder where the second file should go: the disc was read, the write failed.
  scratch.MakeDir("out/cam001.jpg");
  const CommandRun extract = RunCommand(Tool("selvo-check") + " --disc " + image + " --extract " + out +
                                        " --range 1-3 --prefix cam 2>&1");
  EXPECT_EQ(extract.exitCode, 1) << extract.out;
  EXPECT_NE(extract.out.find("cam001.jpg could not be written: "), std::string::npos) << extract.out;
  EXPECT_EQ(extract.out.find("Disk read error"), std::string::npos) << extract.out;
  EXPECT_NE(extract.out.find("2 of 3 images copied"), std::string::npos) << extract.out;
}


// Entries named like images that are no files stand where images should:
// each is listed as unreadable, says what it is, fails the run, and none is
// waited on or read for ever.
TEST(SelvoCheck, EntriesNamedLikeImagesThatAreNoFilesAreListedUnreadableWithWhatTheyAre) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 4 --per-folder 4 --no-alter --fast --no-info");
  const std::string folder = demo + "/IMG00001/";
  ASSERT_EQ(::symlink((folder + "gone").c_str(), (folder + "x1.jpg").c_str()), 0);
  ASSERT_EQ(::mkfifo((folder + "x2.jpg").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir((folder + "x3.jpg").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("/dev/zero", (folder + "x4.jpg").c_str()), 0);
  for (const char* options : {"", "--hash --decode "}) {
    const CommandRun check = RunCommand("timeout 20 " + Tool("selvo-check") + " " + options + demo);
    EXPECT_EQ(check.exitCode, 1) << options << check.out;
    const struct {
      const char* name;
      const char* says;
    } entries[] = {{"x1.jpg", "unreadable (a link to nothing)"},
                   {"x2.jpg", "unreadable (a FIFO, not a file)"},
                   {"x3.jpg", "unreadable (a folder, not a file)"},
                   {"x4.jpg", "unreadable (a device, not a file)"}};
    for (const auto& entry : entries) {
      std::istringstream lines(check.out);
      std::string line;
      bool listed = false;
      while (std::getline(lines, line)) {
        if (line.find(folder + entry.name) != std::string::npos) listed = line.find(entry.says) != std::string::npos;
      }
      EXPECT_TRUE(listed) << entry.name << "\n" << check.out;
    }
    EXPECT_NE(check.out.find("8 images: 4 ok"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find(", 4 unreadable"), std::string::npos) << check.out;
  }
}

// A sound track or an INFO index that is there and cannot be read changes
// what the check reads; it is said, on stderr, as a warning of the program.
TEST(SelvoCheck, SoundTrackOrIndexThatCannotBeReadIsToldNotDroppedSilently) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 4 --per-folder 4 --no-alter");
  const std::string sound = demo + "/SOUND/sound.wav";
  const std::string index = demo + "/INFO/DEMO.INF";
  const std::vector<std::uint8_t> wave = ReadFileBytes(sound);
  ASSERT_GT(wave.size(), 44u);
  std::vector<std::uint8_t> noChannels = wave;
  noChannels[22] = noChannels[23] = 0;  // the format chunk's channel count
  const std::vector<std::uint8_t> infoBytes = ReadFileBytes(index);
  const struct {
    const char* what;
    std::function<void()> damage;
    std::string says;
  } cases[] = {
      {"FIFO as sound", [&] { ::unlink(sound.c_str()); ::mkfifo(sound.c_str(), 0600); },
       sound + ": a FIFO, not a file; the recording is read as one without sound"},
      {"empty sound", [&] { scratch.Write(sound.substr(scratch.Path().size() + 1), std::string()); },
       sound + ": an empty file"},
      {"sound without channels", [&] { scratch.Write(sound.substr(scratch.Path().size() + 1), noChannels); },
       sound + ": "},
      {"FIFO as index", [&] { ::unlink(index.c_str()); ::mkfifo(index.c_str(), 0600); },
       index + ": a FIFO, not a file; the INFO index is not used"},
      {"index cut short", [&] {
         scratch.Write(index.substr(scratch.Path().size() + 1),
                       std::vector<std::uint8_t>(infoBytes.begin(), infoBytes.begin() + 1030));
       },
       index + ": cut short"},
  };
  for (const auto& c : cases) {
    scratch.Write(sound.substr(scratch.Path().size() + 1), wave);
    scratch.Write(index.substr(scratch.Path().size() + 1), infoBytes);
    c.damage();
    const CommandRun check = RunCommand("timeout 20 " + Tool("selvo-check") + " --quiet " + demo + " 2>&1");
    EXPECT_EQ(check.exitCode, 0) << c.what << "\n" << check.out;
    EXPECT_NE(check.out.find("selvo-check: warning: " + c.says), std::string::npos) << c.what << "\n" << check.out;
    ::unlink(sound.c_str());
    ::unlink(index.c_str());
  }
}

// Every line on stderr names the program, and says what stopped the check:
// a first subfolder that cannot be listed is not "no recorder images".
TEST(SelvoCheck, MessagesNameTheProgramAndTheRealCause) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 8 --per-folder 4 --no-alter --fast --no-info");
  ASSERT_EQ(::chmod((demo + "/IMG00001").c_str(), 0), 0);
  const CommandRun unlisted = RunCommand(AsUnprivileged(scratch, Tool("selvo-check") + " " + demo + " 2>&1 >/dev/null"));
  EXPECT_EQ(unlisted.exitCode, 2) << unlisted.out;
  EXPECT_NE(unlisted.out.find("selvo-check: " + demo + ": no recorder images could be listed: " + demo +
                              "/IMG00001: Permission denied"),
            std::string::npos)
      << unlisted.out;
  ASSERT_EQ(::chmod((demo + "/IMG00001").c_str(), 0755), 0);

  const std::string fifo = scratch / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& args : {scratch / "missing", fifo, "--camera 3 " + demo, std::string("--disc /dev/null")}) {
    const CommandRun run = RunCommand("timeout 10 " + Tool("selvo-check") + " " + args + " 2>&1 >/dev/null");
    EXPECT_EQ(run.exitCode, 2) << args << "\n" << run.out;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) EXPECT_EQ(line.rfind("selvo-check: ", 0), 0u) << args << ": " << line;
  }
}

// A report that cannot be written says why in the program's words, never
// in the painter's.
TEST(SelvoCheck, ReportThatCannotBeWrittenSaysWhyWithoutThePaintersWords) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 4 --per-folder 4 --no-alter --fast --no-info");
  const CommandRun run = RunCommand(Tool("selvo-check") + " --quiet --report " + (scratch / "missing/r.pdf") + " " +
                                    demo + " 2>&1 >/dev/null");
  EXPECT_EQ(run.exitCode, 2) << run.out;
  EXPECT_EQ(run.out.find("QPainter"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(std::strerror(ENOENT)), std::string::npos) << run.out;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("selvo-check: ", 0), 0u) << line;
}

// A device that takes no SCSI command is no drive: told at once, not
// waited on for 25 s as a drive that is not ready.
TEST(SelvoCheck, DeviceThatIsNoDriveIsRefusedAtOnceAsNotACdDrive) {
  const auto started = std::chrono::steady_clock::now();
  const CommandRun check = RunCommand("timeout 20 " + Tool("selvo-check") + " --disc /dev/null 2>&1");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3)) << check.out;
  EXPECT_EQ(check.exitCode, 2) << check.out;
  EXPECT_NE(check.out.find("/dev/null\": not a CD drive"), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find("Input/output error"), std::string::npos) << check.out;
}

// Images padded with zeros to hundreds of megabytes are valid; the check
// reads them on every core without holding one whole.
TEST(SelvoCheck, HugeImagesAreCheckedAndHashedInFlatMemory) {
  TestFolder scratch;
  const std::string demo = MakeDemo(scratch, "--frames 4 --per-folder 4 --no-alter --fast --no-info");
  constexpr off_t kPaddedSize = off_t{192} << 20;
  for (int i = 1; i <= 4; ++i) {
    const std::string path = demo + "/IMG00001/IMG0000000" + std::to_string(i) + ".jpg";
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 4u);
    const std::vector<std::uint8_t> stamp(bytes.end() - 4, bytes.end());
    ASSERT_EQ(::truncate(path.c_str(), kPaddedSize - 4), 0);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(stamp.data(), 1, 4, file), 4u);
    std::fclose(file);
  }
  struct rusage before {};
  ::getrusage(RUSAGE_CHILDREN, &before);
  const CommandRun check = RunCommand(Tool("selvo-check") + " --hash --csv " + demo);
  struct rusage after {};
  ::getrusage(RUSAGE_CHILDREN, &after);
  EXPECT_EQ(check.exitCode, 0) << check.out;
  EXPECT_EQ(NonZeroStatuses(check.out), std::vector<std::string>{}) << check.out;
  // The largest child so far: this one, unless an earlier one was larger.
  EXPECT_LT(after.ru_maxrss, 150 * 1024) << "kB at the peak; one image is " << (kPaddedSize >> 10) << " kB";
  const std::string zerosHash = RunCommand("sha256sum " + demo + "/IMG00001/IMG00000001.jpg").out.substr(0, 64);
  EXPECT_NE(check.out.find(zerosHash), std::string::npos) << "the hash covers the whole file";
}

}  // namespace
}  // namespace selvo::test
