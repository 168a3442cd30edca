#pragma once
// What an image's alteration status means, in one place: the viewer's boxes
// and time text, the control panel's time read-outs and selvo-check's
// verdicts all ask here, so they cannot tell an investigator different things.
#include <string>

namespace selvo {

struct StatusVerdict {
  // Status -1 on an image that has been read: no parser recognised it, so
  // nothing vouches for its picture or its time (a frame substituted from
  // another encoder looks like this).
  bool unrecognised = false;
  bool noTrailer = false;     // status 7: no recorder data at all
  bool imageAltered = false;  // flag 1
  bool timeAltered = false;   // flag 2 with a time the trailer vouches for
  bool noValidTime = false;   // flag 4: the trailer holds no usable time

  // The boxes the viewer draws with the "check" switch.
  bool ShowsImageAlteredBox() const { return imageAltered; }
  bool ShowsTimeAlteredBox() const { return timeAltered || (imageAltered && noValidTime); }
  // A time the image may be shown with; without it panes show no time text
  // and the panel dashes.
  bool HasValidTime() const { return !noValidTime; }
  // Nothing to object to.
  bool IsUnaltered() const {
    return !unrecognised && !noTrailer && !imageAltered && !timeAltered && !noValidTime;
  }

  // "ok", "IMAGE ALTERED", "TIME ALTERED", "no valid time", "no recorder
  // trailer" or "not a recorder image"; several joined by ", ".
  std::string Text() const;
};

StatusVerdict VerdictForStatus(int status);

}  // namespace selvo
