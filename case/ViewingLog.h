#pragma once
// The viewing log's entries and the chain that binds them: every entry
// carries the SHA-256 of the entry before it and its own, so an entry edited
// or deleted after the fact no longer matches its neighbours. README.md
// ("Viewing log") gives the bytes hashed, so that any program can check.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace selvo {

// What an entry records; its text is what the log's kind column holds.
enum class LogKind {
  kRecordingOpened,  // path and identity of a recording opened
  kVerification,     // the trailer check's outcome
  kBookmarkAdded,
  kBookmarkEdited,
  kBookmarkRemoved,
  kStillSaved,       // outputs: path, SHA-256 and the enhancements in force
  kPagePrinted,
  kReportWritten,
  kVideoExported,
};

const char* LogKindText(LogKind kind);

// An entry's details as key and value texts, written as one JSON object.
using LogDetails = std::vector<std::pair<std::string, std::string>>;

struct LogEntry {
  std::int64_t sequence = 0;  // 1, 2, 3 ... with no gap
  std::string time;           // UTC, "2026-12-11T06:00:53.123Z"
  std::string user;           // the login name
  std::string host;
  std::string program;        // "selvo-viewer 0.1.0"
  std::string kind;           // LogKindText
  std::string recording;      // the recording's quick identity, or empty
  std::string details;        // a JSON object
  std::string previous;       // the previous entry's sha256; 64 zeros for the first
  std::string sha256;         // EntryHash of this entry
};

// The previous of the first entry.
extern const char kFirstPrevious[];

// The SHA-256 (hex) over every field but sha256, each as its decimal length
// in bytes, ':', its bytes and ','.
std::string EntryHash(const LogEntry& entry);

// The JSON object text of details (keys in byte order, values strings).
std::string DetailsJson(const LogDetails& details);

// Where the chain first fails, in entries read in sequence order.
struct ChainBreak {
  std::int64_t sequence = 0;  // 0 when the chain holds
  std::string reason;
};

// head: the count and last sha256 the case file keeps beside the log, so
// that entries cut off the end are found too.
ChainBreak CheckChain(const std::vector<LogEntry>& entries, std::int64_t headCount, const std::string& headSha256);

}  // namespace selvo
