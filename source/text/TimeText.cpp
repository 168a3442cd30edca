#include "source/text/TimeText.h"

#include <cstdio>

namespace selvo {

namespace {

char DelimiterChar(int dateDelimiter) {
  switch (dateDelimiter) {
    case 1: return '-';
    case 2: return '.';
    default: return '/';
  }
}

}  // namespace

std::string FormatImageTime(CalendarSeconds time, int dateFormat, int dateDelimiter) {
  if (dateFormat < 0 || dateFormat > 2) return {};
  CalendarFields f;
  if (!BreakDownLocalTime(time, f)) return {};
  const char sep = DelimiterChar(dateDelimiter);
  char text[64];
  switch (dateFormat) {
    case 0:
      std::snprintf(text, sizeof text, "%02d%c%02d%c%d %02d:%02d:%02d", f.month, sep, f.day, sep, f.year, f.hour,
                    f.minute, f.second);
      break;
    case 1:
      std::snprintf(text, sizeof text, "%02d%c%02d%c%d %02d:%02d:%02d", f.day, sep, f.month, sep, f.year, f.hour,
                    f.minute, f.second);
      break;
    default:
      std::snprintf(text, sizeof text, "%d%c%02d%c%02d %02d:%02d:%02d", f.year, sep, f.month, sep, f.day, f.hour,
                    f.minute, f.second);
      break;
  }
  return text;
}

std::string ChannelLabel(int channel) {
  if (channel < 0) return "--";
  char text[16];
  std::snprintf(text, sizeof text, "%2d", channel + 1);
  return text;
}

std::string FormatIsoTime(CalendarSeconds time) {
  CalendarFields f;
  if (!BreakDownLocalTime(time, f)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                f.second);
  return text;
}

}  // namespace selvo
