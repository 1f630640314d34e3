// The `parse` dump. DebugWriter knows the six shapes of the printed form (record, tuple,
// field, list, optional, pair) and the indentation; each node printer below only lists its
// fields. Everything is appended to one string, so the dump is linear in the size of the tree.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "ast.h"
#include "text_format.h"

namespace pellix {
namespace {

using std::string_view_literals::operator""sv;

class DebugWriter;

// One `write` per value type. They are all declared here so that the writer's templates see
// every overload, whatever order the definitions come in.
void write(DebugWriter& w, const std::string& text);
void write(DebugWriter& w, std::int64_t value);
void write(DebugWriter& w, double value);
void write(DebugWriter& w, bool value);
template <typename T>
void write(DebugWriter& w, const Box<T>& box);
template <typename T>
void write(DebugWriter& w, const std::vector<T>& items);
template <typename T>
void write(DebugWriter& w, const std::optional<T>& value);
template <typename First, typename Second>
void write(DebugWriter& w, const std::pair<First, Second>& entry);

void write(DebugWriter& w, BinaryOperator op);
void write(DebugWriter& w, ComparisonOperator op);
void write(DebugWriter& w, RuleKind kind);
void write(DebugWriter& w, const FieldType& type);

void write(DebugWriter& w, const Expression& expression);
void write(DebugWriter& w, const ReasonExpr& reason);

void write(DebugWriter& w, const Statement& statement);
void write(DebugWriter& w, const CheckCondition& condition);
void write(DebugWriter& w, const CheckExpr& check);
void write(DebugWriter& w, const SendExpr& send);
void write(DebugWriter& w, const CallApiExpr& call);
void write(DebugWriter& w, const CreateExpr& create);
void write(DebugWriter& w, const UpdateExpr& update);
void write(DebugWriter& w, const DeleteExpr& deletion);
void write(DebugWriter& w, const MatchArm& arm);
void write(DebugWriter& w, const ConfidenceArm& arm);

void write(DebugWriter& w, const PageItem& item);
void write(DebugWriter& w, const ShowOption& option);
void write(DebugWriter& w, const ShowDecl& show);
void write(DebugWriter& w, const InputDecl& input);
void write(DebugWriter& w, const SubmitDecl& submit);
void write(DebugWriter& w, const FormDecl& form);
void write(DebugWriter& w, const ButtonAction& button_action);
void write(DebugWriter& w, const ButtonDecl& button);
void write(DebugWriter& w, const PanelDecl& panel);
void write(DebugWriter& w, const CardDecl& card);

void write(DebugWriter& w, const Declaration& declaration);
void write(DebugWriter& w, const AppDecl& app);
void write(DebugWriter& w, const BrandDecl& brand);
void write(DebugWriter& w, const RecordDecl& record);
void write(DebugWriter& w, const FieldDecl& field);
void write(DebugWriter& w, const AgentDecl& agent);
void write(DebugWriter& w, const CostLimit& limit);
void write(DebugWriter& w, const RateLimit& limit);
void write(DebugWriter& w, const RuleDecl& rule);
void write(DebugWriter& w, const RefuseDecl& refuse);
void write(DebugWriter& w, const PassToDecl& pass_to);
void write(DebugWriter& w, const PrioritizeRule& rule);
void write(DebugWriter& w, const TeamDecl& team);
void write(DebugWriter& w, const Param& param);
void write(DebugWriter& w, const FunctionDecl& function);
void write(DebugWriter& w, const JobDecl& job);
void write(DebugWriter& w, const FlowDecl& flow);
void write(DebugWriter& w, const PageDecl& page_decl);
void write(DebugWriter& w, const UseDecl& use);
void write(DebugWriter& w, const AlwaysDecl& always);
void write(DebugWriter& w, const ChoicesDecl& choices);

// Every value starts where the cursor is; its later lines are indented to `depth_`, the level
// of the line it started on, and nested values go one level deeper.
class DebugWriter {
 public:
  // Collects the text; with a `sink`, hands it over in blocks as it grows, so a large dump
  // never sits in memory whole.
  explicit DebugWriter(std::ostream* sink = nullptr) : sink_(sink) {
    buffer_.resize(2 * kFlushSize);
    cursor_ = buffer_.data();
    end_ = buffer_.data() + buffer_.size();
  }

  // Passes everything written so far to the sink, or with no sink, yields it.
  std::string finish() {
    buffer_.resize(used());
    if (sink_ == nullptr) return std::move(buffer_);
    sink_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    return {};
  }

  // Name " {", one line per field written by `fields`, "}".
  template <typename Fields>
  void record(std::string_view name, Fields&& fields) {
    put(name);
    put(" {\n"sv);
    ++depth_;
    fields();
    --depth_;
    indent();
    put('}');
  }

  template <typename T>
  void field(std::string_view name, const T& value) {
    indent();
    put(name);
    put(": "sv);
    write(*this, value);
    put(",\n"sv);
  }

  // Name "(", each value on its own line, ")".
  template <typename... Values>
  void tuple(std::string_view name, const Values&... values) {
    put(name);
    put("(\n"sv);
    ++depth_;
    (element(values), ...);
    --depth_;
    indent();
    put(')');
  }

  void bare(std::string_view name) { put(name); }

  template <typename T>
  void list(const std::vector<T>& items) {
    if (items.empty()) {
      put("[]"sv);
      return;
    }
    put("[\n"sv);
    ++depth_;
    for (const T& item : items) element(item);
    --depth_;
    indent();
    put(']');
  }

  template <typename T>
  void optional(const std::optional<T>& value) {
    if (value) {
      tuple("Some", *value);
    } else {
      put("None"sv);
    }
  }

  template <typename First, typename Second>
  void pair(const std::pair<First, Second>& entry) {
    put("(\n"sv);
    ++depth_;
    element(entry.first);
    element(entry.second);
    --depth_;
    indent();
    put(')');
  }

  void text(std::string_view value) {
    put('"');
    if (is_plain_text(value)) {
      put(value);  // nothing to escape, the common case
    } else {
      scratch_.clear();
      append_escaped_text(scratch_, value);
      put(scratch_);
    }
    put('"');
  }

  void integer(std::int64_t value) {
    std::array<char, 24> digits{};
    char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    put(std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data())));
  }

  void decimal(double value) {
    scratch_.clear();
    append_decimal(scratch_, value);
    put(scratch_);
  }

  void flag(bool value) { put(value ? "true"sv : "false"sv); }

 private:
  template <typename T>
  void element(const T& value) {
    indent();
    write(*this, value);
    put(",\n"sv);
  }

  // Every line starts here, which makes it the place to pass full blocks on.
  void indent() {
    if (sink_ != nullptr && used() >= kFlushSize) {
      sink_->write(buffer_.data(), static_cast<std::streamsize>(used()));
      cursor_ = buffer_.data();
    }
    std::size_t width = depth_ * 4;
    // Most lines are indented less than 64 columns: copy a fixed 64 spaces (one cheap move)
    // and keep as many as needed.
    if (width <= kFixedIndent && static_cast<std::size_t>(end_ - cursor_) >= kFixedIndent) {
      std::memcpy(cursor_, kSpaces.data(), kFixedIndent);
      cursor_ += width;
      return;
    }
    for (; width > kSpaces.size(); width -= kSpaces.size()) put(kSpaces);
    put(kSpaces.substr(0, width));
  }

  // The text goes into a buffer kept larger than its content, so a piece is one plain copy.
  [[gnu::always_inline]] void put(std::string_view piece) {
    if (static_cast<std::size_t>(end_ - cursor_) < piece.size()) grow(piece.size());
    std::memcpy(cursor_, piece.data(), piece.size());
    cursor_ += piece.size();
  }

  [[gnu::always_inline]] void put(char c) {
    if (cursor_ == end_) grow(1);
    *cursor_++ = c;
  }

  std::size_t used() const { return static_cast<std::size_t>(cursor_ - buffer_.data()); }

  void grow(std::size_t needed) {
    const std::size_t length = used();
    buffer_.resize(std::max(buffer_.size() * 2, length + needed + kFlushSize));
    cursor_ = buffer_.data() + length;
    end_ = buffer_.data() + buffer_.size();
  }

  static constexpr std::string_view kSpaces =
      "                                                                                "
      "                                                                                ";

  static constexpr std::size_t kFlushSize = 1 << 16;
  static constexpr std::size_t kFixedIndent = 64;

  std::ostream* sink_;
  std::string buffer_;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
  std::string scratch_;
  std::size_t depth_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Plain values and containers

void write(DebugWriter& w, const std::string& text) { w.text(text); }
void write(DebugWriter& w, std::int64_t value) { w.integer(value); }
void write(DebugWriter& w, double value) { w.decimal(value); }
void write(DebugWriter& w, bool value) { w.flag(value); }

template <typename T>
void write(DebugWriter& w, const Box<T>& box) {
  write(w, *box);
}

template <typename T>
void write(DebugWriter& w, const std::vector<T>& items) {
  w.list(items);
}

template <typename T>
void write(DebugWriter& w, const std::optional<T>& value) {
  w.optional(value);
}

template <typename First, typename Second>
void write(DebugWriter& w, const std::pair<First, Second>& entry) {
  w.pair(entry);
}

void write(DebugWriter& w, BinaryOperator op) { w.bare(binary_operator_name(op)); }
void write(DebugWriter& w, ComparisonOperator op) { w.bare(comparison_operator_name(op)); }
void write(DebugWriter& w, RuleKind kind) { w.bare(rule_kind_name(kind)); }

void write(DebugWriter& w, const FieldType& type) {
  const std::string_view name = field_type_name(type.kind);
  switch (type.kind) {
    case FieldTypeKind::List:
      w.tuple(name, *type.element);
      return;
    case FieldTypeKind::Custom:
      w.tuple(name, type.name);
      return;
    case FieldTypeKind::Text:
    case FieldTypeKind::LongText:
    case FieldTypeKind::SecretText:
    case FieldTypeKind::Int:
    case FieldTypeKind::WholeNumber:
    case FieldTypeKind::Number:
    case FieldTypeKind::Currency:
    case FieldTypeKind::Percentage:
    case FieldTypeKind::Date:
    case FieldTypeKind::DateTime:
    case FieldTypeKind::TimeSpan:
    case FieldTypeKind::Bool:
    case FieldTypeKind::YesOrNo:
    case FieldTypeKind::Email:
    case FieldTypeKind::Phone:
    case FieldTypeKind::Link:
    case FieldTypeKind::File:
    case FieldTypeKind::Files:
    case FieldTypeKind::Image:
    case FieldTypeKind::Pdf:
    case FieldTypeKind::Csv:
    case FieldTypeKind::Address:
    case FieldTypeKind::Color:
    case FieldTypeKind::Signature:
      w.bare(name);
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Expressions

// One overload per alternative and no catch-all, so a new alternative fails to compile here
// until it is printed. The variant's name comes from the shared name table.
struct ExpressionPrinter {
  DebugWriter& w;
  std::string_view name;

  void operator()(const expr::Integer& e) const { w.tuple(name, e.value); }
  void operator()(const expr::Decimal& e) const { w.tuple(name, e.value); }
  void operator()(const expr::StringLit& e) const { w.tuple(name, e.value); }
  void operator()(const expr::Bool& e) const { w.tuple(name, e.value); }
  void operator()(const expr::Nothing&) const { w.bare(name); }
  void operator()(const expr::Identifier& e) const { w.tuple(name, e.name); }
  void operator()(const expr::List& e) const { w.tuple(name, e.items); }
  void operator()(const expr::Map& e) const { w.tuple(name, e.entries); }
  void operator()(const expr::MemberAccess& e) const { w.tuple(name, e.object, e.member); }
  void operator()(const expr::FunctionCall& e) const { w.tuple(name, e.callee, e.args); }
  void operator()(const expr::BinaryOp& e) const {
    w.record(name, [&] {
      w.field("left", e.left);
      w.field("op", e.op);
      w.field("right", e.right);
    });
  }
  void operator()(const expr::UnaryNot& e) const { w.tuple(name, e.operand); }
  void operator()(const expr::Comparison& e) const {
    w.record(name, [&] {
      w.field("left", e.left);
      w.field("op", e.op);
      w.field("right", e.right);
    });
  }
  void operator()(const expr::LogicalAnd& e) const { w.tuple(name, e.left, e.right); }
  void operator()(const expr::LogicalOr& e) const { w.tuple(name, e.left, e.right); }
  void operator()(const expr::Pipe& e) const { w.tuple(name, e.left, e.right); }
  void operator()(const expr::SumOf& e) const { w.tuple(name, e.collection); }
  void operator()(const Box<ReasonExpr>& e) const { w.tuple(name, *e); }
  void operator()(const expr::SenseExpr& e) const { w.tuple(name, e.subject); }
  void operator()(const expr::TranslateExpr& e) const { w.tuple(name, e.subject, e.language); }
  void operator()(const expr::SummarizeExpr& e) const { w.tuple(name, e.subject, e.style); }
  void operator()(const expr::DebateExpr& e) const {
    w.record(name, [&] {
      w.field("topic", e.topic);
      w.field("rounds", e.rounds);
    });
  }
  void operator()(const expr::BlendExpr& e) const { w.tuple(name, e.sources); }
  void operator()(const expr::ImagineExpr& e) const {
    w.record(name, [&] {
      w.field("scenario", e.scenario);
      w.field("context", e.context);
    });
  }
  void operator()(const expr::RethinkExpr& e) const {
    w.record(name, [&] {
      w.field("original", e.original);
      w.field("challenges", e.challenges);
    });
  }
  void operator()(const expr::CompareExpr& e) const {
    w.record(name, [&] {
      w.field("left", e.left);
      w.field("right", e.right);
      w.field("criteria", e.criteria);
    });
  }
};

void write(DebugWriter& w, const Expression& expression) {
  std::visit(ExpressionPrinter{w, expression_name(expression)}, expression.node);
}

void write(DebugWriter& w, const ReasonExpr& reason) {
  w.record("ReasonExpr", [&] {
    w.field("target", reason.target);
    w.field("about", reason.about);
    w.field("action", reason.action);
    w.field("given", reason.given);
    w.field("determine", reason.determine);
    w.field("confidence_required", reason.confidence_required);
    w.field("ground_in", reason.ground_in);
    w.field("explain", reason.explain);
    w.field("express_doubt", reason.express_doubt);
    w.field("stance", reason.stance);
    w.field("explain_like", reason.explain_like);
    w.field("budget", reason.budget);
    w.field("keep_for", reason.keep_for);
    w.field("on_unsure", reason.on_unsure);
    w.field("on_confused", reason.on_confused);
    w.field("on_too_expensive", reason.on_too_expensive);
  });
}

// ---------------------------------------------------------------------------------------------
// Statements and the records they hold

struct StatementPrinter {
  DebugWriter& w;
  std::string_view name;

  void operator()(const stmt::Assignment& s) const {
    w.record(name, [&] {
      w.field("name", s.name);
      w.field("value", s.value);
    });
  }
  void operator()(const stmt::Change& s) const {
    w.record(name, [&] {
      w.field("target", s.target);
      w.field("field", s.field);
      w.field("value", s.value);
    });
  }
  void operator()(const stmt::If& s) const {
    w.record(name, [&] {
      w.field("condition", s.condition);
      w.field("then_body", s.then_body);
      w.field("else_ifs", s.else_ifs);
      w.field("else_body", s.else_body);
    });
  }
  void operator()(const stmt::Match& s) const {
    w.record(name, [&] {
      w.field("expression", s.expression);
      w.field("arms", s.arms);
    });
  }
  void operator()(const stmt::ConfidenceMatch& s) const {
    w.record(name, [&] {
      w.field("expression", s.expression);
      w.field("arms", s.arms);
    });
  }
  void operator()(const stmt::ForEach& s) const {
    w.record(name, [&] {
      w.field("item", s.item);
      w.field("collection", s.collection);
      w.field("filter", s.filter);
      w.field("body", s.body);
    });
  }
  void operator()(const stmt::Repeat& s) const {
    w.record(name, [&] {
      w.field("count", s.count);
      w.field("until", s.until);
      w.field("max", s.max);
      w.field("body", s.body);
    });
  }
  void operator()(const stmt::Return& s) const { w.tuple(name, s.value); }
  void operator()(const stmt::Need& s) const {
    w.record(name, [&] {
      w.field("condition", s.condition);
      w.field("otherwise", s.otherwise);
    });
  }
  void operator()(const stmt::Try& s) const {
    w.record(name, [&] {
      w.field("body", s.body);
      w.field("on_fail", s.on_fail);
      w.field("on_timeout", s.on_timeout);
    });
  }
  void operator()(const stmt::Assume& s) const {
    w.record(name, [&] {
      w.field("condition", s.condition);
      w.field("but_if_wrong", s.but_if_wrong);
    });
  }
  void operator()(const stmt::Pretend& s) const {
    w.record(name, [&] { w.field("body", s.body); });
  }
  void operator()(const stmt::Together& s) const {
    w.record(name, [&] { w.field("body", s.body); });
  }
  void operator()(const stmt::Stop&) const { w.bare(name); }
  void operator()(const stmt::Check& s) const { w.tuple(name, s.check); }
  void operator()(const stmt::Remember& s) const {
    w.record(name, [&] {
      w.field("what", s.what);
      w.field("about", s.about);
      w.field("as_name", s.as_name);
    });
  }
  void operator()(const stmt::Recall& s) const {
    w.record(name, [&] {
      w.field("what", s.what);
      w.field("about", s.about);
      w.field("from_last", s.from_last);
    });
  }
  void operator()(const stmt::Forget& s) const {
    w.record(name, [&] {
      w.field("what", s.what);
      w.field("about", s.about);
    });
  }
  void operator()(const stmt::Teach& s) const { w.tuple(name, s.lesson); }
  void operator()(const stmt::Narrate& s) const { w.tuple(name, s.message); }
  void operator()(const stmt::Log& s) const {
    w.record(name, [&] {
      w.field("message", s.message);
      w.field("level", s.level);
    });
  }
  void operator()(const stmt::Flag& s) const {
    w.record(name, [&] {
      w.field("target", s.target);
      w.field("label", s.label);
      w.field("modifier", s.modifier);
    });
  }
  void operator()(const stmt::Notify& s) const {
    w.record(name, [&] {
      w.field("target", s.target);
      w.field("message", s.message);
      w.field("modifier", s.modifier);
    });
  }
  void operator()(const stmt::Send& s) const { w.tuple(name, s.send); }
  void operator()(const stmt::CallApi& s) const { w.tuple(name, s.call); }
  void operator()(const stmt::Run& s) const {
    w.record(name, [&] {
      w.field("agent", s.agent);
      w.field("job", s.job);
      w.field("args", s.args);
    });
  }
  void operator()(const stmt::Create& s) const { w.tuple(name, s.create); }
  void operator()(const stmt::Update& s) const { w.tuple(name, s.update); }
  void operator()(const stmt::Delete& s) const { w.tuple(name, s.deletion); }
  void operator()(const stmt::Add& s) const {
    w.record(name, [&] {
      w.field("item", s.item);
      w.field("to", s.to);
    });
  }
  void operator()(const stmt::Remove& s) const {
    w.record(name, [&] {
      w.field("item", s.item);
      w.field("from", s.from);
    });
  }
  void operator()(const stmt::Undo&) const { w.bare(name); }
  void operator()(const stmt::ExprStatement& s) const { w.tuple(name, s.expression); }
};

void write(DebugWriter& w, const Statement& statement) {
  std::visit(StatementPrinter{w, statement_name(statement)}, statement.node);
}

struct CheckConditionPrinter {
  DebugWriter& w;

  void operator()(const check::HasField& c) const { w.tuple("HasField", c.field); }
  void operator()(const check::ConfidenceAbove& c) const {
    w.tuple("ConfidenceAbove", c.threshold);
  }
  void operator()(const check::Custom& c) const { w.tuple("Custom", c.condition); }
};

void write(DebugWriter& w, const CheckCondition& condition) {
  std::visit(CheckConditionPrinter{w}, condition.node);
}

void write(DebugWriter& w, const CheckExpr& check) {
  w.record("CheckExpr", [&] {
    w.field("target", check.target);
    w.field("conditions", check.conditions);
    w.field("otherwise", check.otherwise);
    w.field("prove_with", check.prove_with);
  });
}

void write(DebugWriter& w, const SendExpr& send) {
  w.record("SendExpr", [&] {
    w.field("channel", send.channel);
    w.field("to", send.to);
    w.field("subject", send.subject);
    w.field("body", send.body);
  });
}

void write(DebugWriter& w, const CallApiExpr& call) {
  w.record("CallApiExpr", [&] {
    w.field("service", call.service);
    w.field("fields", call.fields);
    w.field("expires_after", call.expires_after);
    w.field("keep_result_for", call.keep_result_for);
  });
}

void write(DebugWriter& w, const CreateExpr& create) {
  w.record("CreateExpr", [&] {
    w.field("record_type", create.record_type);
    w.field("fields", create.fields);
  });
}

void write(DebugWriter& w, const UpdateExpr& update) {
  w.record("UpdateExpr", [&] {
    w.field("target", update.target);
    w.field("changes", update.changes);
  });
}

void write(DebugWriter& w, const DeleteExpr& deletion) {
  w.record("DeleteExpr", [&] {
    w.field("record_type", deletion.record_type);
    w.field("condition", deletion.condition);
  });
}

void write(DebugWriter& w, const MatchArm& arm) {
  w.record("MatchArm", [&] {
    w.field("pattern", arm.pattern);
    w.field("body", arm.body);
  });
}

void write(DebugWriter& w, const ConfidenceArm& arm) {
  w.record("ConfidenceArm", [&] {
    w.field("level", arm.level);
    w.field("body", arm.body);
  });
}

// ---------------------------------------------------------------------------------------------
// Pages

struct PageItemPrinter {
  DebugWriter& w;
  std::string_view name;

  void operator()(const page::Title& p) const { w.tuple(name, p.text); }
  void operator()(const page::Text& p) const { w.tuple(name, p.content); }
  void operator()(const page::Show& p) const { w.tuple(name, p.show); }
  void operator()(const page::Form& p) const { w.tuple(name, p.form); }
  void operator()(const page::Button& p) const { w.tuple(name, p.button); }
  void operator()(const page::Beside& p) const { w.tuple(name, p.items); }
  void operator()(const page::Panels& p) const { w.tuple(name, p.panels); }
  void operator()(const page::Card& p) const { w.tuple(name, p.card); }
  void operator()(const page::Divider&) const { w.bare(name); }
  void operator()(const page::Spacer&) const { w.bare(name); }
  void operator()(const page::Conditional& p) const {
    w.record(name, [&] {
      w.field("condition", p.condition);
      w.field("then_body", p.then_body);
      w.field("else_body", p.else_body);
    });
  }
};

void write(DebugWriter& w, const PageItem& item) {
  std::visit(PageItemPrinter{w, page_item_name(item)}, item.node);
}

void write(DebugWriter& w, const ShowOption& option) { w.tuple("Label", option.label); }

void write(DebugWriter& w, const ShowDecl& show) {
  w.record("ShowDecl", [&] {
    w.field("expression", show.expression);
    w.field("display_type", show.display_type);
    w.field("options", show.options);
    w.field("modifier", show.modifier);
    w.field("size", show.size);
    w.field("color", show.color);
  });
}

void write(DebugWriter& w, const InputDecl& input) {
  w.record("InputDecl", [&] {
    w.field("name", input.name);
    w.field("input_type", input.input_type);
    w.field("label", input.label);
    w.field("required", input.required);
    w.field("default", input.default_value);
  });
}

void write(DebugWriter& w, const SubmitDecl& submit) {
  w.record("SubmitDecl", [&] {
    w.field("label", submit.label);
    w.field("calls", submit.calls);
  });
}

void write(DebugWriter& w, const FormDecl& form) {
  w.record("FormDecl", [&] {
    w.field("name", form.name);
    w.field("inputs", form.inputs);
    w.field("submit", form.submit);
    w.field("on_submit_go", form.on_submit_go);
    w.field("size", form.size);
  });
}

struct ButtonActionPrinter {
  DebugWriter& w;

  void operator()(const action::Calls& a) const { w.tuple("Calls", a.flow); }
  void operator()(const action::Opens& a) const { w.tuple("Opens", a.page); }
};

void write(DebugWriter& w, const ButtonAction& button_action) {
  std::visit(ButtonActionPrinter{w}, button_action.node);
}

void write(DebugWriter& w, const ButtonDecl& button) {
  w.record("ButtonDecl", [&] {
    w.field("label", button.label);
    w.field("action", button.action);
    w.field("modifier", button.modifier);
  });
}

void write(DebugWriter& w, const PanelDecl& panel) {
  w.record("PanelDecl", [&] {
    w.field("title", panel.title);
    w.field("size", panel.size);
    w.field("body", panel.body);
  });
}

void write(DebugWriter& w, const CardDecl& card) {
  w.record("CardDecl", [&] {
    w.field("title", card.title);
    w.field("subtitle", card.subtitle);
    w.field("body", card.body);
    w.field("modifier", card.modifier);
    w.field("color", card.color);
  });
}

// ---------------------------------------------------------------------------------------------
// Declarations

struct DeclarationPrinter {
  DebugWriter& w;
  std::string_view name;

  void operator()(const AppDecl& d) const { w.tuple(name, d); }
  void operator()(const RecordDecl& d) const { w.tuple(name, d); }
  void operator()(const AgentDecl& d) const { w.tuple(name, d); }
  void operator()(const TeamDecl& d) const { w.tuple(name, d); }
  void operator()(const FunctionDecl& d) const { w.tuple(name, d); }
  void operator()(const JobDecl& d) const { w.tuple(name, d); }
  void operator()(const FlowDecl& d) const { w.tuple(name, d); }
  void operator()(const PageDecl& d) const { w.tuple(name, d); }
  void operator()(const UseDecl& d) const { w.tuple(name, d); }
  void operator()(const AlwaysDecl& d) const { w.tuple(name, d); }
  void operator()(const ChoicesDecl& d) const { w.tuple(name, d); }
};

void write(DebugWriter& w, const Declaration& declaration) {
  std::visit(DeclarationPrinter{w, declaration_name(declaration)}, declaration.node);
}

void write(DebugWriter& w, const AppDecl& app) {
  w.record("AppDecl", [&] {
    w.field("name", app.name);
    w.field("theme", app.theme);
    w.field("accent", app.accent);
    w.field("brand", app.brand);
  });
}

void write(DebugWriter& w, const BrandDecl& brand) {
  w.record("BrandDecl", [&] {
    w.field("logo", brand.logo);
    w.field("font", brand.font);
    w.field("primary_color", brand.primary_color);
    w.field("secondary_color", brand.secondary_color);
    w.field("background", brand.background);
    w.field("text_color", brand.text_color);
    w.field("radius", brand.radius);
    w.field("style", brand.style);
  });
}

void write(DebugWriter& w, const RecordDecl& record) {
  w.record("RecordDecl", [&] {
    w.field("name", record.name);
    w.field("fields", record.fields);
    w.field("track_changes", record.track_changes);
  });
}

void write(DebugWriter& w, const FieldDecl& field) {
  w.record("FieldDecl", [&] {
    w.field("name", field.name);
    w.field("field_type", field.field_type);
    w.field("required", field.required);
    w.field("default", field.default_value);
    w.field("constraints", field.constraints);
  });
}

void write(DebugWriter& w, const AgentDecl& agent) {
  w.record("AgentDecl", [&] {
    w.field("name", agent.name);
    w.field("model", agent.model);
    w.field("capabilities", agent.capabilities);
    w.field("remembers", agent.remembers);
    w.field("cost_limit", agent.cost_limit);
    w.field("rate_limit", agent.rate_limit);
    w.field("narrate", agent.narrate);
    w.field("rules", agent.rules);
    w.field("refuse_rules", agent.refuse_rules);
    w.field("pass_to", agent.pass_to);
    w.field("prioritize", agent.prioritize);
    w.field("reflect_after_jobs", agent.reflect_after_jobs);
    w.field("jobs", agent.jobs);
  });
}

void write(DebugWriter& w, const CostLimit& limit) {
  w.record("CostLimit", [&] {
    w.field("amount", limit.amount);
    w.field("per", limit.per);
  });
}

void write(DebugWriter& w, const RateLimit& limit) {
  w.record("RateLimit", [&] {
    w.field("count", limit.count);
    w.field("per", limit.per);
  });
}

void write(DebugWriter& w, const RuleDecl& rule) {
  w.record("RuleDecl", [&] {
    w.field("kind", rule.kind);
    w.field("text", rule.text);
  });
}

void write(DebugWriter& w, const RefuseDecl& refuse) {
  w.record("RefuseDecl", [&] {
    w.field("condition", refuse.condition);
    w.field("response", refuse.response);
  });
}

void write(DebugWriter& w, const PassToDecl& pass_to) {
  w.record("PassToDecl", [&] {
    w.field("target", pass_to.target);
    w.field("conditions", pass_to.conditions);
  });
}

void write(DebugWriter& w, const PrioritizeRule& rule) {
  w.record("PrioritizeRule", [&] {
    w.field("order", rule.order);
    w.field("condition", rule.condition);
  });
}

void write(DebugWriter& w, const TeamDecl& team) {
  w.record("TeamDecl", [&] {
    w.field("name", team.name);
    w.field("agents", team.agents);
  });
}

void write(DebugWriter& w, const Param& param) {
  w.record("Param", [&] {
    w.field("name", param.name);
    w.field("param_type", param.param_type);
  });
}

void write(DebugWriter& w, const FunctionDecl& function) {
  w.record("FunctionDecl", [&] {
    w.field("name", function.name);
    w.field("params", function.params);
    w.field("body", function.body);
  });
}

void write(DebugWriter& w, const JobDecl& job) {
  w.record("JobDecl", [&] {
    w.field("name", job.name);
    w.field("params", job.params);
    w.field("body", job.body);
  });
}

void write(DebugWriter& w, const FlowDecl& flow) {
  w.record("FlowDecl", [&] {
    w.field("name", flow.name);
    w.field("params", flow.params);
    w.field("body", flow.body);
  });
}

void write(DebugWriter& w, const PageDecl& page_decl) {
  w.record("PageDecl", [&] {
    w.field("name", page_decl.name);
    w.field("param", page_decl.param);
    w.field("body", page_decl.body);
  });
}

void write(DebugWriter& w, const UseDecl& use) {
  w.record("UseDecl", [&] {
    w.field("path", use.path);
    w.field("items", use.items);
  });
}

void write(DebugWriter& w, const AlwaysDecl& always) {
  w.record("AlwaysDecl", [&] {
    w.field("name", always.name);
    w.field("value", always.value);
  });
}

void write(DebugWriter& w, const ChoicesDecl& choices) {
  w.record("ChoicesDecl", [&] {
    w.field("name", choices.name);
    w.field("options", choices.options);
  });
}

void write_program_to(DebugWriter& w, const Program& program) {
  w.record("Program", [&] { w.field("declarations", program.declarations); });
}

}  // namespace

std::string print_program(const Program& program) {
  DebugWriter w;
  write_program_to(w, program);
  return w.finish();
}

void write_program(std::ostream& out, const Program& program) {
  DebugWriter w(&out);
  write_program_to(w, program);
  w.finish();
}

}  // namespace pellix
