#pragma once
// The time and channel texts that the image view, the panel, the printed
// page, the saved picture and selvo-check share.
#include <string>

#include "source/CalendarTime.h"

namespace selvo {

// dateFormat: 0 month-day-year, 1 day-month-year, 2 year-month-day; any other
// value gives an empty text. dateDelimiter: 0 "/", 1 "-", 2 "."; any other
// value falls back to "/".
std::string FormatImageTime(CalendarSeconds time, int dateFormat, int dateDelimiter);

// "--" for a negative channel, else channel + 1 right-aligned in two places.
std::string ChannelLabel(int channel);

// "YYYY-MM-DD hh:mm:ss" in the fixed zone, for machine-readable reports.
std::string FormatIsoTime(CalendarSeconds time);

}  // namespace selvo
