#include "token.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

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

// The keywords in an open-addressing hash table, so that a lookup is one or two probes.
// Keys are never 0, which marks an empty slot.
constexpr std::size_t kKeywordSlotBits = 10;
constexpr std::size_t kKeywordSlots = std::size_t{1} << kKeywordSlotBits;

constexpr std::size_t keyword_slot(std::uint64_t key) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> (64 - kKeywordSlotBits));
}

constexpr std::array<KeywordEntry, kKeywordSlots> build_keyword_table() {
  std::array<KeywordEntry, kKeywordSlots> table{};
  const auto add = [&](TokenKind kind) {
    const std::string_view name = kKindNames[static_cast<std::size_t>(kind)];
    const std::uint64_t key = pack_lowercased_name(name);
    std::size_t slot = keyword_slot(key);
    while (table[slot].key != 0) slot = (slot + 1) % kKeywordSlots;
    table[slot] = {key, kind};
  };
  add(TokenKind::True);
  add(TokenKind::False);
  add(TokenKind::Nothing);
  for (auto k = static_cast<std::size_t>(TokenKind::App);
       k < static_cast<std::size_t>(TokenKind::Eof); ++k) {
    add(static_cast<TokenKind>(k));
  }
  return table;
}

constexpr std::array<KeywordEntry, kKeywordSlots> kKeywords = build_keyword_table();

constexpr std::size_t count_keywords() {
  std::size_t count = 0;
  for (const KeywordEntry& entry : kKeywords) count += entry.key != 0 ? 1 : 0;
  return count;
}

static_assert(static_cast<std::size_t>(TokenKind::Eof) + 1 == kTokenKindCount);
static_assert(static_cast<std::size_t>(TokenKind::App) == 28);
static_assert(static_cast<std::size_t>(TokenKind::Like) == 208);
static_assert(count_keywords() == kKeywordCount);
static_assert(std::all_of(kKindNames.begin(), kKindNames.end(),
                          [](std::string_view name) { return name.size() <= kMaxKeywordLength; }));

// Writes "  " + line right-aligned in 4 + ":" + column left-aligned in 3 + "  " at `cursor`
// (at most 30 bytes) and yields the end.
char* write_position(char* cursor, std::uint32_t line, std::uint32_t column) {
  char digits[16];
  *cursor++ = ' ';
  *cursor++ = ' ';
  const char* line_end = std::to_chars(digits, digits + sizeof digits, line).ptr;
  for (auto width = line_end - digits; width < 4; ++width) *cursor++ = ' ';
  cursor = std::copy(static_cast<const char*>(digits), line_end, cursor);
  *cursor++ = ':';
  const char* column_end = std::to_chars(digits, digits + sizeof digits, column).ptr;
  cursor = std::copy(static_cast<const char*>(digits), column_end, cursor);
  for (auto width = column_end - digits; width < 3; ++width) *cursor++ = ' ';
  *cursor++ = ' ';
  *cursor++ = ' ';
  return cursor;
}

// Kind names padded to a fixed width, so that copying one is a single fixed-size move.
struct PaddedName {
  std::array<char, 16> bytes;
  std::size_t size;
};

constexpr std::array<PaddedName, kTokenKindCount> build_padded_names() {
  std::array<PaddedName, kTokenKindCount> names{};
  for (std::size_t k = 0; k < kTokenKindCount; ++k) {
    std::copy(kKindNames[k].begin(), kKindNames[k].end(), names[k].bytes.begin());
    names[k].size = kKindNames[k].size();
  }
  return names;
}

constexpr std::array<PaddedName, kTokenKindCount> kPaddedNames = build_padded_names();

// The dump is the one output that can run to many megabytes, so it is written through a
// fixed buffer with direct copies rather than by growing a string piece by piece.
class DumpWriter {
 public:
  explicit DumpWriter(std::ostream& out) : out_(out) {}
  ~DumpWriter() { flush(); }

  void write(const SpannedToken& spanned) {
    const Token& token = spanned.token;
    const std::string_view text = token.text();
    if (text.size() > kShortText || !is_plain_text(text)) {
      write_slowly(spanned);
      return;
    }
    if (used_ + kRoomPerShortToken > buffer_.size()) flush();
    char* cursor = write_position(buffer_.data() + used_, spanned.line, spanned.column);
    const PaddedName& name = kPaddedNames[static_cast<std::size_t>(token.kind())];
    std::memcpy(cursor, name.bytes.data(), name.bytes.size());
    cursor += name.size;
    if (token.kind() == TokenKind::StringLit || token.kind() == TokenKind::Identifier) {
      *cursor++ = '(';
      *cursor++ = '"';
      for (char c : text) *cursor++ = c;  // short: a loop beats a call
      *cursor++ = '"';
      *cursor++ = ')';
    } else if (token.kind() == TokenKind::Integer || token.kind() == TokenKind::Decimal) {
      scratch_.clear();
      append_debug_text(scratch_, token);
      for (std::size_t i = name.size; i < scratch_.size(); ++i) *cursor++ = scratch_[i];
    }
    *cursor++ = '\n';
    used_ = static_cast<std::size_t>(cursor - buffer_.data());
  }

 private:
  static constexpr std::size_t kShortText = 64;
  static constexpr std::size_t kRoomPerShortToken = 256;

  void write_slowly(const SpannedToken& spanned) {
    flush();
    scratch_.assign(32, ' ');
    scratch_.resize(static_cast<std::size_t>(
        write_position(scratch_.data(), spanned.line, spanned.column) - scratch_.data()));
    append_debug_text(scratch_, spanned.token);
    scratch_ += '\n';
    out_.write(scratch_.data(), static_cast<std::streamsize>(scratch_.size()));
  }

  void flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

  std::ostream& out_;
  std::array<char, 1 << 16> buffer_;
  std::size_t used_ = 0;
  std::string scratch_;
};

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
  for (std::size_t slot = keyword_slot(key);; slot = (slot + 1) % kKeywordSlots) {
    if (kKeywords[slot].key == key) return kKeywords[slot].kind;
    if (kKeywords[slot].key == 0) return std::nullopt;
  }
}

void append_debug_text(std::string& out, const Token& token) {
  out += token_kind_name(token.kind());
  const TokenKind kind = token.kind();
  if (kind == TokenKind::Integer) {
    const std::int64_t integer = token.integer_value();
    out += '(';
    if (integer < 0) out += '-';
    // Negate in unsigned arithmetic so that the most negative value prints too.
    const auto magnitude =
        integer < 0 ? 0 - static_cast<std::uint64_t>(integer) : static_cast<std::uint64_t>(integer);
    append_unsigned(out, magnitude);
    out += ')';
  } else if (kind == TokenKind::Decimal) {
    out += '(';
    append_decimal(out, token.decimal_value());
    out += ')';
  } else if (kind == TokenKind::StringLit || kind == TokenKind::Identifier) {
    out += "(\"";
    append_escaped_text(out, token.text());
    out += "\")";
  }
}

std::string debug_text(const Token& token) {
  std::string out;
  append_debug_text(out, token);
  return out;
}

void write_token_dump(std::ostream& out, std::span<const SpannedToken> tokens) {
  DumpWriter writer(out);
  for (const SpannedToken& spanned : tokens) writer.write(spanned);
}

}  // namespace pellix
