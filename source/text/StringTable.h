#pragma once
// The numbered user-interface texts, one table per UI language (UTF-8).
#include <string>
#include <vector>

#include "source/text/UiLanguage.h"

namespace selvo {

// Text of a numbered string in the current UI language. A number the table
// does not hold loads as an empty string.
std::string LoadString(int id);
std::string LoadString(int id, UiLanguage language);
bool HasString(int id, UiLanguage language);

// Fills the %s and %d of a table text, in order, with args ("%%" stays a
// percent sign). No printf: a table text can never read past its arguments.
std::string FillTableText(const std::string& text, const std::vector<std::string>& args);

}  // namespace selvo
