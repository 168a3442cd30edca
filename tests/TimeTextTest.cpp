#include <gtest/gtest.h>

#include "source/text/TimeText.h"

namespace selvo {
namespace {

CalendarSeconds March7th2004() { return MakeLocalTime(CalendarFields{2004, 3, 7, 9, 5, 1}); }

TEST(FormatImageTime, FollowsDateOrderAndDelimiter) {
  struct Case {
    int format;
    int delimiter;
    const char* expected;
  } cases[] = {
      {0, 0, "03/07/2004 09:05:01"}, {1, 1, "07-03-2004 09:05:01"}, {2, 1, "2004-03-07 09:05:01"},
      {2, 2, "2004.03.07 09:05:01"}, {0, 7, "03/07/2004 09:05:01"},  // unknown delimiter falls back to "/"
      {3, 0, ""},                                                       // unknown order gives no text
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatImageTime(March7th2004(), c.format, c.delimiter), c.expected)
        << "format " << c.format << " delimiter " << c.delimiter;
  }
}

TEST(FormatImageTime, UsesTheFixedZoneNotTheHostsOne) {
  // 2000-01-01 00:00:00 JST is 1999-12-31 15:00:00 UTC.
  EXPECT_EQ(FormatImageTime(946652400, 2, 1), "2000-01-01 00:00:00");
  EXPECT_EQ(FormatIsoTime(RecorderEpoch() + 86400), "2000-01-02 00:00:00");
}

TEST(ChannelLabel, DashesForNoChannelAndTwoPlacesOtherwise) {
  EXPECT_EQ(ChannelLabel(-1), "--");
  EXPECT_EQ(ChannelLabel(0), " 1");
  EXPECT_EQ(ChannelLabel(15), "16");
}

}  // namespace
}  // namespace selvo
