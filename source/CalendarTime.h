#pragma once
// Recording times are calendar seconds (0 = no time). The recorder counts
// seconds from 2000-01-01 00:00:00 local time; every break-down into calendar
// fields happens in the process time zone, which start-up fixes to JST-9 so
// that the same recording reads the same everywhere.
#include <cstdint>

namespace selvo {

using CalendarSeconds = std::int64_t;

// Recorder seconds at or above this (30 x 365 days) are not a valid time.
constexpr std::uint32_t kRecorderTimeLimit = 946080000u;

struct CalendarFields {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Puts TZ=JST-9 into the environment and re-reads it.
void FixProcessTimeZone();

// 2000-01-01 00:00:00 in the process time zone, as calendar seconds.
CalendarSeconds RecorderEpoch();

// The recorder's seconds as calendar seconds (no range check; callers test
// against kRecorderTimeLimit first).
CalendarSeconds CalendarFromRecorderSeconds(std::uint32_t seconds);

// Local calendar fields of a time; false when the C library cannot convert it.
bool BreakDownLocalTime(CalendarSeconds time, CalendarFields& fields);

// The inverse, for writers and tests: local fields to calendar seconds.
CalendarSeconds MakeLocalTime(const CalendarFields& fields);

}  // namespace selvo
