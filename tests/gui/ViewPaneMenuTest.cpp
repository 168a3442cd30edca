// The pane menu's rules: which items it shows, their enabled and checked
// states, and what its commands do to the panes of each split mode.
#include <gtest/gtest.h>

#include <set>

#include "view/PaneSlotTable.h"

namespace selvo {
namespace {

// A recording whose INFO index knows channels 0..3 and 5.
bool KnownChannel(int channel) {
  static const std::set<int> known{0, 1, 2, 3, 5};
  return channel == kAllChannels || known.count(channel) != 0;
}

constexpr int ChannelItem(int channel) { return kPaneMenuChannel0 + channel; }

class PaneSlotTableTest : public ::testing::Test {
 protected:
  void SetUp() override { table_.Reset(0); }

  // A 2x2 split with pane 0 showing 1ch and pane 1 showing 2ch.
  void SplitFourWithTwoChannels() {
    table_.Apply(kPaneMenu4Image);
    Choose(0, ChannelItem(0));
    Choose(1, ChannelItem(1));
  }

  PaneSlotTable::CommandResult Choose(int pane, int id) {
    table_.SetSelectedPane(pane);
    return table_.Apply(id);
  }

  PaneSlotTable table_;
};

TEST_F(PaneSlotTableTest, MenuLeavesOutTheCurrentLayoutUnknownChannelsAndDashesWhenSplit) {
  const std::vector<int> onePane{kPaneMenu4Image, kPaneMenu9Image, kPaneMenu16Image, kPaneMenuAllChannels,
                                 ChannelItem(0),  ChannelItem(1),  ChannelItem(2),   ChannelItem(3),
                                 ChannelItem(5)};
  EXPECT_EQ(table_.MenuItems(KnownChannel), onePane);
  table_.Apply(kPaneMenu9Image);
  const std::vector<int> nine{kPaneMenu1Image, kPaneMenu4Image, kPaneMenu16Image, ChannelItem(0), ChannelItem(1),
                              ChannelItem(2),  ChannelItem(3),  ChannelItem(5)};
  EXPECT_EQ(table_.MenuItems(KnownChannel), nine);
}

TEST_F(PaneSlotTableTest, SplitShowsAChannelInOnePaneOnly) {
  SplitFourWithTwoChannels();
  table_.SetSelectedPane(1);
  const CommandState taken = table_.ItemState(ChannelItem(0), KnownChannel);
  const CommandState own = table_.ItemState(ChannelItem(1), KnownChannel);
  const CommandState free = table_.ItemState(ChannelItem(2), KnownChannel);
  const CommandState unknown = table_.ItemState(ChannelItem(4), KnownChannel);
  EXPECT_FALSE(taken.enabled);
  EXPECT_TRUE(own.enabled);
  EXPECT_TRUE(own.checked);
  EXPECT_TRUE(free.enabled);
  EXPECT_FALSE(free.checked);
  EXPECT_FALSE(unknown.enabled);
}

TEST_F(PaneSlotTableTest, ChoosingAPanesOwnChannelEmptiesThePane) {
  SplitFourWithTwoChannels();
  table_.CurrentSlot(1).image = DibBlock::Create(4, 3, 3);
  table_.CurrentSlot(1).time = 1234;
  const PaneSlotTable::CommandResult result = Choose(1, ChannelItem(1));
  EXPECT_EQ(table_.PaneChannel(1), kEmptyPane);
  EXPECT_EQ(table_.CurrentSlot(1).image, nullptr);
  EXPECT_EQ(table_.CurrentSlot(1).time, 0);
  EXPECT_EQ(result.channel, kEmptyPane);
  EXPECT_TRUE(result.invalidate);
  EXPECT_EQ(table_.ChannelsOf(result.mode)[0], 0);
}

TEST_F(PaneSlotTableTest, OnePaneChecksDashesWhenShowingAllChannels) {
  table_.SetSelectedPane(0);
  EXPECT_TRUE(table_.ItemState(ChannelItem(0), KnownChannel).checked);
  Choose(0, kPaneMenuAllChannels);
  EXPECT_EQ(table_.PaneChannel(0), kAllChannels);
  EXPECT_TRUE(table_.ItemState(kPaneMenuAllChannels, KnownChannel).checked);
  EXPECT_FALSE(table_.ItemState(ChannelItem(0), KnownChannel).checked);
}

TEST_F(PaneSlotTableTest, DoubleClickOnAPaneReturnsToOnePaneOfItsChannel) {
  struct Case {
    int pane;
    int channel;
  } cases[] = {{1, 1}, {2, kAllChannels}};  // pane 2 is empty: all channels
  for (const Case& c : cases) {
    SplitFourWithTwoChannels();
    const PaneSlotTable::CommandResult result = Choose(c.pane, kPaneMenu1Image);
    EXPECT_EQ(table_.SideCount(), 1);
    EXPECT_EQ(table_.PaneChannel(0), c.channel);
    EXPECT_EQ(result.channel, c.channel);
    EXPECT_EQ(result.mode, 0);
  }
}

TEST_F(PaneSlotTableTest, MainMenuOneImageKeepsTheSinglePanesChannel) {
  Choose(0, ChannelItem(3));
  SplitFourWithTwoChannels();
  table_.SetSelectedPane(kMainMenuRequest);
  const PaneSlotTable::CommandResult result = table_.Apply(kPaneMenu1Image);
  EXPECT_EQ(table_.PaneChannel(0), 3);
  EXPECT_EQ(result.channel, 3);
}

TEST_F(PaneSlotTableTest, EachSplitModeKeepsItsOwnAssignmentUntilReset) {
  SplitFourWithTwoChannels();
  table_.Apply(kPaneMenu9Image);
  EXPECT_EQ(table_.PaneChannel(0), kEmptyPane);
  Choose(8, ChannelItem(5));
  const PaneSlotTable::CommandResult back = table_.Apply(kPaneMenu4Image);
  EXPECT_EQ(back.channel, kAllChannels);
  EXPECT_EQ(back.mode, 1);
  EXPECT_EQ(table_.ChannelsOf(1)[0], 0);
  EXPECT_EQ(table_.ChannelsOf(1)[1], 1);
  EXPECT_EQ(table_.ChannelsOf(2)[8], 5);

  table_.Reset(2);
  EXPECT_EQ(table_.SideCount(), 1);
  EXPECT_EQ(table_.PaneChannel(0), 2);
  for (int mode = 1; mode < PaneSlotTable::kModes; ++mode) {
    for (int pane = 0; pane < PaneSlotTable::kSlots; ++pane) {
      EXPECT_EQ(table_.Slot(mode, pane).channel, kEmptyPane);
      EXPECT_EQ(table_.Slot(mode, pane).status, -1);
    }
  }
}

}  // namespace
}  // namespace selvo
