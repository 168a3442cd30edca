#include "source/settings/AppSettings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include "source/settings/SettingFile.h"
#include "source/text/StringTable.h"

namespace selvo {

namespace {

const QString kGroup = QStringLiteral("Settings");
const QString kDateFormat = QStringLiteral("DateFormat");
const QString kDateDelimiter = QStringLiteral("DateDelimiter");
const QString kTimePosition = QStringLiteral("DateDispPos");
const QString kOpenFolder = QStringLiteral("ForderDir");
const QString kSaveFolder = QStringLiteral("SaveForder");
const QString kWindowGeometry = QStringLiteral("WindowGeometry");
const QString kVerificationMarks = QStringLiteral("VerificationMarks");
const QString kCaseFile = QStringLiteral("CaseFile");

void ReadInt(const QSettings& store, const QString& name, int lowest, int highest, int& field) {
  QVariant value = store.value(name);
  if (!value.isValid()) return;
  // Read wide: the narrow conversion would wrap an oversized number into range.
  bool ok = false;
  qlonglong number = value.toLongLong(&ok);
  if (ok && number >= lowest && number <= highest) field = static_cast<int>(number);
}

// A folder that would not have fitted the original 260-byte field counts as
// absent, so the dialogs start without it rather than with a cut path.
std::string ReadPath(const QSettings& store, const QString& name) {
  QVariant value = store.value(name);
  if (!value.isValid()) return {};
  QString text = value.toString();
  if (text.toUcs4().size() > kMaxSettingPathChars) return {};
  return text.toStdString();
}

std::string ReadGeometry(const QSettings& store) {
  QVariant value = store.value(kWindowGeometry);
  if (!value.isValid()) return {};
  const QByteArray bytes = value.toByteArray();
  if (bytes.size() > kMaxWindowGeometryBytes) return {};
  return bytes.toStdString();
}

}  // namespace

SettingsKey SettingsKeyFor(int variant) { return SettingsKeyFor(variant, CurrentUiLanguage()); }

SettingsKey SettingsKeyFor(int variant, UiLanguage language) {
  const VariantInfo& info = VariantFor(variant);
  return {LoadString(info.companyStringId, language), LoadString(info.productStringId, language)};
}

std::unique_ptr<QSettings> OpenSettingsStore(const SettingsKey& key) {
  QString organization = QString::fromStdString(key.organization);
  QString application = QString::fromStdString(key.application);
  if (organization.isEmpty() && application.isEmpty()) return nullptr;
  // Qt would put "Unknown Organization" in place of an empty organization and
  // flag the store as failed; the key with an empty company part is the
  // product directly below the settings root, which the one-name form gives.
  if (organization.isEmpty()) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, application);
  }
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                     application);
}

void LoadSettings(int variant, DisplaySettings& settings) {
  std::unique_ptr<QSettings> store = OpenSettingsStore(SettingsKeyFor(variant));
  if (!store) return;
  store->beginGroup(kGroup);
  ReadInt(*store, kDateFormat, 0, 2, settings.dateFormat);
  ReadInt(*store, kDateDelimiter, 0, 2, settings.dateDelimiter);
  ReadInt(*store, kTimePosition, 0, 3, settings.timePosition);
  settings.lastOpenFolder = ReadPath(*store, kOpenFolder);
  settings.lastSaveFolder = ReadPath(*store, kSaveFolder);
  settings.windowGeometry = ReadGeometry(*store);
  ReadInt(*store, kVerificationMarks, 0, 1, settings.verificationMarks);
  settings.caseFile = store->value(kCaseFile).toString().toStdString();
  store->endGroup();
}

bool SaveSettings(int variant, const DisplaySettings& settings) {
  std::unique_ptr<QSettings> store = OpenSettingsStore(SettingsKeyFor(variant));
  if (!store) return false;
  store->beginGroup(kGroup);
  store->setValue(kDateFormat, settings.dateFormat);
  store->setValue(kDateDelimiter, settings.dateDelimiter);
  store->setValue(kTimePosition, settings.timePosition);
  store->setValue(kOpenFolder, QString::fromStdString(settings.lastOpenFolder));
  store->setValue(kSaveFolder, QString::fromStdString(settings.lastSaveFolder));
  // A window that never showed leaves what an earlier run kept.
  if (!settings.windowGeometry.empty())
    store->setValue(kWindowGeometry, QByteArray::fromStdString(settings.windowGeometry));
  store->setValue(kVerificationMarks, settings.verificationMarks);
  if (!settings.caseFile.empty()) store->setValue(kCaseFile, QString::fromStdString(settings.caseFile));
  store->endGroup();
  store->sync();
  return store->status() == QSettings::NoError;
}

}  // namespace selvo
