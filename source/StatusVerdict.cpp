#include "source/StatusVerdict.h"

#include "source/ImageInfo.h"

namespace selvo {

StatusVerdict VerdictForStatus(int status) {
  StatusVerdict verdict;
  // -1 has every bit set; it must not read as every flag.
  if (status < 0) {
    verdict.notExamined = true;
    return verdict;
  }
  verdict.noTrailer = status == kNoTrailer;
  verdict.imageAltered = (status & kImageAltered) != 0;
  verdict.noValidTime = (status & kNoValidTime) != 0;
  // A time check over a time the trailer does not hold proves nothing.
  verdict.timeAltered = (status & kTimeAltered) != 0 && !verdict.noValidTime;
  return verdict;
}

std::string StatusVerdict::Text() const {
  // Seen by someone who has examined the file: an unrecognised image.
  if (notExamined) return "not a recorder image";
  if (noTrailer) return "no recorder trailer";
  std::string text;
  const auto add = [&text](const char* part) {
    if (!text.empty()) text += ", ";
    text += part;
  };
  if (ShowsImageAlteredBox()) add("IMAGE ALTERED");
  if (ShowsTimeAlteredBox()) add("TIME ALTERED");
  if (noValidTime) add("no valid time");
  return text.empty() ? "ok" : text;
}

}  // namespace selvo
