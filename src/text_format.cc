#include "text_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "unicode.h"

namespace pellix {
namespace {

void append_hex_escape(std::string& out, char32_t code_point) {
  std::array<char, 16> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                          static_cast<unsigned long>(code_point), 16);
  out += "\\u{";
  out.append(digits.data(), end);
  out += '}';
}

// Rewrites to_chars' exponent ("e+16", "e-05") as the short form ("e16", "e-5").
void append_scientific(std::string& out, double value) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::scientific);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  const std::size_t e = text.find('e');
  out.append(text.substr(0, e + 1));
  std::size_t digits = e + 1;
  if (text[digits] == '-') {
    out += '-';
    ++digits;
  } else if (text[digits] == '+') {
    ++digits;
  }
  while (digits + 1 < text.size() && text[digits] == '0') ++digits;
  out.append(text.substr(digits));
}

}  // namespace

void append_decimal(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "inf" : "-inf";
    return;
  }
  const double magnitude = std::fabs(value);
  if (magnitude != 0 && (magnitude >= 1e16 || magnitude < 1e-4)) {
    append_scientific(out, value);
    return;
  }
  std::array<char, 64> buffer{};
  const auto [end, error] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  out.append(text);
  if (text.find('.') == std::string_view::npos) out += ".0";
}

std::string format_decimal(double value) {
  std::string out;
  append_decimal(out, value);
  return out;
}

void append_visible_code_point(std::string& out, char32_t code_point) {
  if (is_printable(code_point)) {
    append_utf8(out, code_point);
  } else {
    append_hex_escape(out, code_point);
  }
}

void append_escaped_text(std::string& out, std::string_view text) {
  const auto needs_escape = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\';
  };
  std::size_t offset = 0;
  while (offset < text.size()) {
    // Most text is plain printable ASCII: copy such runs whole.
    const auto run_end =
        std::find_if(text.begin() + static_cast<std::ptrdiff_t>(offset), text.end(), needs_escape);
    const auto run_length = static_cast<std::size_t>(run_end - text.begin()) - offset;
    out.append(text.substr(offset, run_length));
    offset += run_length;
    if (offset == text.size()) break;
    const char byte = text[offset];
    if (static_cast<unsigned char>(byte) < 0x80) {
      ++offset;
      switch (byte) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        default:
          if (byte >= 0x20 && byte < 0x7F) {
            out += byte;
          } else {
            append_hex_escape(out, static_cast<char32_t>(byte));
          }
      }
      continue;
    }
    const DecodedCodePoint decoded = decode_utf8(text, offset);
    append_visible_code_point(out, decoded.code_point);
    offset += decoded.length;
  }
}

void append_unsigned(std::string& out, std::size_t value) {
  std::array<char, 24> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), end);
}

}  // namespace pellix
