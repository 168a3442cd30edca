#pragma once
// The motion searches of the open recording, as the document owns them: one
// search at a time, of one camera, and the last result of every camera
// searched. A result is kept by the files of the images it read, so it stays
// true whatever split or camera choice rebuilds the list, and it is drawn on
// the list as it stands: the images of that camera the list holds. Moving
// the sensitivity regroups the kept activity at once, without a new search.
// The areas of the next search are drawn on a pane while Find Motion is
// open, and are kept here with the camera of that pane: the search reads
// that camera's images, whichever image is current. Opening another
// recording forgets every result and every area (Clear).
#include <QObject>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "source/motion/MotionSearch.h"

namespace selvo {

class CSelvoViewerDoc;
class MotionSearchJob;

// A camera's last search.
struct CameraMotion {
  int channel = -1;  // as the list names it; the no-index camera is -1
  std::vector<int> files;  // the file of every image searched, in list order
  MotionSettings settings;  // its sensitivity is the one the events are grouped at
  MotionSearchResult result;  // with the activity of every image reached
  std::vector<MotionEvent> events;  // indices into files
};

// The areas drawn for the next search, in the recorded pixels of one
// camera's pictures.
struct MotionAreaDrawing {
  int camera = -1;
  int pictureWidth = 0;
  int pictureHeight = 0;
  std::vector<MotionRect> areas;
  std::vector<MotionRect> ignores;
};

// An event where the current list holds it.
struct MotionEventInList {
  int first = 0;  // list indices
  int last = 0;
  int peakImage = 0;
  double peak = 0;  // share of the area, 0..1
  int images = 0;  // images of the camera it spans
};

class MotionSearches : public QObject {
  Q_OBJECT

 public:
  explicit MotionSearches(CSelvoViewerDoc& doc, QObject* parent = nullptr);
  ~MotionSearches() override;

  // The camera of the current image.
  int CurrentCamera() const;
  // Searches camera's images of the list, after any search under way is
  // stopped. false, with why in English, when there is nothing to search.
  bool Start(int camera, const MotionSettings& settings, std::string& why);
  // Start with the drawn areas, on the camera they were drawn for.
  bool StartDrawn(int sensitivity, std::string& why);

  // ---- the areas, drawn on a pane while Find Motion is open
  // Find Motion opened or closed: whether a drag on a pane draws an area.
  void SetDrawing(bool drawing);
  bool IsDrawing() const { return drawing_; }
  // An area (or one to ignore) drawn on a picture of camera of this size.
  // Areas drawn for another camera or another picture size are forgotten
  // first: they were drawn on another picture. The camera becomes the focus.
  void AddArea(int camera, int pictureWidth, int pictureHeight, const MotionRect& area, bool ignore);
  // The area at index of the areas followed by the ignores.
  void RemoveArea(int index);
  void ClearAreas();
  const MotionAreaDrawing& Drawing() const { return areas_; }
  // Stops the search; what it found up to there is kept.
  void Stop();
  void Clear();
  bool IsRunning() const { return job_ != nullptr; }
  int RunningCamera() const { return runningCamera_; }
  // Changes with every changed(): what was drawn from the results is stale.
  int Generation() const { return generation_; }

  // The camera whose result the strip, the list and Next / Previous Event
  // show: the one last searched or chosen, while the list holds its images,
  // else the current image's. It stays put while a split plays through its
  // cameras' images.
  int FocusCamera() const;
  void FocusOnCurrentCamera();
  // A pane picked in a split: its camera's result is shown.
  void FocusOn(int camera);

  // The focus camera's last search; null when it has none.
  const CameraMotion* Current() const;
  // Regroups the focus camera's kept activity; false when it has none.
  bool SetSensitivity(int sensitivity);

  // The focus camera's events on the list as it stands, in list order.
  std::vector<MotionEventInList> EventsInList() const;
  // The activity of every image of the list: the current camera's searched
  // images carry theirs, the rest kSkippedActivity. Empty without a result.
  std::vector<MotionActivity> ActivityInList() const;
  // Shows the first image of the next / previous event after / before the
  // current image; false (nothing moves) when there is none.
  bool GoToNextEvent();
  bool GoToPreviousEvent();

 signals:
  void progress(int done, int total);
  // A search started, ended or was stopped, a result was regrouped or forgotten.
  void changed();
  // An area was drawn or removed, or drawing began or ended.
  void areasChanged();

 private:
  void OnFinished(const MotionSearchResult& result);
  void Changed();
  int ListIndexOf(const CameraMotion& motion, int searchIndex) const;
  bool ListHoldsCamera(int camera) const;

  CSelvoViewerDoc& doc_;
  std::unique_ptr<MotionSearchJob> job_;
  int runningCamera_ = -1;
  int generation_ = 0;
  int focus_ = -2;  // none chosen
  CameraMotion running_;  // what the job searches, until it finishes
  std::map<int, CameraMotion> cameras_;
  bool drawing_ = false;
  MotionAreaDrawing areas_;
};

}  // namespace selvo
