#pragma once
// How selvo-case writes bookmarks and log entries: for a terminal, as CSV
// and as JSON Lines. Notes, names and paths come from users and exports and
// may hold anything; they pass through selvo-check's escapes.
#include <string>

#include "case/Bookmark.h"
#include "case/ViewingLog.h"

namespace selvo {

enum class ListingFormat { kText, kCsv, kJson };

// The header line a CSV listing starts with; empty for the other formats.
std::string BookmarkHeader(ListingFormat format);
std::string BookmarkLine(const Bookmark& bookmark, ListingFormat format);
std::string LogHeader(ListingFormat format);
std::string LogLine(const LogEntry& entry, ListingFormat format);

}  // namespace selvo
