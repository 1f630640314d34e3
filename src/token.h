// The vocabulary of the language: token kinds, the keyword table, positioned tokens and their
// debug text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pellix {

// Every token kind, in numbering order. Four kinds carry a value: Integer, Decimal, StringLit
// and Identifier.
#define PX_TOKEN_KINDS(X) \
  /* 0-6: literals and names */ \
  X(Integer) X(Decimal) X(StringLit) X(True) X(False) X(Nothing) X(Identifier) \
  /* 7-24: punctuation and operators */ \
  X(Equals) X(Plus) X(Minus) X(Star) X(Slash) X(Pipe) X(Dot) X(Comma) X(Colon) X(LeftParen) \
  X(RightParen) X(LeftBracket) X(RightBracket) X(LeftBrace) X(RightBrace) X(Arrow) X(DollarSign) \
  X(Percent) \
  /* 25-27: layout */ \
  X(Indent) X(Dedent) X(Newline) \
  /* 28-208: keywords, each spelled as its name in lower case */ \
  X(App) X(Record) X(Agent) X(Team) X(To) X(Job) X(Page) X(Flow) X(Memory) X(Contract) X(Model) \
  X(Reason) X(Read) X(Check) X(Expect) X(Explain) X(Prove) X(Remember) X(Recall) X(Forget) \
  X(Learn) X(Teach) X(Doubt) X(Rethink) X(Reflect) X(Narrate) X(Sense) X(Compare) X(Debate) \
  X(Blend) X(Imagine) X(Summarize) X(Translate) X(Create) X(Find) X(Update) X(Delete) X(Change) \
  X(Save) X(Track) X(Send) X(Call) X(Run) X(Do) X(Add) X(Remove) X(Notify) X(Flag) X(Undo) \
  X(Ask) X(Log) X(If) X(Else) X(Otherwise) X(Match) X(For) X(Each) X(Repeat) X(Return) X(Need) \
  X(Try) X(Stop) X(Assume) X(But) X(Intend) X(Instead) X(Pause) X(Resume) X(Pretend) X(Together) \
  X(Unless) X(Wait) X(Until) X(And) X(Or) X(Not) X(Is) X(Above) X(Below) X(Between) X(Contains) \
  X(Exists) X(Empty) X(Starts) X(Ends) X(With) X(Past) X(Future) X(Weekend) X(Certain) \
  X(Confident) X(Probable) X(Uncertain) X(Doubtful) X(Pass) X(Refuse) X(Rules) X(Trust) X(Allow) \
  X(Approve) X(Reject) X(Prioritize) X(Prepare) X(Handoff) X(Watch) X(Opinionated) X(Neutral) \
  X(Critical) X(Empathetic) X(Perspective) X(Keep) X(Similar) X(Show) X(Form) X(Input) X(Button) \
  X(Submit) X(Beside) X(Text) X(Chat) X(Live) X(Primary) X(Secondary) X(Muted) X(Urgent) \
  X(Danger) X(Today) X(Now) X(Every) X(After) X(At) X(In) X(Background) X(Expires) X(Use) \
  X(From) X(Python) X(Javascript) X(Shell) X(Connect) X(Secret) X(Environment) X(On) X(Webhook) \
  X(Event) X(Announce) X(Auth) X(Roles) X(Can) X(Own) X(Confirm) X(Always) X(Choices) X(As) \
  X(Given) X(Of) X(Per) X(Many) X(All) X(First) X(Last) X(Latest) X(Sorted) X(Ascending) \
  X(Descending) X(Reversed) X(Where) X(Max) X(About) X(Determine) X(Confidence) X(Ground) \
  X(Budget) X(Costs) X(Most) X(Uses) X(Across) X(Sessions) X(Never) X(Human) X(Like) \
  /* 209: end of input */ \
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

// A token kind with its value, if the kind carries one.
struct Token {
  using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

  TokenKind kind = TokenKind::Eof;
  Value value;

  static Token integer(std::int64_t number) { return {TokenKind::Integer, number}; }
  static Token decimal(double number) { return {TokenKind::Decimal, number}; }
  static Token string_lit(std::string text) { return {TokenKind::StringLit, std::move(text)}; }
  static Token identifier(std::string text) { return {TokenKind::Identifier, std::move(text)}; }

  // Kinds are equal and, for the kinds with a value, values are equal (numbers by value,
  // texts byte for byte).
  friend bool operator==(const Token& left, const Token& right) {
    return left.kind == right.kind && left.value == right.value;
  }
};

// A token with the 1-based line and column (counted in code points) of its first character.
struct SpannedToken {
  Token token;
  std::size_t line = 1;
  std::size_t column = 1;
};

// Appends the debug text of a token: its kind's name, then the value in parentheses for the
// kinds that carry one ("Integer(5)", "Decimal(50.0)", "StringLit(\"My App\")").
void append_debug_text(std::string& out, const Token& token);
std::string debug_text(const Token& token);

// Writes the token dump: one line per token, "  " + line right-aligned in 4 + ":" + column
// left-aligned in 3 + "  " + debug text.
void write_token_dump(std::ostream& out, const std::vector<SpannedToken>& tokens);

}  // namespace pellix
