#include "export/TagText.h"

#include <cstdint>

namespace selvo {

namespace {

void AppendByteEscape(std::string& out, unsigned char byte) {
  static const char kHex[] = "0123456789abcdef";
  if (byte == '\\') {
    out += "\\\\";
    return;
  }
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// Length of the well-formed UTF-8 sequence of two to four bytes at i (no
// overlong forms, no surrogates, nothing past U+10FFFF) with its code
// point; 0 when there is none.
std::size_t MultiByteSequenceAt(const std::string& text, std::size_t i, std::uint32_t& code) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  std::uint32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, lowest = 0x80, code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, lowest = 0x800, code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, lowest = 0x10000, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string TagText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t code = 0;
    if (c == '\\' || c < 0x20 || c == 0x7F) {
      AppendByteEscape(out, c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const std::size_t length = MultiByteSequenceAt(text, i, code); length != 0 && code >= 0xA0) {
      out.append(text, i, length);
      i += length - 1;
    } else {
      // A C1 control is escaped byte by byte, as is a byte that starts no
      // sequence.
      AppendByteEscape(out, c);
    }
  }
  return out;
}

}  // namespace selvo
