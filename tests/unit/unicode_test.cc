#include "unicode.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {
namespace {

TEST(Utf8Test, DecodesWellFormedAndRejectsIllFormedSequences) {
  struct Case {
    std::string_view text;
    std::size_t offset;
    char32_t code_point;
    std::size_t length;
    bool is_valid;
  };
  const std::vector<Case> cases = {
      {"a", 0, U'a', 1, true},
      {"caf\u00e9", 3, U'\u00e9', 2, true},
      {"x\u2014", 1, U'\u2014', 3, true},
      {"\U0001F600", 0, U'\U0001F600', 4, true},
      {"\U0010FFFF", 0, U'\U0010FFFF', 4, true},
      {"\xC0\x80", 0, kReplacementCharacter, 1, false},          // overlong NUL
      {"\xE0\x80\xAF", 0, kReplacementCharacter, 1, false},      // overlong "/"
      {"\xED\xA0\x80", 0, kReplacementCharacter, 1, false},      // surrogate U+D800
      {"\xF4\x90\x80\x80", 0, kReplacementCharacter, 1, false},  // past U+10FFFF
      {"\xF5\x80\x80\x80", 0, kReplacementCharacter, 1, false},  // impossible lead byte
      {"\x80", 0, kReplacementCharacter, 1, false},              // lone continuation
      {"\xE2\x80", 0, kReplacementCharacter, 1, false},          // cut short by the end
      {"\xE2(\xA0", 0, kReplacementCharacter, 1, false},         // continuation missing
      {"\xC3\xA9\xFF", 2, kReplacementCharacter, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "offset " << c.offset << " of " << c.text.size());
    const DecodedCodePoint decoded = decode_utf8(c.text, c.offset);
    EXPECT_EQ(decoded.code_point, c.code_point);
    EXPECT_EQ(decoded.length, c.length);
    EXPECT_EQ(decoded.is_valid, c.is_valid);
  }
}

TEST(Utf8Test, FindsAndReplacesIllFormedSequences) {
  EXPECT_EQ(find_invalid_utf8(""), std::nullopt);
  EXPECT_EQ(find_invalid_utf8("plain caf\u00e9 \u2014 \U0001F600"), std::nullopt);
  EXPECT_EQ(find_invalid_utf8("ab\xC3"), 2u);
  EXPECT_EQ(find_invalid_utf8("\u00e9\xED\xA0\x80"), 2u);

  EXPECT_EQ(replace_invalid_utf8("caf\u00e9"), "caf\u00e9");
  EXPECT_EQ(replace_invalid_utf8("a\xFF"
                                 "b\xC0\x80"
                                 "c"),
            "a\uFFFDb\uFFFD\uFFFDc");
}

TEST(Utf8Test, EncodingRoundTripsAtEveryLengthBoundary) {
  for (const char32_t code_point :
       {U'\0', U'\x7F', U'\x80', U'\u07FF', U'\u0800', U'\uFFFF', U'\U00010000', U'\U0010FFFF'}) {
    SCOPED_TRACE(static_cast<unsigned>(code_point));
    std::string text = "<";
    append_utf8(text, code_point);
    const std::size_t expected_length = code_point < 0x80      ? 1
                                        : code_point < 0x800   ? 2
                                        : code_point < 0x10000 ? 3
                                                               : 4;
    ASSERT_EQ(text.size(), 1 + expected_length);
    const DecodedCodePoint decoded = decode_utf8(text, 1);
    EXPECT_EQ(decoded.code_point, code_point);
    EXPECT_EQ(decoded.length, expected_length);
    EXPECT_TRUE(decoded.is_valid);
  }
}

TEST(UnicodePropertyTest, ClassifiesLettersNumbersAndVisibleCharacters) {
  for (const char32_t c : {U'a', U'Z', U'\u00e9', U'\u00df', U'\u03a9', U'\u4e2d', U'\u0416'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_TRUE(is_alphabetic(c));
  }
  for (const char32_t c : {U'1', U'_', U' ', U'\u2014', U'\u2192', U'\u0663', U'\u0301'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_FALSE(is_alphabetic(c));
  }
  // Decimal digits, letter numbers and other numbers.
  for (const char32_t c : {U'7', U'\u0663', U'\u216B', U'\u00bd', U'\u00b2'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_TRUE(is_numeric(c));
  }
  for (const char32_t c : {U'a', U'.', U'\u00e9', U'\u2014'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_FALSE(is_numeric(c));
  }
  for (const char32_t c : {U'a', U' ', U'~', U'\u00e9', U'\u2014', U'\U0001F600', U'\uFFFD'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_TRUE(is_printable(c));
  }
  for (const char32_t c : {U'\0', U'\t', U'\n', U'\x7F', U'\u0085', U'\u00a0', U'\u200b', U'\u2028',
                           U'\ue000', U'\u0378', U'\U0010FFFF'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    EXPECT_FALSE(is_printable(c));
  }
}

TEST(LowerCaseTest, FullMappingWithoutLocaleRules) {
  struct Case {
    std::string_view text;
    std::string_view lowered;
  };
  const std::vector<Case> cases = {
      {"My Tasks", "my tasks"},
      {"\u00dcBER Caf\u00c9", "\u00fcber caf\u00e9"},
      // One capital I with a dot becomes two code points, as no locale is applied.
      {"\u0130stanbul", "i\u0307stanbul"},
      {"ISTANBUL", "istanbul"},
      // A capital sigma ends a word as the final form.
      {"\u039f\u0394\u039f\u03a3 \u03a3\u0391", "\u03bf\u03b4\u03bf\u03c2 \u03c3\u03b1"},
      {"\u0416\U00010400", "\u0436\U00010428"},
      {"", ""},
      {"already 42 -_", "already 42 -_"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(to_lower(c.text), c.lowered);
  }
}

TEST(TrimTest, DropsUnicodeWhiteSpaceAtBothEndsOnly) {
  struct Case {
    std::string_view text;
    std::string_view trimmed;
  };
  const std::vector<Case> cases = {
      {"  exit  ", "exit"},
      {"\t1 + 2\r\n", "1 + 2"},
      // No-break, ideographic and em spaces, next line and the line separator are white space.
      {"\u00a0\u3000x = 1\u2003\u0085\u2028", "x = 1"},
      {"a \u3000 b", "a \u3000 b"},
      // A zero-width space and a byte-order mark are not white space.
      {"\u200bx\ufeff", "\u200bx\ufeff"},
      {" \xff ", "\xff"},
      {"\xc2", "\xc2"},  // the lead byte of a cut-off no-break space is not white space
      {" \v\f ", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(trim_unicode_white_space(c.text), c.trimmed);
  }
}

TEST(DisplayWidthTest, CountsTerminalColumns) {
  struct Case {
    std::string_view text;
    std::size_t width;
  };
  const std::vector<Case> cases = {
      {"", 0},
      {"test_hello", 10},
      {"caf\u00e9", 4},
      {"cafe\u0301", 4},    // a combining accent takes no column
      {"\u65e5\u672c", 4},  // wide characters take two
      {"\uFF21", 2},        // full-width A
      {"\U0001F600", 2},    // emoji
      {"a\u200bb", 2},      // zero-width space
      {"\u2014", 1},
      {"a\xFF", 2},  // an ill-formed byte counts as one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(display_width(c.text), c.width);
  }
}

}  // namespace
}  // namespace pellix
