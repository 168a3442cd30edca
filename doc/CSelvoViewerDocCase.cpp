// The document's part of the case file: where an image is as a bookmark
// keeps it, and the way back from a bookmark to the image.
#include <filesystem>
#include <map>
#include <utility>

#include "doc/CSelvoViewerDoc.h"
#include "source/InfoIndex.h"
#include "source/RecordingFiles.h"

namespace selvo {

namespace {

int CameraOf(int channel) { return InfoIndex::IsCameraChannel(channel) ? channel + 1 : 0; }

std::string RelativeTo(const std::string& folder, const std::string& path) {
  namespace fs = std::filesystem;
  if (path.empty() || folder.empty()) return path;
  std::error_code error;
  const fs::path base = fs::absolute(folder, error).lexically_normal();
  const fs::path file = fs::absolute(path, error).lexically_normal();
  const fs::path relative = file.lexically_relative(base);
  const std::string text = relative.generic_string();
  return text.empty() || text.compare(0, 2, "..") == 0 ? path : text;
}

}  // namespace

// The panel numbers a camera's images from 1 in list order; in a split the
// list holds several cameras, so the number counts that camera's alone.
BookmarkPlace CSelvoViewerDoc::PlaceAt(int index) const {
  BookmarkPlace place;
  if (!source_ || index < 0 || index >= source_->GetCount()) return place;
  const int channel = source_->GetChannelAt(index);
  place.camera = CameraOf(channel);
  for (int i = 0; i <= index; ++i) {
    if (i == index || source_->GetChannelAt(i) == channel) ++place.number;
  }
  const RecordingFiles* files = Files();
  const std::string folder = case_.RecordingFolder().empty() ? settings_.lastOpenFolder : case_.RecordingFolder();
  if (files != nullptr) place.file = RelativeTo(folder, files->FilePathAt(files->FileIndexAt(index)));
  place.recordTime = source_->GetTimeAt(index);
  place.stampMs = source_->GetStampAt(index);
  return place;
}

int CSelvoViewerDoc::ImageIndexOfChannel(int channel) {
  if (!source_) return -1;
  const int position = source_->GetPosition();
  if (lockedToTime_) {
    const LockedImage locked = NearestImageOf(channel);
    return locked.index >= 0 ? locked.index : position;
  }
  for (int i = position; i >= 0; --i) {
    if (source_->GetChannelAt(i) == channel) return i;
  }
  return position;
}

// One pass over the list numbers every camera's images, as PlaceAt does.
std::vector<int> CSelvoViewerDoc::BookmarkIndices() const {
  const std::vector<Bookmark>& bookmarks = case_.Bookmarks();
  std::vector<int> indices(bookmarks.size(), -1);
  if (!source_ || bookmarks.empty()) return indices;
  std::map<std::pair<int, std::int64_t>, int> indexOf;
  std::map<int, std::int64_t> counted;
  const int count = source_->GetCount();
  for (int i = 0; i < count; ++i) {
    const int camera = CameraOf(source_->GetChannelAt(i));
    indexOf.emplace(std::make_pair(camera, ++counted[camera]), i);
  }
  for (std::size_t b = 0; b < bookmarks.size(); ++b) {
    const auto found = indexOf.find({bookmarks[b].place.camera, bookmarks[b].place.number});
    if (found != indexOf.end()) indices[b] = found->second;
  }
  return indices;
}

bool CSelvoViewerDoc::GoToBookmark(std::int64_t bookmarkId) {
  const std::vector<Bookmark>& bookmarks = case_.Bookmarks();
  const std::vector<int> indices = BookmarkIndices();
  for (std::size_t b = 0; b < bookmarks.size(); ++b) {
    if (bookmarks[b].id == bookmarkId) return JumpToIndex(indices[b]);
  }
  return false;
}

bool CSelvoViewerDoc::GoToNextBookmark() {
  if (!source_) return false;
  const int position = source_->GetPosition();
  int best = -1;
  for (int index : BookmarkIndices()) {
    if (index > position && (best < 0 || index < best)) best = index;
  }
  return JumpToIndex(best);
}

bool CSelvoViewerDoc::GoToPreviousBookmark() {
  if (!source_) return false;
  const int position = source_->GetPosition();
  int best = -1;
  for (int index : BookmarkIndices()) {
    if (index >= 0 && index < position && index > best) best = index;
  }
  return JumpToIndex(best);
}

// A jump during play goes on playing from the bookmark, as a problem's does.
bool CSelvoViewerDoc::JumpToIndex(int index) {
  if (!source_ || index < 0) return false;
  PausePlayback();
  ShowImage(index);
  ResumePlayback();
  return true;
}

}  // namespace selvo
