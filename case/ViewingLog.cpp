#include "case/ViewingLog.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "source/Sha256.h"

namespace selvo {

const char kFirstPrevious[] = "0000000000000000000000000000000000000000000000000000000000000000";

const char* LogKindText(LogKind kind) {
  switch (kind) {
    case LogKind::kRecordingOpened: return "recording-opened";
    case LogKind::kVerification: return "verification";
    case LogKind::kBookmarkAdded: return "bookmark-added";
    case LogKind::kBookmarkEdited: return "bookmark-edited";
    case LogKind::kBookmarkRemoved: return "bookmark-removed";
    case LogKind::kStillSaved: return "still-saved";
    case LogKind::kPagePrinted: return "page-printed";
    case LogKind::kReportWritten: return "report-written";
    case LogKind::kVideoExported: return "video-exported";
  }
  return "unknown";
}

std::string EntryHash(const LogEntry& entry) {
  Sha256 hash;
  const auto field = [&hash](const std::string& text) {
    const std::string length = std::to_string(text.size()) + ":";
    hash.Add(length.data(), length.size());
    hash.Add(text.data(), text.size());
    hash.Add(",", 1);
  };
  field(std::to_string(entry.sequence));
  field(entry.time);
  field(entry.user);
  field(entry.host);
  field(entry.program);
  field(entry.kind);
  field(entry.recording);
  field(entry.details);
  field(entry.previous);
  return HexDigest(hash.Finish());
}

std::string DetailsJson(const LogDetails& details) {
  QJsonObject object;
  for (const auto& [key, value] : details) {
    object.insert(QString::fromStdString(key), QString::fromStdString(value));
  }
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

ChainBreak CheckChain(const std::vector<LogEntry>& entries, std::int64_t headCount, const std::string& headSha256) {
  std::string previous = kFirstPrevious;
  std::int64_t expected = 1;
  for (const LogEntry& entry : entries) {
    if (entry.sequence != expected) {
      return {expected, "entry " + std::to_string(expected) + " is missing (the next is " +
                            std::to_string(entry.sequence) + ")"};
    }
    if (entry.previous != previous) {
      return {entry.sequence, "its previous-entry hash does not match entry " + std::to_string(expected - 1) +
                                  ": an entry before it was changed or removed"};
    }
    if (EntryHash(entry) != entry.sha256) return {entry.sequence, "its content does not match its hash: it was changed"};
    previous = entry.sha256;
    ++expected;
  }
  const auto count = static_cast<std::int64_t>(entries.size());
  if (headCount != count) {
    return {count + 1, "the log should hold " + std::to_string(headCount) + " entries but holds " +
                           std::to_string(count) + ": entries at its end were removed or added around it"};
  }
  if (count > 0 && headSha256 != previous) {
    return {count, "the last entry's hash does not match the one kept beside the log"};
  }
  return {};
}

}  // namespace selvo
