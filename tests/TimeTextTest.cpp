#include <gtest/gtest.h>

#include "source/text/GoToInput.h"
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

// Go To reads back what the viewer shows, in every date order and with any
// delimiter, and tells a time that cannot be from input that is no time.
TEST(ParseGoToInput, NumbersTimesAndWhatIsNeither) {
  using Kind = GoToInput::Kind;
  const CalendarSeconds moment = March7th2004();
  const CalendarSeconds noSeconds = moment - 1;
  struct Case {
    const char* typed;
    int dateFormat;
    Kind kind;
    long long number;
    CalendarSeconds time;
  } cases[] = {
      {"120", 0, Kind::Number, 120, 0},
      {" 120 / 4000 ", 0, Kind::Number, 120, 0},  // as the panel shows it
      {"0", 0, Kind::Number, 0, 0},               // the caller says there is no image 0
      {"03/07/2004 09:05:01", 0, Kind::Time, 0, moment},
      {"07-03-2004 09:05:01", 1, Kind::Time, 0, moment},
      {"2004.03.07 09:05:01", 2, Kind::Time, 0, moment},
      {"3/7/2004 9:05", 0, Kind::Time, 0, noSeconds},
      {"03/07/2004  09:05:01", 1, Kind::Time, 0, MakeLocalTime(CalendarFields{2004, 7, 3, 9, 5, 1})},
      {"09:05:01", 0, Kind::TimeOfDay, 0, 0},
      {"02/30/2004 09:05:01", 0, Kind::BadTime, 0, 0},
      {"13/07/2004 09:05:01", 0, Kind::BadTime, 0, 0},
      {"03/07/2004 24:00:00", 0, Kind::BadTime, 0, 0},
      {"25:00", 0, Kind::BadTime, 0, 0},
      {"03/07-2004 09:05:01", 0, Kind::Invalid, 0, 0},  // one delimiter per date
      {"03/07/2004", 0, Kind::Invalid, 0, 0},
      {"-5", 0, Kind::Invalid, 0, 0},
      {"1e3", 0, Kind::Invalid, 0, 0},
      {"12345678901", 0, Kind::Number, 12345678901, 0},
      {"1234567890123456789012", 0, Kind::Invalid, 0, 0},
      {"", 0, Kind::Invalid, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const GoToInput input = ParseGoToInput(c.typed, c.dateFormat);
    EXPECT_EQ(input.kind, c.kind);
    if (c.kind == Kind::Number) {
      EXPECT_EQ(input.number, c.number);
    }
    if (c.kind == Kind::Time) {
      EXPECT_EQ(input.time, c.time);
    }
  }
  const GoToInput ofDay = ParseGoToInput("09:05:01", 0);
  EXPECT_EQ(TimeOfDayOn(MakeLocalTime(CalendarFields{2004, 3, 7, 23, 59, 59}), ofDay.fields), moment);
}

}  // namespace
}  // namespace selvo
