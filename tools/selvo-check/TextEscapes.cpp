#include "tools/selvo-check/TextEscapes.h"

#include <cstddef>

namespace selvo {

namespace {

const char kHex[] = "0123456789abcdef";

// Length of the well-formed UTF-8 sequence of two to four bytes at text[i],
// with its code point; 0 for a lone byte, an overlong form, a surrogate or
// anything past U+10FFFF.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t i, unsigned& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned lead = byte(i);
  std::size_t length = 0;
  unsigned smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    smallest = 0x10000;
  }
  if (length == 0 || i + length > text.size()) return 0;
  code = lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// C1 controls (U+0080..U+009F): some terminals obey them as they do ESC.
bool IsC1Control(unsigned code) { return code >= 0x80 && code <= 0x9F; }

void AppendTerminalEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

void AppendJsonEscape(std::string& out, unsigned code) {
  switch (code) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0x0F];
}

}  // namespace

std::string TerminalSafe(const std::string& text, bool keepLineBreaks) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    unsigned code = 0;
    if (c == '\n' && keepLineBreaks) {
      out += '\n';
    } else if (c == '\\' || c < 0x20 || c == 0x7F) {
      AppendTerminalEscape(out, c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const std::size_t length = Utf8SequenceAt(text, i, code); length != 0 && !IsC1Control(code)) {
      out.append(text, i, length);
      i += length - 1;
    } else {
      AppendTerminalEscape(out, c);
    }
  }
  return out;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    unsigned code = 0;
    if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F) {
      AppendJsonEscape(out, c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const std::size_t length = Utf8SequenceAt(text, i, code); length == 0) {
      out += "\xEF\xBF\xBD";
    } else {
      if (IsC1Control(code) || code == 0x2028 || code == 0x2029) {
        AppendJsonEscape(out, code);
      } else {
        out.append(text, i, length);
      }
      i += length - 1;
    }
  }
  return out + "\"";
}

}  // namespace selvo
