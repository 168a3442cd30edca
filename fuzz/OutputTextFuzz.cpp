// The writers of what an investigator keeps: a manifest line, a JSON Lines
// record, a CSV field and the escapes of text shown on a terminal or in a
// report, fed hostile file names, camera titles and details. Each must keep
// its promise, not merely survive: one line per record, the name recoverable
// from the manifest and the CSV byte for byte, JSON that parses, and no
// control character reaching a terminal.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/InputParts.h"
#include "tools/selvo-check/CheckJson.h"
#include "tools/selvo-check/ManifestWriter.h"
#include "tools/selvo-check/TextEscapes.h"

namespace {

void Require(bool promise) {
  if (!promise) std::abort();
}

bool IsValidUtf8(const std::string& text) {
  const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
  return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// sha256sum's rule read back: a marked line's name has \\, \n and \r escaped.
void CheckManifestLine(const std::string& name) {
  const std::string line = selvo::ManifestWriter::Line(selvo::Sha256Digest{}, name);
  Require(!line.empty() && line.back() == '\n' && line.find('\n') == line.size() - 1);
  Require(line.find('\r') == std::string::npos);
  const bool marked = line[0] == '\\';
  const std::size_t start = (marked ? 1 : 0) + 64 + 2;
  Require(line.size() > start);
  const std::string written = line.substr(start, line.size() - start - 1);
  std::string read;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (!marked || written[i] != '\\') {
      read += written[i];
      continue;
    }
    Require(i + 1 < written.size());
    const char escaped = written[++i];
    Require(escaped == '\\' || escaped == 'n' || escaped == 'r');
    read += escaped == '\\' ? '\\' : escaped == 'n' ? '\n' : '\r';
  }
  Require(read == name);
}

void CheckCsvField(const std::string& text) {
  const std::string field = selvo::CsvField(text);
  if (field.empty() || field[0] != '"') {
    Require(field == text && text.find_first_of(",\"\r\n") == std::string::npos);
    return;
  }
  Require(field.size() >= 2 && field.back() == '"');
  std::string read;
  for (std::size_t i = 1; i + 1 < field.size(); ++i) {
    if (field[i] == '"') {
      Require(i + 2 < field.size() && field[i + 1] == '"');
      ++i;
    }
    read += field[i];
  }
  Require(read == text);
}

void CheckJsonLine(const std::string& line, const char* field, const std::string& original) {
  Require(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
  for (unsigned char c : line) Require(c >= 0x20 && c != 0x7F);
  Require(IsValidUtf8(line));
  QJsonParseError error{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &error);
  Require(error.error == QJsonParseError::NoError && document.isObject());
  // A name that was UTF-8 comes back exactly; any other had its stray
  // bytes replaced, never dropped or passed through.
  if (IsValidUtf8(original)) {
    const QByteArray read = document.object().value(QLatin1String(field)).toString().toUtf8();
    Require(read == QByteArray(original.data(), static_cast<qsizetype>(original.size())));
  }
}

void CheckTerminalText(const std::string& text) {
  for (const bool keepLineBreaks : {false, true}) {
    const std::string safe = selvo::TerminalSafe(text, keepLineBreaks);
    for (unsigned char c : safe) Require((c >= 0x20 && c != 0x7F) || (keepLineBreaks && c == '\n'));
    Require(IsValidUtf8(safe));
  }
}

}  // namespace

// Three parts: a file name, a camera title, an anomaly's detail.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = selvo::fuzz::SplitInput(data, size, 3);
  std::string texts[3];
  for (std::size_t i = 0; i < parts.size() && i < 3; ++i) {
    texts[i].assign(reinterpret_cast<const char*>(parts[i].bytes), parts[i].length);
  }
  const std::string& path = texts[0];
  CheckManifestLine(path);
  CheckCsvField(path);
  CheckCsvField(texts[1]);
  CheckTerminalText(path);
  CheckTerminalText(texts[2]);

  selvo::CheckedImage image;
  image.path = path;
  image.title = texts[1];
  image.hashed = true;
  CheckJsonLine(selvo::JsonImageLine(image, texts[2], true), "path", path);
  CheckJsonLine(selvo::JsonImageLine(image, "ok", false), "title", texts[1]);
  selvo::TimelineAnomaly anomaly{};
  anomaly.detail = texts[2];
  CheckJsonLine(selvo::JsonAnomalyLine(anomaly), "detail", texts[2]);
  return 0;
}
