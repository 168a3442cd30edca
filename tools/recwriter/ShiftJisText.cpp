#include "tools/recwriter/ShiftJisText.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace selvo {

bool Utf8ToShiftJis(const std::string& utf8, std::string& out) {
  out.clear();
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;

  // Shift_JIS never needs more bytes than UTF-8 for the same text.
  std::vector<char> buffer(utf8.size() + 1);
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* outPtr = buffer.data();
  std::size_t outLeft = buffer.size();
  const std::size_t converted = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (converted == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  out.assign(buffer.data(), outPtr);
  return true;
}

}  // namespace selvo
