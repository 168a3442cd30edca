#pragma once
// Motion search over one camera's images: every image decoded small on
// every core, judged in list order by one MotionModel, and grouped into
// events as it goes. Built to run on a worker thread of its own (the
// viewer's) or on a tool's main thread: progress, events and skipped images
// are reported through an observer on the thread that called Run, and a
// cancel flag stops it between two images. Memory stays flat however long
// the recording: a bounded batch of small pictures, plus, when kept, two
// bytes of activity an image.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "source/motion/MotionEventGrouper.h"
#include "source/motion/MotionRect.h"

namespace selvo {

// The images to search, in list order. PathAt is called on the thread that
// runs the search only, one image after another, never by the decoding
// threads: a list that is not safe to share can answer it from a copy.
class MotionImageList {
 public:
  virtual ~MotionImageList() = default;
  virtual int Count() const = 0;
  virtual std::string PathAt(int index) const = 0;
};

// A list of paths held by value: the viewer hands its worker a copy.
class MotionPathList : public MotionImageList {
 public:
  explicit MotionPathList(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  int Count() const override { return static_cast<int>(paths_.size()); }
  std::string PathAt(int index) const override { return paths_[static_cast<std::size_t>(index)]; }

 private:
  std::vector<std::string> paths_;
};

// An image that was not searched.
struct MotionSkip {
  int index = 0;  // in the list
  std::string path;
  std::string reason;  // in words: "undecodable", "Permission denied", ...
};

class MotionSearchObserver {
 public:
  virtual ~MotionSearchObserver() = default;
  // After each batch: images judged or skipped so far, of the total asked.
  virtual void OnProgress(int /*done*/, int /*total*/) {}
  // An event, as soon as the images after it show that it has ended.
  virtual void OnEvent(const MotionEvent& /*event*/) {}
  virtual void OnSkipped(const MotionSkip& /*skip*/) {}
};

struct MotionSearchResult {
  int searched = 0;  // images judged
  int skipped = 0;  // images that could not be read or decoded
  bool cancelled = false;
  int scale = 1;  // the pictures were decoded at 1/scale
  int pictureWidth = 0;  // the size of the first picture judged; 0 when none was
  int pictureHeight = 0;
  int sceneChanges = 0;  // images at which most of the picture changed at once
  // Set when the first picture judged does not hold every area: the areas
  // were drawn for another picture and nothing was searched.
  std::string areaProblem;
  std::vector<MotionEvent> events;
  // With KeepActivity: one value an image from first to the last image
  // reached; GroupMotionEvents(activity, sensitivity, first) regroups it.
  int first = 0;
  std::vector<MotionActivity> activity;
};

class MotionSearch {
 public:
  // threads 0: every core (at most eight; more only queue on one disk).
  explicit MotionSearch(MotionSettings settings, int threads = 0);
  ~MotionSearch();
  MotionSearch(const MotionSearch&) = delete;
  MotionSearch& operator=(const MotionSearch&) = delete;

  // Keep every image's activity in the result, for the viewer's activity
  // strip and for regrouping at another sensitivity without a new search.
  void KeepActivity(bool keep) { keepActivity_ = keep; }

  // Searches images first..last (list indices, inclusive). observer and
  // cancel may be null. A cancelled search returns what it found up to the
  // image it stopped at, an event open there included.
  MotionSearchResult Run(const MotionImageList& images, int first, int last, MotionSearchObserver* observer,
                         const std::atomic<bool>* cancel = nullptr);

 private:
  class Workers;

  MotionSettings settings_;
  bool keepActivity_ = false;
  std::unique_ptr<Workers> workers_;
};

// Why an area cannot be searched on a picture of this size; empty when
// every area lies on it. The tool tells it as a usage error.
std::string MotionAreaProblem(const MotionSettings& settings, int pictureWidth, int pictureHeight);

}  // namespace selvo
