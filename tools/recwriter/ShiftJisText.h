#pragma once
// UTF-8 to Shift_JIS (Windows code page 932), the encoding the recorder uses
// for camera titles.
#include <string>

namespace selvo {

// false when the text holds a character code page 932 cannot express or is
// not valid UTF-8; out is then left empty.
bool Utf8ToShiftJis(const std::string& utf8, std::string& out);

}  // namespace selvo
