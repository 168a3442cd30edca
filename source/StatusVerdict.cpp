#include "source/StatusVerdict.h"

#include "source/ImageInfo.h"

namespace selvo {

StatusVerdict VerdictForStatus(int status) {
  StatusVerdict verdict;
  // -1 has every bit set, and that is what it must show: an image the check
  // could not recognise is vouched for no more than one without a trailer,
  // so it carries both marks and no time, yet it is named for what it is.
  if (status < 0) {
    verdict.unrecognised = true;
    verdict.imageAltered = true;
    verdict.noValidTime = true;
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
  if (unrecognised) return "not a recorder image";
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
