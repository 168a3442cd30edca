#pragma once
// Texts of menus and dialog templates, which exist in English and Japanese
// beside the numbered string table: pick the one of the current UI language.
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
