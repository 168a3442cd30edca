#include "source/CalendarTime.h"

#include <cstdlib>
#include <ctime>

namespace selvo {

void FixProcessTimeZone() {
  setenv("TZ", "JST-9", 1);
  tzset();
}

CalendarSeconds MakeLocalTime(const CalendarFields& fields) {
  std::tm tm{};
  tm.tm_year = fields.year - 1900;
  tm.tm_mon = fields.month - 1;
  tm.tm_mday = fields.day;
  tm.tm_hour = fields.hour;
  tm.tm_min = fields.minute;
  tm.tm_sec = fields.second;
  tm.tm_isdst = -1;  // let the zone decide, as the recorder's host did
  return static_cast<CalendarSeconds>(std::mktime(&tm));
}

CalendarSeconds RecorderEpoch() {
  return MakeLocalTime(CalendarFields{2000, 1, 1, 0, 0, 0});
}

CalendarSeconds CalendarFromRecorderSeconds(std::uint32_t seconds) {
  return RecorderEpoch() + static_cast<CalendarSeconds>(seconds);
}

bool BreakDownLocalTime(CalendarSeconds time, CalendarFields& fields) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return false;
  fields.year = tm.tm_year + 1900;
  fields.month = tm.tm_mon + 1;
  fields.day = tm.tm_mday;
  fields.hour = tm.tm_hour;
  fields.minute = tm.tm_min;
  fields.second = tm.tm_sec;
  return true;
}

}  // namespace selvo
