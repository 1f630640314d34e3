// Unicode helpers shared by the front end and the printers: UTF-8 decoding and encoding, and
// the character properties the language's lexical rules are written in. Property data comes
// from ICU.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pellix {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// One decoded code point and the number of bytes it took. An ill-formed sequence decodes as
// U+FFFD over its first byte, with `is_valid` false.
struct DecodedCodePoint {
  char32_t code_point;
  std::size_t length;
  bool is_valid;
};

// Decodes the code point that starts at byte `offset` of `text`; `offset` must be in range.
DecodedCodePoint decode_utf8(std::string_view text, std::size_t offset);

// Yields the byte offset of the first ill-formed UTF-8 sequence, or nothing when `text` is
// well-formed (overlong forms, surrogates and values past U+10FFFF are ill-formed).
std::optional<std::size_t> find_invalid_utf8(std::string_view text);

// Yields `text` with every ill-formed sequence replaced by U+FFFD.
std::string replace_invalid_utf8(std::string_view text);

// Appends the UTF-8 encoding of `code_point`.
void append_utf8(std::string& out, char32_t code_point);

// Yields `text` (UTF-8) in lower case by the full Unicode mapping, whose results may differ in
// length ("\u0130" becomes "i\u0307") and depend on context (a word-final capital sigma
// becomes "\u03c2"), free of any locale's special rules.
std::string to_lower(std::string_view text);

// True for code points with the Unicode Alphabetic property.
bool is_alphabetic(char32_t code_point);

// True for code points of the Unicode number categories (Nd, Nl, No).
bool is_numeric(char32_t code_point);

// True for code points with the Unicode White_Space property (line breaks included).
bool is_white_space(char32_t code_point);

// Yields `text` (UTF-8) without the white space at both ends; an ill-formed byte counts as
// text, not as white space.
std::string_view trim_unicode_white_space(std::string_view text);

// The length of the white space that starts at byte `offset` of `text` (0 when there is none).
std::size_t white_space_length(std::string_view text, std::size_t offset);

// False for code points that would not show as a visible glyph: controls, format characters,
// separators other than the ASCII space, private-use, surrogate and unassigned code points.
bool is_printable(char32_t code_point);

// The terminal columns `text` (UTF-8) takes: two for wide and full-width characters, none for
// combining marks and format characters, one for everything else (an ill-formed byte
// included).
std::size_t display_width(std::string_view text);

// The longest start of `text` that fits in `columns` terminal columns, cut between characters.
std::string_view head_within_columns(std::string_view text, std::size_t columns);

}  // namespace pellix
