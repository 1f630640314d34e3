// Texts placed into the document: escaping for each place, page slugs and the short texts of
// expressions.
#include <charconv>
#include <string>
#include <string_view>
#include <variant>

#include "html.h"
#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kUnevaluated = "...";

// Where a text lands: quotes need replacing only inside attribute values.
enum class Place { Text, Attribute };

// The reference that stands for `c` at `place`, or nothing when `c` stands for itself.
std::string_view html_reference(char c, Place place) {
  const bool quotes = place == Place::Attribute;
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return quotes ? "&quot;" : std::string_view();
    case '\'':
      return quotes ? "&#39;" : std::string_view();
  }
  return {};
}

// Runs without special characters are copied in one piece.
void append_escaped(std::string& out, std::string_view text, Place place) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view reference = html_reference(text[i], place);
    if (reference.empty()) continue;
    out.append(text, start, i - start);
    out += reference;
    start = i + 1;
  }
  out.append(text, start);
}

bool is_ascii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool is_ascii_alphanumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void append_hex4(std::string& out, unsigned value) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

struct ExpressionTextWriter {
  std::string& out;

  void operator()(const expr::Integer& e) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, e.value).ptr;
    out.append(digits, end);
  }
  void operator()(const expr::Decimal& e) { append_plain_decimal(out, e.value); }
  void operator()(const expr::StringLit& e) { out += e.value; }
  void operator()(const expr::Bool& e) { out += e.value ? "true" : "false"; }
  void operator()(const expr::Identifier& e) { out += e.name; }
  void operator()(const expr::MemberAccess& e) {
    append_expression_text(out, *e.object);
    out += '.';
    out += e.member;
  }
  // Every other form would need evaluating.
  template <typename Other>
  void operator()(const Other&) {
    out += kUnevaluated;
  }
};

}  // namespace

void append_html_text(std::string& out, std::string_view text) {
  append_escaped(out, text, Place::Text);
}

void append_html_attribute(std::string& out, std::string_view text) {
  append_escaped(out, text, Place::Attribute);
}

void append_script_string(std::string& out, std::string_view text) {
  out += '"';
  std::size_t offset = 0;
  while (offset < text.size()) {
    const DecodedCodePoint decoded = decode_utf8(text, offset);
    const char32_t c = decoded.code_point;
    // "<" and ">" could close the script element or open a comment inside it; U+2028 and
    // U+2029 end a line in older JavaScript.
    if (c < 0x20 || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' || c == 0x2028 ||
        c == 0x2029) {
      append_hex4(out, static_cast<unsigned>(c));
    } else if (decoded.is_valid) {
      out.append(text, offset, decoded.length);
    } else {
      append_utf8(out, kReplacementCharacter);
    }
    offset += decoded.length;
  }
  out += '"';
}

std::string page_route(std::string_view page_name) {
  std::string route = to_lower(page_name);
  for (char& c : route) {
    if (c == ' ') c = '-';
  }
  return route;
}

void append_page_slug(std::string& out, std::string_view name) {
  // Lowercasing ASCII text is the plain ASCII mapping, so the common case needs no copy.
  if (is_ascii(name)) {
    for (const char c : name) {
      const char lower = c == ' ' ? '-' : ascii_lower(c);
      if (lower == '-' || is_ascii_alphanumeric(lower)) out += lower;
    }
    return;
  }
  const std::string route = page_route(name);
  std::size_t offset = 0;
  while (offset < route.size()) {
    const DecodedCodePoint decoded = decode_utf8(route, offset);
    const char32_t c = decoded.code_point;
    const bool keep = c < 0x80 ? (c == '-' || is_ascii_alphanumeric(static_cast<char>(c)))
                               : decoded.is_valid && (is_alphabetic(c) || is_numeric(c));
    if (keep) out.append(route, offset, decoded.length);
    offset += decoded.length;
  }
}

std::string page_slug(std::string_view name) {
  std::string slug;
  append_page_slug(slug, name);
  return slug;
}

void append_expression_text(std::string& out, const Expression& expression) {
  std::visit(ExpressionTextWriter{out}, expression.node);
}

std::string expression_text(const Expression& expression) {
  std::string text;
  append_expression_text(text, expression);
  return text;
}

}  // namespace pellix
