#pragma once
// The display settings that persist between runs, kept per variant under
// the variant's company and product names, group "Settings", with the main
// window's size and position.
#include <memory>
#include <string>

#include "source/text/UiLanguage.h"

class QSettings;

namespace selvo {

struct DisplaySettings {
  int dateFormat = 0;     // "DateFormat" 0..2
  int dateDelimiter = 0;  // "DateDelimiter" 0..2
  int timePosition = 0;   // "DateDispPos" 0..3
  std::string lastOpenFolder;  // "ForderDir", at most 259 characters
  std::string lastSaveFolder;  // "SaveForder", at most 259 characters
  std::string windowGeometry;  // "WindowGeometry": the window's own bytes
  int verificationMarks = 0;   // "VerificationMarks" 0..1: problem marks without the "check" switch
  std::string caseFile;        // "CaseFile": the case file File > Case File... chose; empty: the default
};

constexpr int kMaxSettingPathChars = 259;
// A window's saved geometry takes some dozens of bytes; anything far larger
// is not the window's and is not handed to it.
constexpr int kMaxWindowGeometryBytes = 4096;

// Company (organization) and product (application) of a variant, loaded from
// the string table; a row the table lacks gives an empty part.
struct SettingsKey {
  std::string organization;
  std::string application;
};
SettingsKey SettingsKeyFor(int variant);
SettingsKey SettingsKeyFor(int variant, UiLanguage language);

// The store for a key, positioned in no group. Null when both parts are empty.
std::unique_ptr<QSettings> OpenSettingsStore(const SettingsKey& key);

// Takes each value only when present and valid; other fields keep what they
// hold, except the two folders and the geometry, which are emptied first.
void LoadSettings(int variant, DisplaySettings& settings);
// Writes all values; false when the store could not be written.
bool SaveSettings(int variant, const DisplaySettings& settings);

}  // namespace selvo
