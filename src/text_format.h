// The number and text forms that output must show byte for byte. One function per form, so
// that every printer agrees.
#pragma once

#include <string>
#include <string_view>

namespace pellix {

// Appends the shortest text that reads back to `value`, always with a fractional part
// ("50.0", "0.1"); magnitudes of 1e16 and above, or below 1e-4 but not zero, take exponent
// form without a plus sign ("1e16", "1.5e-5"). Non-finite values print as "inf", "-inf", "NaN".
void append_decimal(std::string& out, double value);
std::string format_decimal(double value);

// Appends `text` (UTF-8) with the escapes of the debug form, without the surrounding quotes:
// \" \\ \n \r \t, other non-printable characters as \u{hex}, everything else as it is.
void append_escaped_text(std::string& out, std::string_view text);

// Appends `code_point` as itself when it is printable and as \u{hex} otherwise.
void append_visible_code_point(std::string& out, char32_t code_point);

// Appends `value` in decimal digits.
void append_unsigned(std::string& out, std::size_t value);

}  // namespace pellix
