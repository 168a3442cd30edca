#pragma once
// How selvo-check writes file names and camera titles, which come from the
// export and may hold anything: for a terminal, for CSV and for JSON.
#include <string>

namespace selvo {

// text for a terminal: control characters, bytes that are not UTF-8 and the
// backslash itself are written as escapes (\n, \x1b, \\), so a file name
// cannot move the cursor, recolour, or forge lines of the report.
// keepLineBreaks leaves '\n' alone, for the tool's own multi-line texts.
std::string TerminalSafe(const std::string& text, bool keepLineBreaks = false);

// CSV quoting: fields with commas, quotes or line breaks are quoted and their
// quotes doubled.
std::string CsvField(const std::string& text);

// A JSON string literal, quotes included. Control characters (C0, DEL and
// C1) and the line separators are \u escapes, so a line of JSON Lines stays
// one line and harmless on a terminal. A byte that is not part of a
// well-formed UTF-8 sequence becomes U+FFFD: every parser must accept the
// line, and the manifest and CSV keep the name's exact bytes.
std::string JsonString(const std::string& text);

}  // namespace selvo
