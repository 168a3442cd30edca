#include "tools/selvo-motion/MotionRecording.h"

#include <cstring>
#include <vector>

#include "source/FolderImageSource.h"
#include "source/FolderRecording.h"
#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

MotionRecording::MotionRecording() = default;
MotionRecording::~MotionRecording() = default;

bool MotionRecording::Open(const std::string& folder, int camera, std::FILE* err) {
  FolderRecording recording(folder);
  const bool opened = recording.Open();
  if (recording.HasImages()) {
    for (const UnreadableFolder& unread : recording.Images().UnreadableFolders()) {
      std::fprintf(err, "selvo-motion: %s: unreadable folder (%s); its images are not searched\n",
                   TerminalSafe(unread.path).c_str(), std::strerror(unread.error));
    }
  }
  if (!opened) {
    std::fprintf(err, "selvo-motion: %s: %s\n", TerminalSafe(folder).c_str(), TerminalSafe(recording.FailureText()).c_str());
    return false;
  }
  source_ = recording.TakeImages();
  return ChooseCamera(folder, camera, err);
}

bool MotionRecording::ChooseCamera(const std::string& folder, int camera, std::FILE* err) {
  const std::string shown = TerminalSafe(folder);
  if (!source_->HasChannel(-1)) {
    if (camera != 0) {
      std::fprintf(err, "selvo-motion: %s: no INFO index, so the images of camera %d are not known\n", shown.c_str(),
                   camera);
      return false;
    }
    std::fprintf(err, "selvo-motion: warning: %s: no INFO index: every image is searched as one camera's\n",
                 shown.c_str());
    source_->SelectChannels(-1, 1, nullptr);
    return true;
  }
  std::vector<int> cameras;
  for (int channel = 0; channel < 16; ++channel) {
    if (source_->HasChannel(channel)) cameras.push_back(channel + 1);
  }
  if (camera == 0 && cameras.size() == 1) camera = cameras.front();
  if (camera == 0) {
    std::string list;
    for (const int c : cameras) list += (list.empty() ? "" : ", ") + std::to_string(c);
    std::fprintf(err, "selvo-motion: %s: the recording holds cameras %s: choose one with --camera N\n", shown.c_str(),
                 list.c_str());
    return false;
  }
  // The header's count for a camera is only a claim: the entries decide.
  if (!source_->HasChannel(camera - 1) || !source_->SelectChannels(camera - 1, 1, nullptr) || source_->GetCount() == 0) {
    std::fprintf(err, "selvo-motion: %s: camera %d has no images\n", shown.c_str(), camera);
    return false;
  }
  camera_ = camera;
  return true;
}

int MotionRecording::Count() const { return source_ ? source_->GetCount() : 0; }

std::string MotionRecording::PathAt(int index) const { return source_->GetPathAt(index); }

int MotionRecording::UnreadableFolders() const {
  return source_ ? static_cast<int>(source_->UnreadableFolders().size()) : 0;
}

MotionImageTime MotionRecording::TimeOf(int index) {
  MotionImageTime when;
  source_->ExamineRecord(index);
  const ImageRecord* record = source_->RecordAt(index);
  if (record == nullptr) return when;
  when.time = record->recordTime;
  when.stamp = record->stampMs;
  when.stampKnown = IsStampKnown(*record);
  return when;
}

}  // namespace selvo
