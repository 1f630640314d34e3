#include "text_format.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace pellix {
namespace {

TEST(DecimalFormatTest, PrintsShortestTextWithFractionOrExponent) {
  struct Case {
    double value;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {50.0, "50.0"},
      {15.0, "15.0"},
      {-7.0, "-7.0"},
      {0.1, "0.1"},
      {4.99, "4.99"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.0 / 3.0, "0.3333333333333333"},
      {123456789.125, "123456789.125"},
      {1e15, "1000000000000000.0"},
      {9999999999999998.0, "9999999999999998.0"},
      {1e16, "1e16"},
      {-1e16, "-1e16"},
      {1.5e16, "1.5e16"},
      {1e20, "1e20"},
      {1e100, "1e100"},
      {1.7976931348623157e308, "1.7976931348623157e308"},
      {1e-4, "0.0001"},
      {std::nextafter(1e-4, 0.0), "9.999999999999999e-5"},
      {0.00011, "0.00011"},
      {9.99e-5, "9.99e-5"},
      {1.5e-5, "1.5e-5"},
      {-2.5e-10, "-2.5e-10"},
      {5e-324, "5e-324"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(format_decimal(c.value), c.expected);
  }
}

// The significant digits of a number's text: no sign, point, exponent, or leading and
// trailing zeros.
std::string significant_digits(std::string_view text) {
  text = text.substr(0, text.find('e'));
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return "0";
  const std::size_t last = digits.find_last_not_of('0');
  return digits.substr(first, last - first + 1);
}

// The standard library's shortest text of `value`, in exponent form.
std::string shortest_scientific(double value) {
  std::array<char, 64> text{};
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::scientific);
  return std::string(text.data(), result.ptr);
}

TEST(DecimalFormatTest, EveryFiniteValueReadsBackFromItsShortestText) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 5000; ++i) {
    // Half are arbitrary bit patterns, half everyday magnitudes around the exponent-form limits.
    double value = std::bit_cast<double>(random());
    if (i % 2 == 0) {
      const double fraction = std::ldexp(static_cast<double>(random() >> 11), -53);
      value = std::ldexp(fraction, static_cast<int>(random() % 140) - 70);
    }
    if (!std::isfinite(value)) continue;
    const std::string text = format_decimal(value);
    SCOPED_TRACE(text);

    double read_back = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read_back);
    ASSERT_EQ(error, std::errc());
    ASSERT_EQ(end, text.data() + text.size());
    EXPECT_EQ(std::bit_cast<std::uint64_t>(read_back), std::bit_cast<std::uint64_t>(value));

    const double magnitude = std::fabs(value);
    const bool wants_exponent = magnitude != 0 && (magnitude >= 1e16 || magnitude < 1e-4);
    EXPECT_EQ(text.find('e') != std::string::npos, wants_exponent);
    if (!wants_exponent) {
      EXPECT_NE(text.find('.'), std::string::npos);
    }
    EXPECT_EQ(text.find('+'), std::string::npos);

    EXPECT_EQ(significant_digits(text), significant_digits(shortest_scientific(value)));
  }
}

TEST(PlainDecimalFormatTest, PrintsShortestDigitsWithoutExponentOrWholeFraction) {
  struct Case {
    double value;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {0.0, "0"},
      {-0.0, "-0"},
      {6.0, "6"},
      {-7.0, "-7"},
      {2.5, "2.5"},
      {3.5, "3.5"},
      {0.1, "0.1"},
      {-0.25, "-0.25"},
      {0.1 + 0.2, "0.30000000000000004"},
      {123456789.125, "123456789.125"},
      {1e15, "1000000000000000"},
      {1e16, "10000000000000000"},
      {1e21, "1000000000000000000000"},
      // The shortest digits, then zeros: not the exact binary value 99999999999999991611392.
      {1e23, "100000000000000000000000"},
      {1.5e25, "15000000000000000000000000"},
      {9007199254740993.0, "9007199254740992"},
      {1e-7, "0.0000001"},
      {1.5e-5, "0.000015"},
      {-2.5e-10, "-0.00000000025"},
      {0.001, "0.001"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(format_plain_decimal(c.value), c.expected);
  }
}

TEST(PlainDecimalFormatTest, ExtremesPrintEveryPlace) {
  const std::string smallest = format_plain_decimal(5e-324);
  EXPECT_EQ(smallest, "0." + std::string(323, '0') + "5");
  const std::string largest = format_plain_decimal(std::numeric_limits<double>::max());
  EXPECT_EQ(largest, "17976931348623157" + std::string(292, '0'));
}

TEST(PlainDecimalFormatTest, EveryFiniteValueReadsBackFromItsText) {
  std::mt19937_64 random(20240612);
  for (int i = 0; i < 5000; ++i) {
    double value = std::bit_cast<double>(random());
    if (i % 2 == 0) {
      const double fraction = std::ldexp(static_cast<double>(random() >> 11), -53);
      value = std::ldexp(fraction, static_cast<int>(random() % 200) - 100);
    }
    if (!std::isfinite(value)) continue;
    const std::string text = format_plain_decimal(value);
    SCOPED_TRACE(text);
    EXPECT_EQ(text.find_first_not_of("-0123456789."), std::string::npos);

    double read_back = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read_back);
    ASSERT_EQ(error, std::errc());
    ASSERT_EQ(end, text.data() + text.size());
    EXPECT_EQ(std::bit_cast<std::uint64_t>(read_back), std::bit_cast<std::uint64_t>(value));

    EXPECT_EQ(significant_digits(text), significant_digits(shortest_scientific(value)));
  }
}

TEST(FixedDecimalFormatTest, ConfidencesHaveTwoDecimalsCorrectlyRounded) {
  struct Case {
    double value;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {0.85, "0.85"},
      {0.5, "0.50"},
      {1.0, "1.00"},
      {0.0, "0.00"},
      // 0.845 is stored as 0.84499999999999997…, so it rounds down.
      {0.845, "0.84"},
      {0.855, "0.85"},  // stored as 0.85499999999999998…
      {0.8451, "0.85"},
      {0.999, "1.00"},
      {0.125, "0.12"},  // an exact tie goes to the even digit
      {0.375, "0.38"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(format_confidence(c.value), c.expected);
  }
}

TEST(FixedDecimalFormatTest, MoneyHasFourDecimalsCorrectlyRounded) {
  struct Case {
    double value;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {0.0, "0.0000"},
      {0.00005, "0.0001"},  // stored as 0.0000500000000000000024…
      {0.00004999, "0.0000"},
      {0.000015, "0.0000"},
      {0.0123456, "0.0123"},
      {1.23456, "1.2346"},
      {12.5, "12.5000"},
      {1e20, "100000000000000000000.0000"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(format_money(c.value), c.expected);
  }
}

TEST(FixedDecimalFormatTest, AppendsAnyNumberOfDecimals) {
  std::string out = "x=";
  append_fixed_decimal(out, 2.25, 1);
  out += ',';
  append_fixed_decimal(out, 2.5, 0);
  out += ',';
  append_fixed_decimal(out, 0.0009, 3);
  out += ',';
  append_fixed_decimal(out, -1.0, 2);
  EXPECT_EQ(out, "x=2.2,2,0.001,-1.00");

  // The largest double in full: its exact 309 digits, then the decimals.
  std::string largest;
  append_fixed_decimal(largest, std::numeric_limits<double>::max(), 4);
  EXPECT_EQ(largest.size(), 309U + 5U);
  EXPECT_EQ(largest.substr(0, 22), "1797693134862315708145");
  EXPECT_EQ(largest.substr(309), ".0000");
}

TEST(EscapedTextTest, EscapesQuotesBackslashesAndInvisibleCharacters) {
  struct Case {
    std::string_view text;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"Hello, {name}!", "Hello, {name}!"},
      {R"(say "hi")", R"(say \"hi\")"},
      {R"(C:\dir\n)", R"(C:\\dir\\n)"},
      {"one\ntwo\r\nthree\tfour", R"(one\ntwo\r\nthree\tfour)"},
      {std::string_view("\0", 1), R"(\u{0})"},
      {"\x01\x1b\x7f", R"(\u{1}\u{1b}\u{7f})"},
      {"caf\u00e9 na\u00efve \u4e2d\u6587", "caf\u00e9 na\u00efve \u4e2d\u6587"},
      {"\u2014 \u2500 \u2192 \U0001F600", "\u2014 \u2500 \u2192 \U0001F600"},
      {"a\u0085b", R"(a\u{85}b)"},
      {"a\u00a0b", R"(a\u{a0}b)"},
      {"a\u200bb", R"(a\u{200b}b)"},
      {"a\u2028b", R"(a\u{2028}b)"},
      {"a\ue000b", R"(a\u{e000}b)"},
      {"a\u0378b", R"(a\u{378}b)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string out = "<";
    append_escaped_text(out, c.text);
    EXPECT_EQ(out, "<" + std::string(c.expected));
  }
}

TEST(EscapedTextTest, VisibleCodePointsPrintAsThemselves) {
  std::string out;
  for (const char32_t code_point :
       {U'a', U' ', U'\u00e9', U'\u2014', U'\0', U'\n', U'\U0010FFFF'}) {
    append_visible_code_point(out, code_point);
    out += '|';
  }
  EXPECT_EQ(out, "a| |\u00e9|\u2014|\\u{0}|\\u{a}|\\u{10ffff}|");
}

TEST(UnsignedFormatTest, AppendsDecimalDigits) {
  std::string out = "n=";
  append_unsigned(out, 0);
  out += ',';
  append_unsigned(out, 42);
  out += ',';
  append_unsigned(out, std::numeric_limits<std::size_t>::max());
  EXPECT_EQ(out, "n=0,42,18446744073709551615");
}

}  // namespace
}  // namespace pellix
