#include "tools/selvo-check/CheckJson.h"

#include "source/Sha256.h"
#include "source/text/TimeText.h"
#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

namespace {

// A camera is the channel + 1; an image outside any camera has null.
std::string JsonCamera(int channel) { return channel >= 0 ? std::to_string(channel + 1) : "null"; }

std::string JsonOptionalString(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

}  // namespace

std::string JsonImageLine(const CheckedImage& image, const std::string& verdict, bool withHash) {
  std::string line = "{\"number\": " + std::to_string(image.number);
  line += ", \"camera\": " + JsonCamera(image.channel);
  line += ", \"title\": " + JsonOptionalString(image.title);
  line += ", \"status\": " + std::to_string(image.status);
  line += ", \"verdict\": " + JsonString(verdict);
  line += ", \"time\": " + (image.time != 0 ? JsonString(FormatIsoTime(image.time)) : std::string("null"));
  line += ", \"stamp\": " + (image.stampKnown ? std::to_string(image.stamp) : std::string("null"));
  if (image.cameraNumber > 0) line += ", \"camera_number\": " + std::to_string(image.cameraNumber);
  line += ", \"decoded\": ";
  line += image.decoded < 0 ? "null" : image.decoded ? "true" : "false";
  // Why an undecodable image could not be decoded, as the codec library said.
  line += ", \"reason\": " + JsonOptionalString(image.decoded == 0 ? image.decodeFailure : std::string());
  line += ", \"path\": " + JsonString(image.path);
  if (withHash) line += ", \"sha256\": " + (image.hashed ? JsonString(HexDigest(image.sha256)) : std::string("null"));
  return line + "}";
}

std::string JsonAnomalyLine(const TimelineAnomaly& anomaly) {
  return "{\"anomaly\": " + JsonString(TimelineAnomalyName(anomaly.kind)) + ", \"camera\": " +
         JsonCamera(anomaly.channel) + ", \"from\": " + std::to_string(anomaly.from) +
         ", \"to\": " + std::to_string(anomaly.to) + ", \"detail\": " + JsonString(anomaly.detail) + "}";
}

std::string JsonSummaryLine(const CheckCounts& counts) {
  const std::pair<const char*, long> fields[] = {
      {"images", counts.images},
      {"ok", counts.ok},
      {"image_altered", counts.imageAltered},
      {"time_altered", counts.timeAltered},
      {"no_valid_time", counts.noValidTime},
      {"no_trailer", counts.noTrailer},
      {"not_recorder", counts.notRecorder},
      {"undecodable", counts.undecodable},
      {"anomalies", counts.anomalies},
      // What could not be read is never ok, and is told apart from what was read and judged.
      {"unreadable", counts.unreadable},
      {"unreadable_folders", counts.unreadableFolders},
  };
  std::string line = "{\"summary\": {";
  for (const auto& field : fields) {
    if (line.back() != '{') line += ", ";
    line += std::string("\"") + field.first + "\": " + std::to_string(field.second);
  }
  line += std::string(", \"index_cut_short\": ") + (counts.indexCutShort ? "true" : "false");
  return line + "}}";
}

}  // namespace selvo
