// The vocabulary of the language: token kinds, the keyword table, positioned tokens and their
// debug text.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pellix {

// Every token kind, in numbering order. Four kinds carry a value: Integer, Decimal, StringLit
// and Identifier.
#define PX_TOKEN_KINDS(X)                                                                              \
  /* 0-6: literals and names */                                                                        \
  X(Integer)                                                                                           \
  X(Decimal)                                                                                           \
  X(StringLit)                                                                                         \
  X(True)                                                                                              \
  X(False)                                                                                             \
  X(Nothing)                                                                                           \
  X(Identifier) /* 7-24: punctuation and operators */                                                  \
  X(Equals)                                                                                            \
  X(Plus)                                                                                              \
  X(Minus) X(Star) X(Slash) X(Pipe) X(Dot) X(Comma) X(Colon) X(LeftParen) X(RightParen)                \
      X(LeftBracket) X(RightBracket) X(LeftBrace) X(RightBrace) X(Arrow) X(DollarSign)                 \
          X(Percent) /* 25-27: layout */                                                               \
      X(Indent) X(Dedent)                                                                              \
          X(Newline) /* 28-208: keywords, each spelled as its name in lower case */                    \
      X(App) X(Record) X(Agent) X(Team) X(To) X(Job) X(Page) X(Flow) X(Memory) X(Contract) X(          \
          Model) X(Reason) X(Read) X(Check) X(Expect) X(Explain) X(Prove) X(Remember) X(Recall)        \
          X(Forget) X(Learn) X(Teach) X(Doubt) X(Rethink) X(Reflect) X(Narrate) X(Sense) X(            \
              Compare) X(Debate) X(Blend) X(Imagine) X(Summarize) X(Translate) X(Create) X(Find)       \
              X(Update) X(Delete) X(Change) X(Save) X(Track) X(Send) X(Call) X(Run) X(Do) X(           \
                  Add) X(Remove) X(Notify) X(Flag) X(Undo) X(Ask) X(Log) X(If) X(Else)                 \
                  X(Otherwise) X(Match) X(For) X(Each) X(Repeat) X(                                    \
                      Return) X(Need) X(Try) X(Stop) X(Assume) X(But) X(Intend) X(Instead) X(Pause)    \
                      X(Resume) X(Pretend) X(Together) X(Unless) X(Wait) X(Until) X(And) X(Or) X(      \
                          Not) X(Is) X(Above) X(Below) X(Between) X(Contains) X(Exists)                \
                          X(Empty) X(Starts) X(Ends) X(With) X(Past) X(Future) X(Weekend) X(           \
                              Certain) X(Confident) X(Probable)                                        \
                              X(Uncertain) X(Doubtful) X(Pass) X(Refuse) X(                            \
                                  Rules) X(Trust) X(Allow) X(Approve) X(Reject) X(Prioritize)          \
                                  X(Prepare) X(Handoff) X(Watch) X(Opinionated) X(                     \
                                      Neutral) X(Critical) X(Empathetic) X(Perspective) X(Keep)        \
                                      X(Similar) X(Show) X(Form) X(                                    \
                                          Input) X(Button) X(Submit)                                   \
                                          X(Beside) X(Text) X(Chat) X(Live) X(Primary) X(Secondary) X( \
                                              Muted) X(Urgent) X(Danger) X(Today) X(Now) X(Every)      \
                                              X(After) X(At) X(In) X(Background) X(Expires) X(         \
                                                  Use) X(From) X(Python) X(Javascript) X(Shell)        \
                                                  X(Connect) X(Secret) X(                              \
                                                      Environment) X(On) X(Webhook)                    \
                                                      X(Event) X(Announce) X(Auth) X(Roles) X(         \
                                                          Can) X(Own) X(Confirm) X(Always)             \
                                                          X(Choices) X(As) X(Given) X(                 \
                                                              Of) X(Per) X(Many) X(All)                \
                                                              X(First) X(Last) X(Latest) X(            \
                                                                  Sorted) X(Ascending)                 \
                                                                  X(Descending) X(Reversed) X(         \
                                                                      Where) X(Max) X(About)           \
                                                                      X(Determine) X(Confidence) X(    \
                                                                          Ground) X(Budget)            \
                                                                          X(Costs) X(Most) X(Uses) X(  \
                                                                              Across) X(Sessions)      \
                                                                              X(Never) X(Human)        \
                                                                                  X(Like) /* 209:      \
                                                                                             end       \
                                                                                             of        \
                                                                                             input     \
                                                                                           */          \
      X(Eof)

enum class TokenKind : std::uint8_t {
#define PX_TOKEN_ENUMERATOR(name) name,
  PX_TOKEN_KINDS(PX_TOKEN_ENUMERATOR)
#undef PX_TOKEN_ENUMERATOR
};

inline constexpr std::size_t kTokenKindCount = 210;
inline constexpr std::size_t kKeywordCount = 184;

// The kind's name as written in debug text ("LeftParen", "Javascript").
std::string_view token_kind_name(TokenKind kind);

// The keyword kind for a complete word ("app" gives App), or nothing when the word is not a
// keyword. Matching is exact and case-sensitive.
std::optional<TokenKind> keyword_from_str(std::string_view word);

// A token kind with its value, if the kind carries one. Tokens are small values: the text of
// a StringLit or Identifier is a view into the source it was read from (see TokenList), so a
// token list costs a fixed few bytes a token.
class Token {
 public:
  // A token without a value (Colon, Newline, App, ...).
  constexpr Token(TokenKind kind = TokenKind::Eof) : kind_(kind) {}  // NOLINT: implicit on purpose

  static constexpr Token integer(std::int64_t number) {
    Token token(TokenKind::Integer);
    token.integer_ = number;
    return token;
  }
  static constexpr Token decimal(double number) {
    Token token(TokenKind::Decimal);
    token.decimal_ = number;
    return token;
  }
  // `text` must outlive the token.
  static constexpr Token string_lit(std::string_view text) {
    return with_text(TokenKind::StringLit, text);
  }
  static constexpr Token identifier(std::string_view text) {
    return with_text(TokenKind::Identifier, text);
  }
  // A temporary string would leave the token pointing at freed memory.
  template <typename T>
  requires std::same_as<T, std::string>
  static Token string_lit(T&&) = delete;
  template <typename T>
  requires std::same_as<T, std::string>
  static Token identifier(T&&) = delete;

  constexpr TokenKind kind() const { return kind_; }
  // The value of an Integer token (0 for other kinds).
  constexpr std::int64_t integer_value() const {
    return kind_ == TokenKind::Integer ? integer_ : 0;
  }
  // The value of a Decimal token (0 for other kinds).
  constexpr double decimal_value() const { return kind_ == TokenKind::Decimal ? decimal_ : 0; }
  // The text of a StringLit or Identifier token (empty for other kinds).
  constexpr std::string_view text() const {
    return has_text() ? std::string_view(text_, text_size_) : std::string_view();
  }

  // Kinds are equal and, for the kinds with a value, values are equal (numbers by value,
  // texts byte for byte).
  friend constexpr bool operator==(const Token& left, const Token& right) {
    if (left.kind_ != right.kind_) return false;
    if (left.kind_ == TokenKind::Integer) return left.integer_ == right.integer_;
    if (left.kind_ == TokenKind::Decimal) return left.decimal_ == right.decimal_;
    return left.text() == right.text();
  }

 private:
  static constexpr Token with_text(TokenKind kind, std::string_view text) {
    Token token(kind);
    token.text_ = text.data();
    token.text_size_ = static_cast<std::uint32_t>(text.size());
    return token;
  }
  constexpr bool has_text() const {
    return kind_ == TokenKind::StringLit || kind_ == TokenKind::Identifier;
  }

  TokenKind kind_;
  std::uint32_t text_size_ = 0;
  union {
    std::int64_t integer_ = 0;
    double decimal_;
    const char* text_;
  };
};

static_assert(sizeof(Token) == 16);

// A token with the 1-based line and column (counted in code points) of its first character.
struct SpannedToken {
  Token token;
  std::uint32_t line = 1;
  std::uint32_t column = 1;
};

// The tokens of one source text, together with that text, which their texts point into.
class TokenList {
 public:
  TokenList() = default;
  TokenList(std::unique_ptr<const std::string> source, std::vector<SpannedToken> tokens)
      : source_(std::move(source)), tokens_(std::move(tokens)) {}

  const SpannedToken* begin() const { return tokens_.data(); }
  const SpannedToken* end() const { return tokens_.data() + tokens_.size(); }
  const SpannedToken* data() const { return tokens_.data(); }
  std::size_t size() const { return tokens_.size(); }
  bool empty() const { return tokens_.empty(); }
  const SpannedToken& operator[](std::size_t index) const { return tokens_[index]; }
  const SpannedToken& back() const { return tokens_.back(); }

 private:
  std::unique_ptr<const std::string> source_;
  std::vector<SpannedToken> tokens_;
};

// Appends the debug text of a token: its kind's name, then the value in parentheses for the
// kinds that carry one ("Integer(5)", "Decimal(50.0)", "StringLit(\"My App\")").
void append_debug_text(std::string& out, const Token& token);
std::string debug_text(const Token& token);

// Writes the token dump: one line per token, "  " + line right-aligned in 4 + ":" + column
// left-aligned in 3 + "  " + debug text.
void write_token_dump(std::ostream& out, std::span<const SpannedToken> tokens);

}  // namespace pellix
