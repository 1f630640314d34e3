#include "unicode.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pellix {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

DecodedCodePoint decode_utf8(std::string_view text, std::size_t offset) {
  const auto byte_at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte_at(offset);
  if (lead < 0x80) return {lead, 1, true};

  std::size_t length = 0;
  char32_t code_point = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code_point = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code_point = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code_point = lead & 0x07, minimum = 0x10000;
  } else {
    return {kReplacementCharacter, 1, false};
  }
  if (text.size() - offset < length) return {kReplacementCharacter, 1, false};
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char byte = byte_at(offset + i);
    if (!is_continuation(byte)) return {kReplacementCharacter, 1, false};
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  const bool is_surrogate = code_point >= 0xD800 && code_point <= 0xDFFF;
  if (code_point < minimum || code_point > 0x10FFFF || is_surrogate) {
    return {kReplacementCharacter, 1, false};
  }
  return {code_point, length, true};
}

std::optional<std::size_t> find_invalid_utf8(std::string_view text) {
  std::size_t offset = 0;
  while (offset < text.size()) {
    // Skip ASCII eight bytes at a time.
    if (text.size() - offset >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + offset, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        offset += 8;
        continue;
      }
    }
    if (static_cast<unsigned char>(text[offset]) < 0x80) {
      ++offset;
      continue;
    }
    const DecodedCodePoint decoded = decode_utf8(text, offset);
    if (!decoded.is_valid) return offset;
    offset += decoded.length;
  }
  return std::nullopt;
}

std::string replace_invalid_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t offset = 0;
  while (offset < text.size()) {
    const DecodedCodePoint decoded = decode_utf8(text, offset);
    if (decoded.is_valid) {
      out.append(text.substr(offset, decoded.length));
    } else {
      append_utf8(out, kReplacementCharacter);
    }
    offset += decoded.length;
  }
  return out;
}

void append_utf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

std::string to_lower(std::string_view text) {
  std::string lowered;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    return std::string(text);
  }
  icu::StringByteSink<std::string> sink(&lowered, static_cast<int32_t>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  // The root locale, so that the result does not change with the user's language settings.
  icu::CaseMap::utf8ToLower("", 0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())),
                            sink, nullptr, status);
  if (U_FAILURE(status)) return std::string(text);
  return lowered;
}

bool is_alphabetic(char32_t code_point) {
  return u_hasBinaryProperty(static_cast<UChar32>(code_point), UCHAR_ALPHABETIC) != 0;
}

bool is_numeric(char32_t code_point) {
  switch (u_charType(static_cast<UChar32>(code_point))) {
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
      return true;
    default:
      return false;
  }
}

bool is_white_space(char32_t code_point) {
  if (code_point < 0x80) return code_point == ' ' || (code_point >= '\t' && code_point <= '\r');
  return u_hasBinaryProperty(static_cast<UChar32>(code_point), UCHAR_WHITE_SPACE) != 0;
}

std::string_view trim_unicode_white_space(std::string_view text) {
  std::size_t start = text.size();
  std::size_t end = 0;
  std::size_t offset = 0;
  while (offset < text.size()) {
    const DecodedCodePoint decoded = decode_utf8(text, offset);
    if (!decoded.is_valid || !is_white_space(decoded.code_point)) {
      start = std::min(start, offset);
      end = offset + decoded.length;
    }
    offset += decoded.length;
  }
  return start < end ? text.substr(start, end - start) : std::string_view();
}

std::size_t white_space_length(std::string_view text, std::size_t offset) {
  const DecodedCodePoint decoded = decode_utf8(text, offset);
  return decoded.is_valid && is_white_space(decoded.code_point) ? decoded.length : 0;
}

bool is_printable(char32_t code_point) {
  if (code_point < 0x80) return code_point >= 0x20 && code_point < 0x7F;
  switch (u_charType(static_cast<UChar32>(code_point))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_UNASSIGNED:
    case U_PRIVATE_USE_CHAR:
    case U_SURROGATE:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_SPACE_SEPARATOR:
      return false;
    default:
      return true;
  }
}

std::size_t display_width(std::string_view text) {
  std::size_t width = 0;
  std::size_t offset = 0;
  while (offset < text.size()) {
    const DecodedCodePoint decoded = decode_utf8(text, offset);
    offset += decoded.length;
    if (decoded.code_point < 0x80) {
      ++width;
      continue;
    }
    const auto code_point = static_cast<UChar32>(decoded.code_point);
    switch (u_charType(code_point)) {
      case U_NON_SPACING_MARK:
      case U_ENCLOSING_MARK:
      case U_FORMAT_CHAR:
        continue;
      default:
        break;
    }
    switch (u_getIntPropertyValue(code_point, UCHAR_EAST_ASIAN_WIDTH)) {
      case U_EA_WIDE:
      case U_EA_FULLWIDTH:
        width += 2;
        break;
      default:
        ++width;
        break;
    }
  }
  return width;
}

std::string_view head_within_columns(std::string_view text, std::size_t columns) {
  std::size_t offset = 0;
  std::size_t used = 0;
  while (offset < text.size()) {
    const std::size_t length = decode_utf8(text, offset).length;
    used += display_width(text.substr(offset, length));
    if (used > columns) break;
    offset += length;
  }
  return text.substr(0, offset);
}

}  // namespace pellix
