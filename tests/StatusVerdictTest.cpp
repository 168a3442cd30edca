// What each status means, for the viewer's boxes and time text, the panel's
// dashes and selvo-check's words alike.
#include <gtest/gtest.h>

#include "source/ImageInfo.h"
#include "source/StatusVerdict.h"

namespace selvo {
namespace {

TEST(StatusVerdict, EachStatusHasOneMeaningForBoxesTimeAndWords) {
  struct Case {
    const char* name;
    int status;
    bool imageBox;
    bool timeBox;
    bool validTime;
    const char* text;
  };
  const Case cases[] = {
      {"unaltered", 0, false, false, true, "ok"},
      {"image altered", kImageAltered, true, false, true, "IMAGE ALTERED"},
      {"time altered", kTimeAltered, false, true, true, "TIME ALTERED"},
      {"both altered", kImageAltered | kTimeAltered, true, true, true, "IMAGE ALTERED, TIME ALTERED"},
      // No time to alter: no box, no time text, and no claim of alteration.
      {"no valid time", kNoValidTime, false, false, false, "no valid time"},
      {"time check over no valid time", kTimeAltered | kNoValidTime, false, false, false, "no valid time"},
      {"image altered without valid time", kImageAltered | kNoValidTime, true, true, false,
       "IMAGE ALTERED, TIME ALTERED, no valid time"},
      {"no trailer", kNoTrailer, true, true, false, "no recorder trailer"},
      // Read but recognised by no parser: as little vouched for as no trailer.
      {"unrecognised", -1, true, true, false, "not a recorder image"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StatusVerdict verdict = VerdictForStatus(c.status);
    EXPECT_EQ(verdict.ShowsImageAlteredBox(), c.imageBox);
    EXPECT_EQ(verdict.ShowsTimeAlteredBox(), c.timeBox);
    EXPECT_EQ(verdict.HasValidTime(), c.validTime);
    EXPECT_EQ(verdict.Text(), c.text);
    EXPECT_EQ(verdict.IsUnaltered(), c.status == 0);
  }
}

}  // namespace
}  // namespace selvo
