// Reading a provider's answer without a JSON library: a string or count field found by its key,
// the provider's own error message, and the cost of the tokens a call used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellix {

// Yields the string value of the first `"name"` in `body` that stands as a key (followed by a
// colon), decoded as a JSON string; nothing when there is no such key or its value is not a
// string. An unterminated value yields what it holds up to the end of the body.
std::optional<std::string> find_string_field(std::string_view body, std::string_view name);

// Yields the run of decimal digits after the first `"name"` key in `body`; nothing when there
// is no such key, no digit or the number does not fit in 64 bits.
std::optional<std::uint64_t> find_count_field(std::string_view body, std::string_view name);

// Yields what a provider says went wrong in an answer without a reply: its first "message"
// string, else its first "error" string, else the whole answer.
std::string provider_error_message(std::string_view body);

// Yields the cost in US dollars of a call that used these token counts; a missing count adds
// nothing.
double token_cost(std::optional<std::uint64_t> input_tokens,
                  std::optional<std::uint64_t> output_tokens);

}  // namespace pellix
