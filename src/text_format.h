// The number and text forms that output must show byte for byte. One function per form, so
// that every printer agrees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellix {

// Appends the shortest text that reads back to `value`, always with a fractional part
// ("50.0", "0.1"); magnitudes of 1e16 and above, or below 1e-4 but not zero, take exponent
// form without a plus sign ("1e16", "1.5e-5"). Non-finite values print as "inf", "-inf", "NaN".
void append_decimal(std::string& out, double value);
std::string format_decimal(double value);

// Appends the shortest text that reads back to `value` as a plain number, never in exponent
// form and without a fraction when the value is whole ("6", "2.5", "1000000000000000000000",
// "0.0000001", "-0"). Non-finite values print as "inf", "-inf", "NaN".
void append_plain_decimal(std::string& out, double value);
std::string format_plain_decimal(double value);

// Appends `value` correctly rounded to `decimals` (0 to 100) digits after the point, all of
// them printed ("0.8500" for 0.85 and 4); ties of the exact binary value go to even.
// Non-finite values print as "inf", "-inf", "NaN".
void append_fixed_decimal(std::string& out, double value, int decimals);

// A confidence: the number with exactly two decimals ("0.85").
void append_confidence(std::string& out, double value);
std::string format_confidence(double value);

// An amount of money in dollars: the number with exactly four decimals, without the dollar
// sign ("0.0000").
void append_money(std::string& out, double value);
std::string format_money(double value);

// True when `text` is all printable ASCII other than '"' and '\\': the escaped form is the
// text itself.
bool is_plain_text(std::string_view text);

// Appends `text` (UTF-8) with the escapes of the debug form, without the surrounding quotes:
// \" \\ \n \r \t, other non-printable characters as \u{hex}, everything else as it is.
void append_escaped_text(std::string& out, std::string_view text);

// Appends `code_point` as itself when it is printable and as \u{hex} otherwise.
void append_visible_code_point(std::string& out, char32_t code_point);

// "line {line}, column {column}: {message}", the text of every positioned error.
std::string format_positioned(std::size_t line, std::size_t column, std::string_view message);

// Appends `value` in decimal digits.
void append_unsigned(std::string& out, std::size_t value);

// Reads an unsigned decimal: an optional "+", then digits only, no larger than `maximum`;
// nothing for any other text.
std::optional<std::uint64_t> parse_unsigned(std::string_view text, std::uint64_t maximum);

}  // namespace pellix
