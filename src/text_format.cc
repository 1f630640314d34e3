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

// Writes the names of the non-finite values; answers whether `value` was one.
bool append_non_finite(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
    return true;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "inf" : "-inf";
    return true;
  }
  return false;
}

// Characters the escaped form does not show as themselves.
bool needs_escape(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\';
}

}  // namespace

void append_decimal(std::string& out, double value) {
  if (append_non_finite(out, value)) return;
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

// to_chars' shortest fixed form is not used here: among texts of equal length it picks the
// one closest to the binary value, so 1e23 would print as "99999999999999991611392". The
// shortest significant digits come from the scientific form and are laid out by hand.
void append_plain_decimal(std::string& out, double value) {
  if (append_non_finite(out, value)) return;
  std::array<char, 32> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::scientific);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  const std::size_t e = text.find('e');
  std::string_view mantissa = text.substr(0, e);
  if (mantissa.front() == '-') {
    out += '-';
    mantissa.remove_prefix(1);
  }
  std::string digits;  // the significant digits without the point: "d" or "d.ddd"
  digits += mantissa.front();
  if (mantissa.size() > 2) digits.append(mantissa.substr(2));
  int exponent = 0;
  const std::string_view exponent_text = text.substr(e + 1);
  std::from_chars(exponent_text.data() + (exponent_text.front() == '+' ? 1 : 0),
                  exponent_text.data() + exponent_text.size(), exponent);
  const auto count = static_cast<int>(digits.size());
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else if (exponent + 1 >= count) {
    out += digits;
    out.append(static_cast<std::size_t>(exponent + 1 - count), '0');
  } else {
    const auto whole = static_cast<std::size_t>(exponent + 1);
    out.append(digits, 0, whole);
    out += '.';
    out.append(digits, whole);
  }
}

std::string format_plain_decimal(double value) {
  std::string out;
  append_plain_decimal(out, value);
  return out;
}

void append_fixed_decimal(std::string& out, double value, int decimals) {
  if (append_non_finite(out, value)) return;
  decimals = std::clamp(decimals, 0, 100);
  // Room for 309 whole digits, the sign, the point and the decimals; written in place.
  const std::size_t start = out.size();
  out.resize(start + 320 + static_cast<std::size_t>(decimals));
  const auto [end, error] = std::to_chars(out.data() + start, out.data() + out.size(), value,
                                          std::chars_format::fixed, decimals);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

void append_confidence(std::string& out, double value) { append_fixed_decimal(out, value, 2); }

std::string format_confidence(double value) {
  std::string out;
  append_confidence(out, value);
  return out;
}

void append_money(std::string& out, double value) { append_fixed_decimal(out, value, 4); }

std::string format_money(double value) {
  std::string out;
  append_money(out, value);
  return out;
}

void append_visible_code_point(std::string& out, char32_t code_point) {
  if (is_printable(code_point)) {
    append_utf8(out, code_point);
  } else {
    append_hex_escape(out, code_point);
  }
}

bool is_plain_text(std::string_view text) {
  return std::none_of(text.begin(), text.end(), needs_escape);
}

void append_escaped_text(std::string& out, std::string_view text) {
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

std::string format_positioned(std::size_t line, std::size_t column, std::string_view message) {
  std::string out = "line ";
  append_unsigned(out, line);
  out += ", column ";
  append_unsigned(out, column);
  out += ": ";
  out += message;
  return out;
}

void append_unsigned(std::string& out, std::size_t value) {
  std::array<char, 24> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), end);
}

std::optional<std::uint64_t> parse_unsigned(std::string_view text, std::uint64_t maximum) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > maximum) {
    return std::nullopt;
  }
  return value;
}

}  // namespace pellix
