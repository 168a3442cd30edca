// What selvo-check hands an investigator: JSON Lines, SHA-256 hashes, a
// manifest that sha256sum verifies, and the breaks in each camera's time
// line, over recordings built from the format rules.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "source/Sha256.h"
#include "tests/CommandRun.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/InfoIndexWriter.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/ShiftJisText.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo::test {
namespace {

std::string Check(const std::string& arguments) { return Tool("selvo-check") + " " + arguments; }

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

constexpr std::uint32_t kBaseSeconds = 826189200u;  // 2026-03-07 09:00:00 recorder time

struct Frame {
  int channel;
  std::uint32_t stampMs;
  std::uint32_t seconds;
  TrailerDamage damage = TrailerDamage::kNone;
};

// Two cameras interleaved, as a recorder lists them. Camera 1 pauses for
// 4 s between #7 and #9 and its clock falls back 10 s at #11; camera 2's
// stamp falls back at #8. #10's picture and #13's time were edited.
std::vector<Frame> InterleavedFrames(bool withEdits) {
  const TrailerDamage picture = withEdits ? TrailerDamage::kAlteredImage : TrailerDamage::kNone;
  const TrailerDamage time = withEdits ? TrailerDamage::kAlteredTime : TrailerDamage::kNone;
  return {
      {0, 0, kBaseSeconds},          {1, 200, kBaseSeconds},      // #1 #2
      {0, 400, kBaseSeconds},        {1, 600, kBaseSeconds},      // #3 #4
      {0, 800, kBaseSeconds},        {1, 1000, kBaseSeconds + 1}, // #5 #6
      {0, 1200, kBaseSeconds + 1},   {1, 700, kBaseSeconds + 1},  // #7 #8
      {0, 5200, kBaseSeconds + 5},   {1, 1100, kBaseSeconds + 1, picture},  // #9 #10
      {0, 5600, kBaseSeconds - 5},   {1, 1500, kBaseSeconds + 1}, // #11 #12
      {0, 6000, kBaseSeconds - 4, time}, {1, 1900, kBaseSeconds + 1},  // #13 #14
  };
}

// A recording folder as the recorder exports it: IMG00001 with the images,
// INFO index naming channels, times, stamps and the titles kTitles. Returns
// its path.
const char* const kTitles[] = {"GATE", "\xe9\xa7\x90\xe8\xbb\x8a\xe5\xa0\xb4"};  // GATE, 駐車場

std::string WriteRecording(const TestFolder& scratch, const std::string& name, const std::vector<Frame>& frames) {
  InfoIndexWriter info;
  for (int channel = 0; channel < 2; ++channel) {
    std::string shiftJis;
    EXPECT_TRUE(Utf8ToShiftJis(kTitles[channel], shiftJis));
    info.SetTitle(channel, shiftJis);
  }
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::vector<std::uint8_t> rgb(32 * 24 * 3, static_cast<std::uint8_t>(30 * i));
    auto writer = TrailerWriter::ForJpeg(EncodeJpeg(rgb.data(), 32, 24, 85));
    TrailerValues values;
    values.seconds = frames[i].seconds;
    values.stampMs = frames[i].stampMs;
    char file[64];
    std::snprintf(file, sizeof file, "/IMG00001/IMG%05zu.jpg", i + 1);
    scratch.Write(name + file, writer->Write(values, frames[i].damage));
    info.Add(InfoEntry{frames[i].seconds, frames[i].stampMs, static_cast<std::int8_t>(frames[i].channel)});
  }
  scratch.MakeDir(name + "/INFO");
  std::string error;
  EXPECT_TRUE(info.WriteFile(scratch / (name + "/INFO/REC.INF"), error)) << error;
  return scratch / name;
}

// Every line must be one complete JSON object.
std::vector<QJsonObject> JsonLines(const std::string& text) {
  std::vector<QJsonObject> objects;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_TRUE(document.isObject()) << error.errorString().toStdString() << ": " << line;
    objects.push_back(document.object());
  }
  return objects;
}

std::string Str(const QJsonValue& value) { return value.toString().toStdString(); }

std::string FileSha256(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return HexDigest(Sha256::Of(bytes.data(), bytes.size()));
}

TEST(SelvoCheckEvidence, JsonLinesGiveEveryImageEachAnomalyAndTheCountsWithTheFilesHashes) {
  TestFolder scratch;
  const std::string folder = WriteRecording(scratch, "rec", InterleavedFrames(true));
  // --quiet is for people; machine-read output stays whole.
  const CommandRun run = RunCommand(Check("--json --quiet --hash " + Quoted(folder)));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::vector<QJsonObject> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 14u + 3u + 1u) << run.out;

  for (int i = 0; i < 14; ++i) {
    const QJsonObject& image = lines[static_cast<std::size_t>(i)];
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(image["number"].toInt(), i + 1);
    EXPECT_EQ(image["camera"].toInt(), i % 2 + 1);
    EXPECT_EQ(Str(image["title"]), kTitles[i % 2]);
    EXPECT_TRUE(image["decoded"].isNull());
    EXPECT_EQ(Str(image["sha256"]), FileSha256(Str(image["path"])));
  }
  struct Expected {
    int number;
    int status;
    const char* verdict;
    const char* time;
    int stamp;
  };
  const Expected expected[] = {
      {1, 0, "ok", "2026-03-07 09:00:00", 0},
      {8, 0, "ok", "2026-03-07 09:00:01", 700},
      {10, 1, "IMAGE ALTERED", "2026-03-07 09:00:01", 1100},
      {13, 2, "TIME ALTERED", "2026-03-07 08:59:56", 6000},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.number);
    const QJsonObject& image = lines[static_cast<std::size_t>(e.number - 1)];
    EXPECT_EQ(image["status"].toInt(), e.status);
    EXPECT_EQ(Str(image["verdict"]), e.verdict);
    EXPECT_EQ(Str(image["time"]), e.time);
    EXPECT_EQ(image["stamp"].toInt(), e.stamp);
  }

  // Per camera, each camera in list order.
  const char* const anomalies[][4] = {
      {"gap", "1", "7", "9"}, {"time_backwards", "1", "9", "11"}, {"stamp_backwards", "2", "6", "8"}};
  for (int k = 0; k < 3; ++k) {
    const QJsonObject& anomaly = lines[14 + static_cast<std::size_t>(k)];
    SCOPED_TRACE(anomalies[k][0]);
    EXPECT_EQ(Str(anomaly["anomaly"]), anomalies[k][0]);
    EXPECT_EQ(anomaly["camera"].toInt(), std::stoi(anomalies[k][1]));
    EXPECT_EQ(anomaly["from"].toInt(), std::stoi(anomalies[k][2]));
    EXPECT_EQ(anomaly["to"].toInt(), std::stoi(anomalies[k][3]));
    EXPECT_FALSE(Str(anomaly["detail"]).empty());
  }

  const QJsonObject summary = lines.back()["summary"].toObject();
  const std::pair<const char*, int> counts[] = {
      {"images", 14}, {"ok", 12},        {"image_altered", 1}, {"time_altered", 1}, {"no_valid_time", 0},
      {"no_trailer", 0}, {"not_recorder", 0}, {"undecodable", 0}, {"anomalies", 3},   {"unreadable", 0}};
  for (const auto& count : counts) EXPECT_EQ(summary[count.first].toInt(-1), count.second) << count.first;

  // The CSV's last column is the same hash.
  const CommandRun csv = RunCommand(Check("--csv --hash " + Quoted(folder)));
  EXPECT_NE(csv.out.find("number,channel,status,time,stamp,decoded,path,sha256\n"), std::string::npos) << csv.out;
  EXPECT_NE(csv.out.find("IMG00010.jpg," + Str(lines[9]["sha256"]) + "\n"), std::string::npos) << csv.out;
}

TEST(SelvoCheckEvidence, TableListsTheTimeLineAfterTheImagesAndAnomaliesAloneDoNotFailTheRun) {
  TestFolder scratch;
  const std::string folder = WriteRecording(scratch, "rec", InterleavedFrames(false));
  const CommandRun run = RunCommand(Check(Quoted(folder)));
  EXPECT_EQ(run.exitCode, 0) << run.out;
  const std::size_t lastImage = run.out.find("IMG00014.jpg");
  const std::size_t section = run.out.find("Time line: 3 anomalies\n");
  ASSERT_NE(section, std::string::npos) << run.out;
  EXPECT_LT(lastImage, section);
  for (const char* row : {"       7         9   1  gap", "       9        11   1  time_backwards",
                          "       6         8   2  stamp_backwards"}) {
    EXPECT_NE(run.out.find(row, section), std::string::npos) << row << "\n" << run.out;
  }
  EXPECT_NE(run.out.find("14 images: 14 ok, 0 image altered, 0 time altered, 0 without valid time, "
                         "0 without recorder trailer, 0 not recorder images, 3 time-line anomalies\n"),
            std::string::npos)
      << run.out;
}

TEST(SelvoCheckEvidence, ManifestIsVerifiedBySha256sumInTheFolderAndCatchesAChangedFile) {
  TestFolder scratch;
  const std::string folder = WriteRecording(scratch, "rec", InterleavedFrames(true));
  // Names sha256sum must escape, and one that is not UTF-8.
  for (const std::string name : {"IMG00001/back\\slash.jpg", "IMG00001/line\nbreak.jpg", "IMG00001/raw\xff.jpg"}) {
    scratch.Write("rec/" + name, ReadFileBytes(folder + "/IMG00001/IMG00001.jpg"));
  }
  // Beside the images: the index, time.txt, and what a desktop leaves on a stick.
  scratch.Write("rec/time.txt", "0\r\n200\r\n");
  scratch.Write("rec/.Trash-1000/files/notes.txt", "x");
  // A link names what lies elsewhere, not part of the recording: left out.
  const std::string outside = scratch.Write("elsewhere.txt", "y");
  ASSERT_EQ(::symlink(outside.c_str(), (folder + "/link.txt").c_str()), 0);
  const std::string manifest = scratch / "rec.sha256";
  // The folder as a shell completes it, with its slash.
  const CommandRun run = RunCommand(Check("--quiet --manifest " + Quoted(manifest) + " " + Quoted(folder + "/")));
  EXPECT_EQ(run.exitCode, 1) << run.out;  // the two edited frames

  const CommandRun verify = RunCommand("cd " + Quoted(folder) + " && sha256sum -c --strict " + Quoted(manifest));
  EXPECT_EQ(verify.exitCode, 0) << verify.out;
  std::size_t verified = 0;
  for (std::size_t at = verify.out.find(": OK\n"); at != std::string::npos; at = verify.out.find(": OK\n", at + 1)) {
    ++verified;
  }
  EXPECT_EQ(verified, 14u + 3u + 3u) << verify.out;
  // Relative paths: the images in list order, then every other file in byte order.
  const std::string list = RunCommand("cat " + Quoted(manifest)).out;
  EXPECT_EQ(list.find(folder), std::string::npos) << list;
  EXPECT_EQ(list.find("link.txt"), std::string::npos) << list;
  const std::size_t inOrder[] = {list.find("  IMG00001/IMG00001.jpg\n"), list.find("  IMG00001/IMG00002.jpg\n"),
                                 list.find("  IMG00001/raw\xff.jpg\n"), list.find("  .Trash-1000/files/notes.txt\n"),
                                 list.find("  INFO/REC.INF\n"), list.find("  time.txt\n")};
  for (std::size_t k = 0; k < std::size(inOrder); ++k) {
    ASSERT_NE(inOrder[k], std::string::npos) << k << "\n" << list;
    if (k > 0) EXPECT_LT(inOrder[k - 1], inOrder[k]) << k;
  }

  // An edited time.txt changes every stamp shown; the manifest catches it.
  scratch.Write("rec/time.txt", "0\r\n10200\r\n");
  const CommandRun edited = RunCommand("cd " + Quoted(folder) + " && sha256sum -c --quiet " + Quoted(manifest) + " 2>&1");
  EXPECT_NE(edited.exitCode, 0);
  EXPECT_NE(edited.out.find("time.txt: FAILED"), std::string::npos) << edited.out;

  std::vector<std::uint8_t> bytes = ReadFileBytes(folder + "/IMG00001/IMG00005.jpg");
  bytes[bytes.size() / 2] ^= 1;
  scratch.Write("rec/IMG00001/IMG00005.jpg", bytes);
  const CommandRun after = RunCommand("cd " + Quoted(folder) + " && sha256sum -c --quiet " + Quoted(manifest) + " 2>&1");
  EXPECT_NE(after.exitCode, 0);
  EXPECT_NE(after.out.find("IMG00005.jpg: FAILED"), std::string::npos) << after.out;
}

// The files are read in batches on several threads; every answer must still
// land on its own image, in list order.
TEST(SelvoCheckEvidence, HashesStayWithTheirFilesAcrossReadBatches) {
  TestFolder scratch;
  const std::string demo = scratch / "demo";
  ASSERT_EQ(RunCommand(Tool("selvo-make-demo") + " " + demo + " --frames 700 --cameras 3 --fast").exitCode, 0);
  const std::string manifest = scratch / "demo.sha256";
  const CommandRun csv = RunCommand(Check("--csv --hash --manifest " + Quoted(manifest) + " " + Quoted(demo)));
  std::istringstream lines(csv.out);
  std::string line;
  std::getline(lines, line);
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    ASSERT_EQ(line.rfind(std::to_string(number) + ",", 0), 0u) << line;
    char file[32];
    std::snprintf(file, sizeof file, "/IMG%08d.jpg,", number);
    ASSERT_NE(line.find(file), std::string::npos) << line;
  }
  EXPECT_EQ(number, 700);
  const CommandRun verify = RunCommand("cd " + Quoted(demo) + " && sha256sum -c --quiet --strict " + Quoted(manifest));
  EXPECT_EQ(verify.exitCode, 0) << verify.out;
  // 700 images, then the index and time.txt.
  EXPECT_EQ(RunCommand("wc -l < " + Quoted(manifest)).out, "702\n");
}

// Names come from the export and may hold anything; every JSON line must
// still parse, carry no raw control byte, and name the file recognisably.
TEST(SelvoCheckEvidence, HostileNamesStayOneParseableJsonLineEach) {
  TestFolder scratch;
  struct Case {
    std::string name;
    std::string parsedAs;
  };
  const Case cases[] = {
      {"esc\x1b[2Jnl\nquote\"back\\tab\t.jpg", "esc\x1b[2Jnl\nquote\"back\\tab\t.jpg"},
      {"c1\xc2\x9b" "del\x7f.jpg", "c1\xc2\x9b" "del\x7f.jpg"},
      {"bad\xff\xfeutf8.jpg", "bad\xef\xbf\xbd\xef\xbf\xbdutf8.jpg"},
      {"sep\xe2\x80\xa8" "kanji\xe6\x97\xa5.jpg", "sep\xe2\x80\xa8" "kanji\xe6\x97\xa5.jpg"},
  };
  for (const Case& c : cases) scratch.Write("rec/" + c.name, std::string("\xFF\xD8 not a recorder image"));
  const CommandRun run = RunCommand(Check("--json " + Quoted(scratch / "rec")));
  for (char raw : {'\x1b', '\t', '\x7f', '\r'}) EXPECT_EQ(run.out.find(raw), std::string::npos) << int(raw);
  EXPECT_EQ(run.out.find("\xc2\x9b"), std::string::npos);
  const std::vector<QJsonObject> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), std::size(cases) + 1) << run.out;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < std::size(cases); ++i) paths.push_back(Str(lines[i]["path"]));
  for (const Case& c : cases) {
    EXPECT_NE(std::find(paths.begin(), paths.end(), scratch / ("rec/" + c.parsedAs)), paths.end()) << c.parsedAs;
  }
  EXPECT_EQ(lines.back()["summary"].toObject()["not_recorder"].toInt(), 4);
}

// The report is drawn without any display, as on a server.
TEST(SelvoCheckEvidence, PdfReportSumsUpDrawsEachProblemImageOnItsPageAndNamesTheHashes) {
  TestFolder scratch;
  const std::string folder = WriteRecording(scratch, "rec", InterleavedFrames(true));
  scratch.Write("rec/IMG00001/Thumbs.db", "x");
  const std::string pdf = scratch / "report.pdf";
  const std::string manifest = scratch / "rec.sha256";
  const CommandRun run = RunCommand("env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY " +
                                    Check("--quiet --manifest " + Quoted(manifest) + " --report " + Quoted(pdf) +
                                          " " + Quoted(folder) + " 2>&1"));
  EXPECT_EQ(run.exitCode, 1) << run.out;  // the report changes nothing about the verdict
  EXPECT_EQ(run.out.find("selvo-check:"), std::string::npos) << "no complaint on the way: " << run.out;
  const std::string pageCount = RunCommand("pdfinfo " + Quoted(pdf) + " | grep '^Pages:'").out;
  EXPECT_NE(pageCount.find(" 4\n"), std::string::npos) << "summary, time line, two problem images: " << pageCount;

  const std::string summary = PdfText(pdf, 1);
  for (const std::string& expected :
       {"Folder: " + folder, std::string("Checked: "), "Manifest SHA-256: " + FileSha256(manifest),
        std::string("14 images"), std::string("12 ok"), std::string("3 time-line anomalies"),
        std::string("Camera 1 GATE: images 7, problems 1, gaps 1"),
        "Camera 2 " + std::string(kTitles[1]) + ": images 7, problems 1, gaps 0",
        std::string("Camera 1 GATE, images 7 to 9: gap"), std::string("images 6 to 8: stamp_backwards"),
        std::string("in the folder"), std::string("IMG00001/Thumbs.db")}) {
    EXPECT_NE(summary.find(expected), std::string::npos) << expected << "\n" << summary;
  }
  // The recording's own index is no stranger.
  EXPECT_EQ(summary.find("REC.INF"), std::string::npos) << summary;
  EXPECT_NE(PdfText(pdf, 2).find("Camera 2 " + std::string(kTitles[1])), std::string::npos) << PdfText(pdf, 2);

  const std::pair<int, const char*> problems[] = {{10, "IMAGE ALTERED"}, {13, "TIME ALTERED"}};
  for (int k = 0; k < 2; ++k) {
    const std::string page = PdfText(pdf, 3 + k);
    const std::string file = folder + "/IMG00001/IMG000" + std::to_string(problems[k].first) + ".jpg";
    for (const std::string& expected :
         {"image " + std::to_string(problems[k].first) + " - " + problems[k].second, "File " + file,
          "SHA-256 " + FileSha256(file), std::string(k == 0 ? "Camera 2 " : "Camera 1 GATE")}) {
      EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
    }
  }
}

// A file no decoder can draw still gets its page: the placeholder the viewer
// shows, its verdict and its hash.
TEST(SelvoCheckEvidence, PdfReportGivesAnUndrawableImageItsPageToo) {
  TestFolder scratch;
  const std::string bad = scratch.Write("rec/IMG00001/IMG00001.jpg", std::string("\xFF\xD8 cut short"));
  const std::string pdf = scratch / "report.pdf";
  const CommandRun run = RunCommand(Check("--quiet --report " + Quoted(pdf) + " " + Quoted(scratch / "rec") + " 2>&1"));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::string page = PdfText(pdf, 3);
  for (const std::string& expected : {std::string("image 1 - not a recorder image"), "SHA-256 " + FileSha256(bad)}) {
    EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
  }
}

}  // namespace
}  // namespace selvo::test
