#include "doc/MotionSearches.h"

#include <algorithm>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearchJob.h"

namespace selvo {

MotionSearches::MotionSearches(CSelvoViewerDoc& doc, QObject* parent) : QObject(parent), doc_(doc) {}

MotionSearches::~MotionSearches() = default;

int MotionSearches::CurrentCamera() const { return doc_.GetChannelAt(doc_.GetPosition()); }

bool MotionSearches::Start(int camera, const MotionSettings& settings, std::string& why) {
  Stop();
  if (!doc_.HasSource() || doc_.GetCurrentFileIndex() < 0) {
    why = "Motion is searched in a recording folder: open one first.";
    return false;
  }
  if (settings.areas.empty()) {
    why = "Draw at least one area to search.";
    return false;
  }
  CameraMotion motion;
  motion.channel = camera;
  motion.settings = settings;
  std::vector<std::string> paths;
  const int count = doc_.GetCount();
  for (int index = 0; index < count; ++index) {
    if (doc_.GetChannelAt(index) != camera) continue;
    const int file = doc_.GetFileIndexAt(index);
    if (file < 0) continue;
    motion.files.push_back(file);
    paths.push_back(doc_.GetFilePath(file));
  }
  if (paths.empty()) {
    why = "The camera has no images to search.";
    return false;
  }
  running_ = std::move(motion);
  runningCamera_ = camera;
  focus_ = camera;
  job_ = std::make_unique<MotionSearchJob>(settings, std::move(paths));
  connect(job_.get(), &WorkerJob::progress, this, &MotionSearches::progress);
  connect(job_.get(), &MotionSearchJob::finished, this, &MotionSearches::OnFinished);
  job_->Start();
  Changed();
  return true;
}

bool MotionSearches::StartDrawn(int sensitivity, std::string& why) {
  MotionSettings settings;
  settings.areas = areas_.areas;
  settings.ignores = areas_.ignores;
  settings.sensitivity = sensitivity;
  return Start(areas_.camera, settings, why);
}

void MotionSearches::SetDrawing(bool drawing) {
  if (drawing == drawing_) return;
  drawing_ = drawing;
  emit areasChanged();
}

void MotionSearches::AddArea(int camera, int pictureWidth, int pictureHeight, const MotionRect& area, bool ignore) {
  if (!area.FitsIn(pictureWidth, pictureHeight)) return;
  if (camera != areas_.camera || pictureWidth != areas_.pictureWidth || pictureHeight != areas_.pictureHeight) {
    areas_ = MotionAreaDrawing{camera, pictureWidth, pictureHeight, {}, {}};
  }
  (ignore ? areas_.ignores : areas_.areas).push_back(area);
  FocusOn(camera);
  emit areasChanged();
}

void MotionSearches::RemoveArea(int index) {
  const int areas = static_cast<int>(areas_.areas.size());
  if (index < 0) return;
  if (index < areas) {
    areas_.areas.erase(areas_.areas.begin() + index);
  } else if (index - areas < static_cast<int>(areas_.ignores.size())) {
    areas_.ignores.erase(areas_.ignores.begin() + (index - areas));
  } else {
    return;
  }
  emit areasChanged();
}

void MotionSearches::ClearAreas() {
  areas_.areas.clear();
  areas_.ignores.clear();
  emit areasChanged();
}

void MotionSearches::Stop() {
  if (job_) job_->Stop();
}

void MotionSearches::Clear() {
  // Destroying the job stops its worker and waits: its news goes with it.
  job_.reset();
  runningCamera_ = -1;
  focus_ = -2;
  cameras_.clear();
  areas_ = MotionAreaDrawing{};
  Changed();
  emit areasChanged();
}

void MotionSearches::OnFinished(const MotionSearchResult& result) {
  CameraMotion motion = std::move(running_);
  motion.result = result;
  motion.events = result.events;
  cameras_[motion.channel] = std::move(motion);
  runningCamera_ = -1;
  // Deleted later: this runs inside the job's own announcement.
  job_.release()->deleteLater();
  Changed();
}

void MotionSearches::Changed() {
  ++generation_;
  emit changed();
}

int MotionSearches::FocusCamera() const {
  if (focus_ == -2) return CurrentCamera();
  if (focus_ == runningCamera_) return focus_;
  const auto found = cameras_.find(focus_);
  if (found != cameras_.end() && !found->second.files.empty())
    return doc_.ListIndexOfFile(found->second.files.front()) >= 0 ? focus_ : CurrentCamera();
  return ListHoldsCamera(focus_) ? focus_ : CurrentCamera();
}

// A camera is picked from a pane of the split that shows it, so its first
// image is early in the list: the scan is long only once the camera left it.
bool MotionSearches::ListHoldsCamera(int camera) const {
  const int count = doc_.GetCount();
  for (int index = 0; index < count; ++index) {
    if (doc_.GetChannelAt(index) == camera) return true;
  }
  return false;
}

void MotionSearches::FocusOnCurrentCamera() { FocusOn(CurrentCamera()); }

void MotionSearches::FocusOn(int camera) {
  if (focus_ == camera) return;
  focus_ = camera;
  Changed();
}

const CameraMotion* MotionSearches::Current() const {
  const auto found = cameras_.find(FocusCamera());
  return found != cameras_.end() ? &found->second : nullptr;
}

bool MotionSearches::SetSensitivity(int sensitivity) {
  const auto found = cameras_.find(FocusCamera());
  if (found == cameras_.end()) return false;
  CameraMotion& motion = found->second;
  motion.settings.sensitivity = std::clamp(sensitivity, MotionSettings::kLeastSensitive,
                                           MotionSettings::kMostSensitive);
  motion.events = GroupMotionEvents(motion.result.activity, motion.settings.sensitivity, motion.result.first);
  Changed();
  return true;
}

int MotionSearches::ListIndexOf(const CameraMotion& motion, int searchIndex) const {
  if (searchIndex < 0 || searchIndex >= static_cast<int>(motion.files.size())) return -1;
  return doc_.ListIndexOfFile(motion.files[static_cast<std::size_t>(searchIndex)]);
}

std::vector<MotionEventInList> MotionSearches::EventsInList() const {
  std::vector<MotionEventInList> events;
  const CameraMotion* motion = Current();
  if (motion == nullptr) return events;
  for (const MotionEvent& event : motion->events) {
    MotionEventInList shown;
    shown.first = ListIndexOf(*motion, event.first);
    shown.last = ListIndexOf(*motion, event.last);
    shown.peakImage = ListIndexOf(*motion, event.peakImage);
    shown.peak = event.peak;
    shown.images = event.last - event.first + 1;
    // The camera's images are in the list whole or not at all.
    if (shown.first < 0 || shown.last < 0) continue;
    if (shown.peakImage < 0) shown.peakImage = shown.first;
    events.push_back(shown);
  }
  std::sort(events.begin(), events.end(),
            [](const MotionEventInList& a, const MotionEventInList& b) { return a.first < b.first; });
  return events;
}

std::vector<MotionActivity> MotionSearches::ActivityInList() const {
  std::vector<MotionActivity> activity;
  const CameraMotion* motion = Current();
  if (motion == nullptr) return activity;
  activity.assign(static_cast<std::size_t>(std::max(0, doc_.GetCount())), kSkippedActivity);
  const int first = motion->result.first;
  for (std::size_t i = 0; i < motion->result.activity.size(); ++i) {
    const int index = ListIndexOf(*motion, first + static_cast<int>(i));
    if (index >= 0 && index < static_cast<int>(activity.size())) {
      activity[static_cast<std::size_t>(index)] = motion->result.activity[i];
    }
  }
  return activity;
}

bool MotionSearches::GoToNextEvent() {
  const int position = doc_.GetPosition();
  for (const MotionEventInList& event : EventsInList()) {
    if (event.first > position) return doc_.ShowImage(event.first);
  }
  return false;
}

bool MotionSearches::GoToPreviousEvent() {
  const int position = doc_.GetPosition();
  const std::vector<MotionEventInList> events = EventsInList();
  for (auto event = events.rbegin(); event != events.rend(); ++event) {
    if (event->first < position) return doc_.ShowImage(event->first);
  }
  return false;
}

}  // namespace selvo
