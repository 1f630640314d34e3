#include "token.h"

#include <algorithm>
#include <array>

#include "text_format.h"

namespace pellix {
namespace {

constexpr std::array<std::string_view, kTokenKindCount> kKindNames = {
#define PX_TOKEN_NAME(name) #name,
    PX_TOKEN_KINDS(PX_TOKEN_NAME)
#undef PX_TOKEN_NAME
};

// Keywords are short runs of lower-case ASCII letters, so each packs into one integer at five
// bits a letter; the table is a sorted array of those keys, searched without allocating.
constexpr std::size_t kMaxKeywordLength = 12;

constexpr std::uint64_t pack_letter(std::uint64_t key, char letter) {
  return key * 32 + static_cast<std::uint64_t>(letter - 'a' + 1);
}

struct KeywordEntry {
  std::uint64_t key;
  TokenKind kind;
};

constexpr std::uint64_t pack_lowercased_name(std::string_view name) {
  std::uint64_t key = 0;
  for (char c : name) key = pack_letter(key, c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return key;
}

constexpr std::array<KeywordEntry, kKeywordCount> build_keyword_table() {
  std::array<KeywordEntry, kKeywordCount> table{};
  std::size_t count = 0;
  const auto add = [&](TokenKind kind) {
    const std::string_view name = kKindNames[static_cast<std::size_t>(kind)];
    table[count++] = {pack_lowercased_name(name), kind};
  };
  add(TokenKind::True);
  add(TokenKind::False);
  add(TokenKind::Nothing);
  for (auto k = static_cast<std::size_t>(TokenKind::App); k < static_cast<std::size_t>(TokenKind::Eof);
       ++k) {
    add(static_cast<TokenKind>(k));
  }
  std::sort(table.begin(), table.end(),
            [](const KeywordEntry& a, const KeywordEntry& b) { return a.key < b.key; });
  return table;
}

constexpr std::array<KeywordEntry, kKeywordCount> kKeywords = build_keyword_table();

static_assert(static_cast<std::size_t>(TokenKind::Eof) + 1 == kTokenKindCount);
static_assert(static_cast<std::size_t>(TokenKind::App) == 28);
static_assert(static_cast<std::size_t>(TokenKind::Like) == 208);
static_assert(std::adjacent_find(kKeywords.begin(), kKeywords.end(),
                                 [](const KeywordEntry& a, const KeywordEntry& b) {
                                   return a.key == b.key;
                                 }) == kKeywords.end(),
              "keyword spellings must be distinct");
static_assert(std::all_of(kKindNames.begin(), kKindNames.end(),
                          [](std::string_view name) { return name.size() <= kMaxKeywordLength; }));

void append_padded_left(std::string& out, std::size_t value, std::size_t width) {
  const std::size_t start = out.size();
  append_unsigned(out, value);
  const std::size_t written = out.size() - start;
  if (written < width) out.insert(start, width - written, ' ');
}

void append_padded_right(std::string& out, std::size_t value, std::size_t width) {
  const std::size_t start = out.size();
  append_unsigned(out, value);
  const std::size_t written = out.size() - start;
  if (written < width) out.append(width - written, ' ');
}

}  // namespace

std::string_view token_kind_name(TokenKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

std::optional<TokenKind> keyword_from_str(std::string_view word) {
  if (word.empty() || word.size() > kMaxKeywordLength) return std::nullopt;
  std::uint64_t key = 0;
  for (char c : word) {
    if (c < 'a' || c > 'z') return std::nullopt;
    key = pack_letter(key, c);
  }
  const auto found =
      std::lower_bound(kKeywords.begin(), kKeywords.end(), key,
                       [](const KeywordEntry& entry, std::uint64_t k) { return entry.key < k; });
  if (found == kKeywords.end() || found->key != key) return std::nullopt;
  return found->kind;
}

void append_debug_text(std::string& out, const Token& token) {
  out += token_kind_name(token.kind);
  if (const auto* integer = std::get_if<std::int64_t>(&token.value)) {
    out += '(';
    if (*integer < 0) out += '-';
    // Negate in unsigned arithmetic so that the most negative value prints too.
    const auto magnitude = *integer < 0 ? 0 - static_cast<std::uint64_t>(*integer)
                                        : static_cast<std::uint64_t>(*integer);
    append_unsigned(out, magnitude);
    out += ')';
  } else if (const auto* decimal = std::get_if<double>(&token.value)) {
    out += '(';
    append_decimal(out, *decimal);
    out += ')';
  } else if (const auto* text = std::get_if<std::string>(&token.value)) {
    out += "(\"";
    append_escaped_text(out, *text);
    out += "\")";
  }
}

std::string debug_text(const Token& token) {
  std::string out;
  append_debug_text(out, token);
  return out;
}

void write_token_dump(std::ostream& out, const std::vector<SpannedToken>& tokens) {
  constexpr std::size_t kFlushSize = 1 << 16;
  std::string buffer;
  buffer.reserve(kFlushSize + 256);
  for (const SpannedToken& spanned : tokens) {
    buffer += "  ";
    append_padded_left(buffer, spanned.line, 4);
    buffer += ':';
    append_padded_right(buffer, spanned.column, 3);
    buffer += "  ";
    append_debug_text(buffer, spanned.token);
    buffer += '\n';
    if (buffer.size() >= kFlushSize) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

}  // namespace pellix
