// selvo-motion run as users run it, on the footage the motion search is
// tested on: its events against the footage's truth, its refusals, and
// damaged images in a copy of the footage.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/CommandRun.h"
#include "tests/MotionFootage.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using test::RunCommand;
using test::TestFolder;
using test::Tool;
using Runs = std::vector<std::pair<int, int>>;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The events of JSON Lines, as runs of image numbers from 1.
Runs JsonEvents(const std::string& out) {
  Runs runs;
  static const std::regex event(R"(\{"event": \d+, "camera": \d+, "from": (\d+), "to": (\d+), .*"peak": 0\.\d{3}\})");
  std::smatch match;
  std::string::const_iterator from = out.begin();
  while (std::regex_search(from, out.end(), match, event)) {
    runs.emplace_back(std::stoi(match[1]), std::stoi(match[2]));
    from = match.suffix().first;
  }
  return runs;
}

// The truth of the footage, numbered from 1 as the tool numbers images.
Runs NumberedTruth(const MotionFootageWriter& writer, int camera, const MotionRect& area) {
  Runs runs = writer.Crossings(camera, area);
  for (auto& run : runs) run = {run.first + 1, run.second + 1};
  return runs;
}

void ExpectWithinTwo(const Runs& truth, const Runs& found, const std::string& out) {
  ASSERT_EQ(found.size(), truth.size()) << out;
  for (std::size_t i = 0; i < truth.size(); ++i) {
    EXPECT_NEAR(found[i].first, truth[i].first, 2) << out;
    EXPECT_NEAR(found[i].second, truth[i].second, 2) << out;
  }
}

class SelvoMotionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(test::DoorwayFolder().empty()); }

  static std::string Motion(const std::string& arguments, const std::string& folder) {
    return Tool("selvo-motion") + " " + arguments + " " + Quoted(folder);
  }

  const MotionFootageWriter writer_{test::DoorwayFootage()};
  const std::string* const folder_ = &test::DoorwayFolder();
};

TEST_F(SelvoMotionTest, DefaultSensitivityFindsEveryCrossingOfEachCameraAndNothingElse) {
  for (int camera = 1; camera <= 2; ++camera) {
    const test::CommandRun run =
        RunCommand(Motion("--json --camera " + std::to_string(camera) + " --area 400,140,200,200", *folder_));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    ExpectWithinTwo(NumberedTruth(writer_, camera - 1, test::kDoorArea), JsonEvents(run.out), run.out);
    EXPECT_NE(run.out.find("\"camera\": " + std::to_string(camera) + ", \"from\""), std::string::npos);
    EXPECT_NE(run.out.find("{\"summary\": {\"searched\": 300, \"skipped\": 0, \"events\": "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"areas\": [\"400,140,200,200\"], \"ignore\": [], \"sensitivity\": 5, \"range\": null"),
              std::string::npos)
        << run.out;
  }
  // The corner of the picture, where camera 2's second figure walks out of it.
  const test::CommandRun corner = RunCommand(Motion("--json --camera 2 --area 504,280,200,200", *folder_));
  EXPECT_EQ(corner.exitCode, 0);
  ExpectWithinTwo(NumberedTruth(writer_, 1, test::kCornerArea), JsonEvents(corner.out), corner.out);
}

TEST_F(SelvoMotionTest, TableAndCsvCarryTheSameEvents) {
  const test::CommandRun csv = RunCommand(Motion("--csv --camera 1 --area 400,140,200,200", *folder_));
  EXPECT_EQ(csv.exitCode, 0);
  const std::size_t truths = writer_.Crossings(0, test::kDoorArea).size();
  EXPECT_EQ(csv.out.rfind("event,camera,from,to,from_time,to_time,from_stamp,to_stamp,peak_image,peak\n", 0), 0u);
  EXPECT_EQ(static_cast<std::size_t>(std::count(csv.out.begin(), csv.out.end(), '\n')), truths + 1) << csv.out;
  const test::CommandRun table = RunCommand(Motion("--camera 1 --area 400,140,200,200", *folder_));
  EXPECT_EQ(table.exitCode, 0);
  EXPECT_NE(table.out.find("300 images searched, 0 skipped, " + std::to_string(truths) + " events; camera 1"),
            std::string::npos)
      << table.out;
}

TEST_F(SelvoMotionTest, RangeSearchesOnlyThoseImagesNumberedAsTheCameraListsThem) {
  const test::CommandRun run = RunCommand(Motion("--json --camera 1 --range 100-230 --area 400,140,200,200", *folder_));
  EXPECT_EQ(run.exitCode, 0);
  Runs truth;
  for (const auto& crossing : NumberedTruth(writer_, 0, test::kDoorArea)) {
    if (crossing.first >= 100 && crossing.second <= 230) truth.push_back(crossing);
  }
  ASSERT_EQ(truth.size(), 2u);
  ExpectWithinTwo(truth, JsonEvents(run.out), run.out);
  EXPECT_NE(run.out.find("\"searched\": 131,"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"range\": \"100-230\""), std::string::npos) << run.out;
}

TEST_F(SelvoMotionTest, UsageErrorsAndUnusableFoldersExitTwoWithNothingOnStandardOutput) {
  struct Case {
    std::string arguments;
    std::string told;
  };
  const std::vector<Case> cases = {
      {"--area 400,140,200,200", "the recording holds cameras 1, 2: choose one with --camera N"},
      {"--camera 1 --area 0,0,705,480", "the area 0,0,705,480 does not lie on the 704 x 480 picture"},
      {"--camera 1 --area 600,300,200,200", "does not lie on the 704 x 480 picture"},
      {"--camera 3 --area 400,140,200,200", "camera 3 has no images"},
      {"--camera 17 --area 400,140,200,200", "--camera needs a number from 1 to 16"},
      {"--camera 1 --area 400,140,200", "--area needs X,Y,W,H"},
      {"--camera 1 --area 400,140,0,200", "--area needs X,Y,W,H"},
      {"--camera 1 --area 400,140,200,200 --ignore -1,0,5,5", "--ignore needs X,Y,W,H"},
      {"--camera 1 --area 400,140,200,200 --sensitivity 11", "--sensitivity needs a number from 1 to 10"},
      {"--camera 1 --area 400,140,200,200 --range 250-400", "the range 250-400 lies past the last image (300)"},
      {"--camera 1 --area 400,140,200,200 --range 9-3", "bad --range"},
      {"--camera 1 --area 400,140,200,200 --csv --json", "--csv and --json exclude each other"},
      {"--camera 1", "no --area given"},
  };
  for (const Case& c : cases) {
    const test::CommandRun run = RunCommand(Motion(c.arguments, *folder_) + " 2>&1 >/dev/null");
    EXPECT_EQ(run.exitCode, 2) << c.arguments;
    EXPECT_NE(run.out.find(c.told), std::string::npos) << c.arguments << ": " << run.out;
    const test::CommandRun quiet = RunCommand(Motion(c.arguments, *folder_));
    EXPECT_EQ(quiet.out, "") << c.arguments;
  }
  TestFolder scratch;
  // A folder that is not there, named to move a terminal's cursor: told with its escapes.
  const test::CommandRun missing = RunCommand(Motion("--area 1,1,9,9", scratch / "gone\x1b[2J") + " 2>&1");
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.out.find("gone\\x1b[2J: No such file or directory"), std::string::npos) << missing.out;
  const test::CommandRun empty = RunCommand(Motion("--area 1,1,9,9", scratch.MakeDir("empty")) + " 2>&1");
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_NE(empty.out.find("no recorder images found"), std::string::npos) << empty.out;
}

TEST_F(SelvoMotionTest, DamagedAndUndecodableImagesAreListedCountedAndTheSearchGoesOn) {
  TestFolder scratch;
  const std::string copy = scratch / "copy";
  std::filesystem::copy(*folder_, copy, std::filesystem::copy_options::recursive);
  // Camera 1's image 196, while the figure stands in the area, cut short;
  // its image 151, between two crossings, overwritten at its start.
  const std::string cut = copy + "/" + writer_.ImagePath(0, 195);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(copy + "/" + writer_.ImagePath(0, 150));
  std::fill(bytes.begin(), bytes.begin() + 600, std::uint8_t{0x5A});
  scratch.Write("copy/" + writer_.ImagePath(0, 150), bytes);

  const test::CommandRun run = RunCommand(Motion("--json --camera 1 --area 400,140,200,200", copy));
  EXPECT_EQ(run.exitCode, 1);
  ExpectWithinTwo(NumberedTruth(writer_, 0, test::kDoorArea), JsonEvents(run.out), run.out);
  EXPECT_NE(run.out.find("\"searched\": 298, \"skipped\": 2,"), std::string::npos) << run.out;
  const test::CommandRun told = RunCommand(Motion("--camera 1 --area 400,140,200,200", copy) + " 2>&1 >/dev/null");
  EXPECT_NE(told.out.find("image 151: " + copy + "/" + writer_.ImagePath(0, 150) + ": not a JPEG or JPEG 2000 image"),
            std::string::npos)
      << told.out;
  EXPECT_NE(told.out.find("image 196: " + cut + ": damaged"), std::string::npos) << told.out;
}

TEST(SelvoMotionJp2Test, FindsTheCrossingInAJpeg2000Recording) {
  const MotionFootageOptions options = test::Jp2Footage();
  std::string error;
  const std::string folder = test::KeptFootage("motion-jp2", options, error);
  ASSERT_FALSE(folder.empty()) << error;
  const test::CommandRun run =
      RunCommand(Tool("selvo-motion") + " --json --area 400,140,200,200 " + Quoted(folder));
  EXPECT_EQ(run.exitCode, 0) << run.out;
  Runs truth = MotionFootageWriter(options).Crossings(0, test::kDoorArea);
  for (auto& crossing : truth) crossing = {crossing.first + 1, crossing.second + 1};
  ExpectWithinTwo(truth, JsonEvents(run.out), run.out);
  // A JPEG 2000 picture is decoded only around the areas: areas wholly off
  // it are still told as a usage error, not as every image undecodable.
  const test::CommandRun off = RunCommand(Tool("selvo-motion") + " --area 720,100,50,50 " + Quoted(folder) + " 2>&1");
  EXPECT_EQ(off.exitCode, 2);
  EXPECT_NE(off.out.find("the area 720,100,50,50 does not lie on the 704 x 480 picture"), std::string::npos) << off.out;
}

}  // namespace
}  // namespace selvo
