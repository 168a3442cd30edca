#include "source/settings/RecentRecordings.h"

#include <QSettings>
#include <QString>

#include <algorithm>

namespace selvo {

namespace {

const QString kArray = QStringLiteral("RecentRecordings");
const QString kKind = QStringLiteral("Kind");
const QString kPath = QStringLiteral("Path");
const QString kFolderKind = QStringLiteral("folder");
const QString kDiscKind = QStringLiteral("disc");

}  // namespace

RecentRecordings::RecentRecordings(QSettings& store) : store_(store) {
  const int size = store_.beginReadArray(kArray);
  for (int i = 0; i < size && static_cast<int>(entries_.size()) < kMaxEntries; ++i) {
    store_.setArrayIndex(i);
    const QString kind = store_.value(kKind).toString();
    RecentRecording entry;
    entry.path = store_.value(kPath).toString().toStdString();
    if (entry.path.empty() || (kind != kFolderKind && kind != kDiscKind)) continue;
    entry.kind = kind == kDiscKind ? RecentRecording::Kind::Disc : RecentRecording::Kind::Folder;
    if (std::find(entries_.begin(), entries_.end(), entry) == entries_.end()) entries_.push_back(entry);
  }
  store_.endArray();
}

void RecentRecordings::Add(const RecentRecording& recording) {
  if (recording.path.empty()) return;
  entries_.erase(std::remove(entries_.begin(), entries_.end(), recording), entries_.end());
  entries_.insert(entries_.begin(), recording);
  if (static_cast<int>(entries_.size()) > kMaxEntries) entries_.resize(kMaxEntries);
  Save();
}

void RecentRecordings::Remove(const RecentRecording& recording) {
  entries_.erase(std::remove(entries_.begin(), entries_.end(), recording), entries_.end());
  Save();
}

void RecentRecordings::Clear() {
  entries_.clear();
  Save();
}

void RecentRecordings::Save() {
  store_.remove(kArray);
  store_.beginWriteArray(kArray, static_cast<int>(entries_.size()));
  for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
    store_.setArrayIndex(i);
    const RecentRecording& entry = entries_[static_cast<std::size_t>(i)];
    store_.setValue(kKind, entry.kind == RecentRecording::Kind::Disc ? kDiscKind : kFolderKind);
    store_.setValue(kPath, QString::fromStdString(entry.path));
  }
  store_.endArray();
  store_.sync();
}

}  // namespace selvo
