#pragma once
// selvo-check --json: JSON Lines, one complete object per line.
#include <string>

#include "source/TimelineAnomalies.h"
#include "tools/selvo-check/CheckRun.h"

namespace selvo {

// {"number": …, "camera": …, "title": …, "status": …, "verdict": …, "time": …,
//  "stamp": …, "decoded": …, "reason": …, "path": …[, "sha256": …]}; reason is
//  why the image could not be decoded, null when it was or was not tried.
std::string JsonImageLine(const CheckedImage& image, const std::string& verdict, bool withHash);
// {"anomaly": "gap", "camera": …, "from": …, "to": …, "detail": …}
std::string JsonAnomalyLine(const TimelineAnomaly& anomaly);
// {"summary": {"images": …, …}}
std::string JsonSummaryLine(const CheckCounts& counts);

}  // namespace selvo
