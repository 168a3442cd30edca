#pragma once
// The windows' two ways to a text in the current UI language, and no other:
// UiString for a row of the numbered string table (its ids are in
// source/text/StringIds.h), UiText for a menu item's or dialog template's
// own English and Japanese, which the table does not hold. The core reads
// rows with LoadString (source/text/StringTable.h).
#include <QString>

#include "source/text/StringTable.h"
#include "source/text/UiLanguage.h"

namespace selvo {

inline QString UiText(const char* english, const char* japanese) {
  return QString::fromUtf8(CurrentUiLanguage() == UiLanguage::Japanese ? japanese : english);
}

// A row of the numbered string table, in the current UI language.
inline QString UiString(int id) { return QString::fromStdString(LoadString(id)); }

}  // namespace selvo
