#pragma once
// What the user typed into Go To: an image number as the panel shows it
// ("120", or "120 / 4000" copied from the panel), or a recorder time as the
// viewer shows it in the chosen date format ("03/07/2026 09:00:02"), with
// any of the three delimiters, seconds optional, or only the time of day
// ("09:00", taken on the day of the image shown).
#include <string>

#include "source/CalendarTime.h"

namespace selvo {

struct GoToInput {
  enum class Kind {
    Number,
    Time,       // time holds the moment
    TimeOfDay,  // fields hold hour, minute and second only
    Invalid,    // neither a number nor a time
    BadTime,    // shaped like a time, but no such moment (02/30, 25:00)
  };
  Kind kind = Kind::Invalid;
  long long number = 0;
  CalendarSeconds time = 0;
  CalendarFields fields;
};

// dateFormat as the viewer's (0 month-day-year, 1 day-month-year, 2
// year-month-day): the order in which the date's parts are read.
GoToInput ParseGoToInput(const std::string& text, int dateFormat);

// A time of day on the date of `day` (calendar seconds); 0 when that date
// has no such moment.
CalendarSeconds TimeOfDayOn(CalendarSeconds day, const CalendarFields& timeOfDay);

}  // namespace selvo
