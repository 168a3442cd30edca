#include "source/text/GoToInput.h"

#include <QRegularExpression>
#include <QString>

namespace selvo {

namespace {

// A moment only counts when the C library reads it back as typed: that
// refuses 02/30 and 24:00 instead of rolling them into the next day.
CalendarSeconds ExactMoment(const CalendarFields& fields) {
  if (fields.month < 1 || fields.month > 12 || fields.day < 1 || fields.day > 31 || fields.hour > 23 ||
      fields.minute > 59 || fields.second > 59 || fields.year < 1970 || fields.year > 9999)
    return 0;
  const CalendarSeconds time = MakeLocalTime(fields);
  CalendarFields back;
  if (!BreakDownLocalTime(time, back)) return 0;
  const bool same = back.year == fields.year && back.month == fields.month && back.day == fields.day &&
                    back.hour == fields.hour && back.minute == fields.minute && back.second == fields.second;
  return same ? time : 0;
}

int Part(const QRegularExpressionMatch& match, int group) {
  const QString text = match.captured(group);
  return text.isEmpty() ? 0 : text.toInt();
}

}  // namespace

GoToInput ParseGoToInput(const std::string& typed, int dateFormat) {
  GoToInput input;
  const QString text = QString::fromStdString(typed).trimmed();
  static const QRegularExpression number(QStringLiteral(R"(^(\d{1,18})(?:\s*/\s*\d+)?$)"));
  static const QRegularExpression timeOfDay(QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2}))?$)"));
  static const QRegularExpression moment(
      QStringLiteral(R"(^(\d{1,4})([/.-])(\d{1,2})\2(\d{1,4})\s+(\d{1,2}):(\d{2})(?::(\d{2}))?$)"));
  if (const QRegularExpressionMatch match = number.match(text); match.hasMatch()) {
    input.kind = GoToInput::Kind::Number;
    input.number = match.captured(1).toLongLong();
    return input;
  }
  if (const QRegularExpressionMatch match = timeOfDay.match(text); match.hasMatch()) {
    input.fields.hour = Part(match, 1);
    input.fields.minute = Part(match, 2);
    input.fields.second = Part(match, 3);
    const bool valid = input.fields.hour <= 23 && input.fields.minute <= 59 && input.fields.second <= 59;
    input.kind = valid ? GoToInput::Kind::TimeOfDay : GoToInput::Kind::BadTime;
    return input;
  }
  const QRegularExpressionMatch match = moment.match(text);
  if (!match.hasMatch()) return input;
  const int first = Part(match, 1);
  const int second = Part(match, 3);
  const int third = Part(match, 4);
  CalendarFields& f = input.fields;
  switch (dateFormat) {
    case 1: f.day = first, f.month = second, f.year = third; break;
    case 2: f.year = first, f.month = second, f.day = third; break;
    default: f.month = first, f.day = second, f.year = third; break;
  }
  f.hour = Part(match, 5);
  f.minute = Part(match, 6);
  f.second = Part(match, 7);
  input.time = ExactMoment(f);
  input.kind = input.time != 0 ? GoToInput::Kind::Time : GoToInput::Kind::BadTime;
  return input;
}

CalendarSeconds TimeOfDayOn(CalendarSeconds day, const CalendarFields& timeOfDay) {
  CalendarFields fields;
  if (!BreakDownLocalTime(day, fields)) return 0;
  fields.hour = timeOfDay.hour;
  fields.minute = timeOfDay.minute;
  fields.second = timeOfDay.second;
  return ExactMoment(fields);
}

}  // namespace selvo
