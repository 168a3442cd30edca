#include <gtest/gtest.h>

#include <vector>

#include "source/ScsiCommand.h"

namespace selvo {
namespace {

std::vector<int> CdbOf(const ScsiCommand& command) {
  return std::vector<int>(command.Cdb(), command.Cdb() + command.CdbLength());
}

TEST(ScsiCommand, BlocksCarryOpcodeBigEndianFieldsAndMatchingTransferLength) {
  const ScsiCommand read = ScsiCommand::ReadBlock(0x01020A0B);
  EXPECT_EQ(CdbOf(read), (std::vector<int>{0x28, 0, 0x01, 0x02, 0x0A, 0x0B, 0, 0x00, 0x01, 0}));
  EXPECT_EQ(read.DataLength(), 2048u);
  EXPECT_EQ(read.Direction(), ScsiDirection::FromDevice);

  const ScsiCommand ready = ScsiCommand::TestUnitReady();
  EXPECT_EQ(CdbOf(ready), (std::vector<int>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ready.DataLength(), 0u);
  EXPECT_EQ(ready.Direction(), ScsiDirection::None);

  const ScsiCommand inquiry = ScsiCommand::Inquiry();
  EXPECT_EQ(CdbOf(inquiry), (std::vector<int>{0x12, 0, 0, 0, 32, 0}));
  EXPECT_EQ(inquiry.DataLength(), 32u);

  EXPECT_EQ(CdbOf(ScsiCommand::StartUnit()), (std::vector<int>{0x1B, 0, 0, 0, 0x01, 0}));
}

TEST(ScsiCommand, SenseDecodingFindsNotReadyInBothFormats) {
  struct Case {
    std::vector<std::uint8_t> sense;
    bool valid;
    int key;
    int asc;
    bool notReady;
  } cases[] = {
      // Fixed format, "medium not present".
      {{0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01}, true, 2, 0x3A, true},
      // Fixed format with the valid bit set, unit attention after a disc change.
      {{0xF0, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28, 0x00}, true, 6, 0x28, false},
      // Descriptor format, "becoming ready".
      {{0x72, 0x02, 0x04, 0x01}, true, 2, 0x04, true},
      // Unknown response code and too short: nothing is claimed.
      {{0x00, 0x02, 0x02, 0x02}, false, 0, 0, false},
      {{0x70, 0}, false, 0, 0, false},
  };
  for (const Case& c : cases) {
    const ScsiSense sense = ScsiCommand::DecodeSense(c.sense.data(), c.sense.size());
    EXPECT_EQ(sense.valid, c.valid) << int(c.sense[0]);
    EXPECT_EQ(sense.key, c.key) << int(c.sense[0]);
    EXPECT_EQ(sense.asc, c.asc) << int(c.sense[0]);
    EXPECT_EQ(sense.SaysNotReady(), c.notReady) << int(c.sense[0]);
  }
}

}  // namespace
}  // namespace selvo
