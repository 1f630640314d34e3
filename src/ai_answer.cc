// Answers are searched for keys rather than parsed whole: only a handful of fields matter and
// their place in the answer differs from provider to provider.
#include "ai_answer.h"

#include <charconv>
#include <utility>

#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kEmptyAnswer = "empty answer";
constexpr double kInputPrice = 0.000003;   // US dollars per token
constexpr double kOutputPrice = 0.000015;  // US dollars per token

constexpr std::size_t kNotFound = std::string_view::npos;

std::size_t skip_white_space(std::string_view body, std::size_t at) {
  while (at < body.size()) {
    const DecodedCodePoint decoded = decode_utf8(body, at);
    if (!decoded.is_valid || !is_white_space(decoded.code_point)) break;
    at += decoded.length;
  }
  return at;
}

// The offset just past the colon of the first `"name"` that is a key. The same quoted text
// standing as a value (as in "type":"text") is passed over.
std::size_t find_value(std::string_view body, std::string_view name) {
  const std::string quoted = "\"" + std::string(name) + "\"";
  for (std::size_t at = body.find(quoted); at != kNotFound; at = body.find(quoted, at + 1)) {
    const std::size_t after = skip_white_space(body, at + quoted.size());
    if (after < body.size() && body[after] == ':') return after + 1;
  }
  return kNotFound;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The four hex digits of a \u escape that starts at `at`, or nothing.
std::optional<char32_t> unicode_escape(std::string_view body, std::size_t at) {
  if (at + 6 > body.size() || body[at] != '\\' || body[at + 1] != 'u') return std::nullopt;
  char32_t value = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    const int digit = hex_digit(body[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<char32_t>(digit);
  }
  return value;
}

bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Appends the character of the \u escape at `at` (a surrogate pair takes two escapes) and
// yields the offset after it. A surrogate without its partner becomes U+FFFD, so the text
// stays well-formed; an escape without four hex digits is kept as written.
std::size_t decode_unicode_escape(std::string_view body, std::size_t at, std::string& out) {
  const std::optional<char32_t> first = unicode_escape(body, at);
  if (!first) {
    out += "\\u";
    return at + 2;
  }
  if (is_high_surrogate(*first)) {
    const std::optional<char32_t> second = unicode_escape(body, at + 6);
    if (second && is_low_surrogate(*second)) {
      append_utf8(out, 0x10000 + ((*first - 0xD800) << 10) + (*second - 0xDC00));
      return at + 12;
    }
  }
  append_utf8(
      out, is_high_surrogate(*first) || is_low_surrogate(*first) ? kReplacementCharacter : *first);
  return at + 6;
}

// Decodes the JSON string whose text starts at `at` up to its closing quote or the end of the
// body. Escapes that JSON does not know are kept as written; a backslash that ends the body
// is dropped.
std::string decode_string(std::string_view body, std::size_t at) {
  std::string out;
  while (at < body.size()) {
    const std::size_t special = body.find_first_of("\"\\", at);
    if (special == kNotFound) {
      out.append(body.substr(at));
      break;
    }
    out.append(body.substr(at, special - at));
    at = special;
    if (body[at] == '"' || at + 1 == body.size()) break;
    const char escaped = body[at + 1];
    switch (escaped) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case '"':
      case '\\':
      case '/':
        out += escaped;
        break;
      case 'u':
        at = decode_unicode_escape(body, at, out);
        continue;
      default:
        out += '\\';
        out += escaped;
    }
    at += 2;
  }
  return out;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == kNotFound) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::optional<std::string> find_string_field(std::string_view body, std::string_view name) {
  std::size_t at = find_value(body, name);
  if (at == kNotFound) return std::nullopt;
  at = skip_white_space(body, at);
  if (at >= body.size() || body[at] != '"') return std::nullopt;
  return decode_string(body, at + 1);
}

std::optional<std::uint64_t> find_count_field(std::string_view body, std::string_view name) {
  std::size_t at = find_value(body, name);
  if (at == kNotFound) return std::nullopt;
  at = skip_white_space(body, at);
  std::uint64_t count = 0;
  const char* first = body.data() + at;
  const char* last = body.data() + body.size();
  // from_chars takes no sign, so a negative count is no count.
  const auto [end, error] = std::from_chars(first, last, count);
  if (error != std::errc() || end == first) return std::nullopt;
  return count;
}

std::string provider_error_message(std::string_view body) {
  for (const std::string_view field : {"message", "error"}) {
    std::optional<std::string> message = find_string_field(body, field);
    if (message && !message->empty()) return std::move(*message);
  }
  const std::string_view whole = trimmed(body);
  return std::string(whole.empty() ? kEmptyAnswer : whole);
}

double token_cost(std::optional<std::uint64_t> input_tokens,
                  std::optional<std::uint64_t> output_tokens) {
  return static_cast<double>(input_tokens.value_or(0)) * kInputPrice +
         static_cast<double>(output_tokens.value_or(0)) * kOutputPrice;
}

}  // namespace pellix
