#include "source/ShiftJis.h"

#include <iconv.h>

#include <cerrno>

namespace selvo {
namespace {

class Converter {
 public:
  Converter() {
    // CP932 carries the vendor extensions recorders use; plain SHIFT_JIS is
    // the fallback for C libraries built without it.
    handle_ = iconv_open("UTF-8", "CP932");
    if (handle_ == kInvalid) handle_ = iconv_open("UTF-8", "SHIFT_JIS");
  }
  ~Converter() {
    if (handle_ != kInvalid) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Usable() const { return handle_ != kInvalid; }
  iconv_t Handle() const { return handle_; }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t handle_;
};

// Without any converter, ASCII still reads and the rest is marked.
std::string AsciiOnly(const char* bytes, std::size_t length) {
  std::string out(bytes, length);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) > 0x7F) c = '?';
  }
  return out;
}

}  // namespace

std::string ShiftJisToUtf8(const char* bytes, std::size_t length) {
  Converter converter;
  if (!converter.Usable()) return AsciiOnly(bytes, length);

  // One Shift_JIS byte never becomes more than three UTF-8 bytes.
  std::string out(length * 3 + 4, '\0');
  char* in = const_cast<char*>(bytes);
  std::size_t inLeft = length;
  char* outPos = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(converter.Handle(), &in, &inLeft, &outPos, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // Invalid or truncated sequence: mark it and resynchronise on the next byte.
    *outPos++ = '?';
    --outLeft;
    ++in;
    --inLeft;
  }
  out.resize(static_cast<std::size_t>(outPos - out.data()));
  return out;
}

}  // namespace selvo
