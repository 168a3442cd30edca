#include "tools/selvo-case/CaseListing.h"

#include <QJsonDocument>

#include "source/text/TimeText.h"
#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

namespace {

std::string RecorderTime(const Bookmark& bookmark) {
  return bookmark.place.recordTime != 0 ? FormatIsoTime(bookmark.place.recordTime) : std::string();
}

// The details as the JSON object they are; a details text that is not one
// (changed by hand) is written as a string, so the line stays valid JSON.
std::string JsonDetails(const std::string& details) {
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(details));
  if (document.isObject()) return document.toJson(QJsonDocument::Compact).toStdString();
  return JsonString(details);
}

std::string JoinedCsv(std::initializer_list<std::string> fields) {
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += ',';
    line += CsvField(field);
  }
  return line + "\n";
}

}  // namespace

std::string BookmarkHeader(ListingFormat format) {
  if (format != ListingFormat::kCsv) return {};
  return "id,camera,number,file,time,stamp,note,author,created,edited,differs,recording,folder\n";
}

std::string BookmarkLine(const Bookmark& b, ListingFormat format) {
  const std::string time = RecorderTime(b);
  switch (format) {
    case ListingFormat::kCsv:
      return JoinedCsv({std::to_string(b.id), std::to_string(b.place.camera), std::to_string(b.place.number),
                        b.place.file, time, std::to_string(b.place.stampMs), b.note, b.author, b.created, b.edited,
                        b.differs ? "true" : "false", b.recording, b.folder});
    case ListingFormat::kJson:
      return "{\"id\": " + std::to_string(b.id) + ", \"camera\": " + std::to_string(b.place.camera) +
             ", \"number\": " + std::to_string(b.place.number) + ", \"file\": " + JsonString(b.place.file) +
             ", \"time\": " + (time.empty() ? std::string("null") : JsonString(time)) +
             ", \"stamp\": " + std::to_string(b.place.stampMs) + ", \"note\": " + JsonString(b.note) +
             ", \"author\": " + JsonString(b.author) + ", \"created\": " + JsonString(b.created) +
             ", \"edited\": " + (b.edited.empty() ? std::string("null") : JsonString(b.edited)) +
             ", \"differs\": " + (b.differs ? "true" : "false") + ", \"recording\": " + JsonString(b.recording) +
             ", \"folder\": " + JsonString(b.folder) + "}\n";
    case ListingFormat::kText:
      break;
  }
  std::string line = "#" + std::to_string(b.id) + "  camera " + std::to_string(b.place.camera) + "  image " +
                     std::to_string(b.place.number) + "  " + (time.empty() ? "(no time)" : time) + "  stamp " +
                     std::to_string(b.place.stampMs) + " ms  " + TerminalSafe(b.place.file);
  if (b.differs) line += "  [RECORDING DIFFERS]";
  line += "\n    by " + TerminalSafe(b.author) + " at " + b.created;
  if (!b.edited.empty()) line += ", note edited " + b.edited;
  return line + ": " + TerminalSafe(b.note) + "\n";
}

std::string LogHeader(ListingFormat format) {
  if (format != ListingFormat::kCsv) return {};
  return "sequence,time,user,host,program,kind,recording,details,previous,sha256\n";
}

std::string LogLine(const LogEntry& e, ListingFormat format) {
  switch (format) {
    case ListingFormat::kCsv:
      return JoinedCsv({std::to_string(e.sequence), e.time, e.user, e.host, e.program, e.kind, e.recording, e.details,
                        e.previous, e.sha256});
    case ListingFormat::kJson:
      return "{\"sequence\": " + std::to_string(e.sequence) + ", \"time\": " + JsonString(e.time) +
             ", \"user\": " + JsonString(e.user) + ", \"host\": " + JsonString(e.host) +
             ", \"program\": " + JsonString(e.program) + ", \"kind\": " + JsonString(e.kind) +
             ", \"recording\": " + (e.recording.empty() ? std::string("null") : JsonString(e.recording)) +
             ", \"details\": " + JsonDetails(e.details) + ", \"previous\": " + JsonString(e.previous) +
             ", \"sha256\": " + JsonString(e.sha256) + "}\n";
    case ListingFormat::kText:
      break;
  }
  return std::to_string(e.sequence) + "  " + TerminalSafe(e.time) + "  " + TerminalSafe(e.user) + "@" +
         TerminalSafe(e.host) + "  " + TerminalSafe(e.program) + "  " + TerminalSafe(e.kind) + "  " +
         TerminalSafe(e.details) + "\n";
}

}  // namespace selvo
