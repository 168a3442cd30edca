#pragma once
// File > Recent Recordings: the folders and discs opened last, newest first,
// kept in the viewer's settings (group "RecentRecordings") so the list
// survives the run. Every change is written at once: a viewer that crashes
// later still remembers what was opened.
#include <string>
#include <vector>

class QSettings;

namespace selvo {

struct RecentRecording {
  enum class Kind { Folder, Disc };
  Kind kind = Kind::Folder;
  std::string path;  // the folder, or the drive or disc-image file
  bool operator==(const RecentRecording& other) const { return kind == other.kind && path == other.path; }
};

class RecentRecordings {
 public:
  static constexpr int kMaxEntries = 8;

  // Reads the list the store holds; entries that make no sense (no path, an
  // unknown kind, beyond the cap) are left out.
  explicit RecentRecordings(QSettings& store);

  const std::vector<RecentRecording>& Entries() const { return entries_; }
  // Puts the recording first; the same one further down moves up rather
  // than appearing twice, and the oldest beyond the cap goes.
  void Add(const RecentRecording& recording);
  void Remove(const RecentRecording& recording);
  void Clear();

 private:
  void Save();

  QSettings& store_;
  std::vector<RecentRecording> entries_;
};

}  // namespace selvo
