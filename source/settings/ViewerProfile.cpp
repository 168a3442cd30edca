#include "source/settings/ViewerProfile.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include "source/settings/AppSettings.h"

namespace selvo {

namespace {

const QString kOldProgramName = QStringLiteral("selvo-viewer");
// Where the mark goes: a group no earlier version wrote.
const QString kTakenOverKey = QStringLiteral("TakenOver/OldProfile");

}  // namespace

int TakeOverOldProfile(const QSettings& old, QSettings& store) {
  if (store.contains(kTakenOverKey)) return 0;
  const QStringList keys = old.allKeys();
  if (keys.isEmpty()) return 0;
  int copied = 0;
  for (const QString& key : keys) {
    // A value this store already holds is newer than the old file's.
    if (store.contains(key)) continue;
    store.setValue(key, old.value(key));
    ++copied;
  }
  store.setValue(kTakenOverKey, old.fileName());
  store.sync();
  return copied;
}

std::unique_ptr<QSettings> OpenViewerProfile(int variant) {
  auto old = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kOldProgramName, kOldProgramName);
  std::unique_ptr<QSettings> store = OpenSettingsStore(SettingsKeyFor(variant));
  if (!store) return old;
  TakeOverOldProfile(*old, *store);
  return store;
}

}  // namespace selvo
