#pragma once
// The recorder writes camera titles in Shift_JIS (the Windows code page 932
// variant); the viewer works in UTF-8.
#include <cstddef>
#include <string>

namespace selvo {

// Converts length bytes; a byte that does not start a valid character comes
// out as '?', so damaged titles still show what can be read.
std::string ShiftJisToUtf8(const char* bytes, std::size_t length);

}  // namespace selvo
