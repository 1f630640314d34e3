#include "value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <system_error>
#include <tuple>

#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kDivideByZero = "cannot divide by zero";

// Decimals closer than this (the 64-bit machine epsilon) are equal; the tolerance is absolute.
constexpr double kEqualityTolerance = 2.220446049250313e-16;

bool is_container(ValueKind kind) {
  return kind == ValueKind::List || kind == ValueKind::Map || kind == ValueKind::AiResult;
}

void append_integer(std::string& out, std::int64_t number) {
  std::array<char, 24> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
  out.append(digits.data(), end);
}

// Appends a value that contains no other values; containers are left to append_display.
void append_leaf(std::string& out, const Value& value) {
  switch (value.kind()) {
    case ValueKind::Integer:
      append_integer(out, value.as_integer());
      return;
    case ValueKind::Decimal:
      append_plain_decimal(out, value.as_decimal());
      return;
    case ValueKind::Text:
      out += value.as_text();
      return;
    case ValueKind::Bool:
      out += value.as_bool() ? "true" : "false";
      return;
    case ValueKind::Nothing:
      out += "nothing";
      return;
    case ValueKind::List:
    case ValueKind::Map:
    case ValueKind::AiResult:
      return;
  }
}

void append_ai_result_suffix(std::string& out, const AiResult& result) {
  out += " (confidence: ";
  append_confidence(out, result.confidence);
  out += ", cost: $";
  append_money(out, result.cost);
  out += ')';
}

Result<Value> decimal_arithmetic(BinaryOperator op, double left, double right) {
  switch (op) {
    case BinaryOperator::Add:
      return Value::decimal(left + right);
    case BinaryOperator::Subtract:
      return Value::decimal(left - right);
    case BinaryOperator::Multiply:
      return Value::decimal(left * right);
    case BinaryOperator::Divide:
      if (right == 0.0) return fail(std::string(kDivideByZero));
      return Value::decimal(left / right);
  }
  return Value();
}

bool is_empty(const Value& value) {
  switch (value.kind()) {
    case ValueKind::Text:
      return value.as_text().empty();
    case ValueKind::List:
      return value.as_list().empty();
    case ValueKind::Map:
      return value.as_map().empty();
    case ValueKind::Nothing:
      return true;
    case ValueKind::Integer:
    case ValueKind::Decimal:
    case ValueKind::Bool:
    case ValueKind::AiResult:
      return false;
  }
  return false;
}

bool contains(const Value& left, const Value& right) {
  if (left.is(ValueKind::Text)) {
    return right.is(ValueKind::Text) && left.as_text().find(right.as_text()) != std::string::npos;
  }
  if (left.is(ValueKind::List)) {
    // equals never holds for a list, map or AI result, so a list never contains one.
    const std::vector<Value>& elements = left.as_list();
    return std::any_of(elements.begin(), elements.end(),
                       [&right](const Value& element) { return equals(element, right); });
  }
  return false;
}

bool both_texts(const Value& left, const Value& right) {
  return left.is(ValueKind::Text) && right.is(ValueKind::Text);
}

// "+" followed by digits, which from_chars does not take, or what from_chars takes.
std::optional<std::int64_t> parse_integer(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  }
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return number;
}

// Whether a number text that does not fit a double is too large for one (rather than too
// close to zero): its first significant digit stands at or above the units place.
bool is_too_large(std::string_view text) {
  std::int64_t magnitude = 0;  // the value is 0.ddd times ten to this, before the exponent
  bool seen_point = false;
  bool seen_significant = false;
  std::size_t i = 0;
  for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
    if (text[i] == '.') {
      seen_point = true;
    } else if (!seen_significant && text[i] == '0') {
      if (seen_point) --magnitude;
    } else {
      seen_significant = true;
      if (!seen_point) ++magnitude;
    }
  }
  std::int64_t exponent = 0;
  bool negative_exponent = false;
  if (i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-')) {
    negative_exponent = text[i + 1] == '-';
    ++i;
  }
  for (++i; i < text.size(); ++i) {
    // Saturates: anything this large is far out of range either way.
    if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
  }
  return magnitude + (negative_exponent ? -exponent : exponent) > 0;
}

// Decimal or exponent notation, "inf", "infinity" or "nan" in any letter case, each with an
// optional sign. Numbers beyond the range of a double become an infinity or zero.
std::optional<double> parse_decimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would also take a second sign and the "nan(chars)" form.
  if (text.empty() || text.front() == '+' || text.front() == '-' ||
      text.find('(') != std::string_view::npos) {
    return std::nullopt;
  }
  double number = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
  if (end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    number = is_too_large(text) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc{}) {
    return std::nullopt;
  }
  return negative ? -number : number;
}

}  // namespace

std::string_view value_kind_name(ValueKind kind) {
  switch (kind) {
    case ValueKind::Integer:
      return "Integer";
    case ValueKind::Decimal:
      return "Decimal";
    case ValueKind::Text:
      return "Text";
    case ValueKind::Bool:
      return "Bool";
    case ValueKind::Nothing:
      return "Nothing";
    case ValueKind::List:
      return "List";
    case ValueKind::Map:
      return "Map";
    case ValueKind::AiResult:
      return "AiResult";
  }
  return "";
}

// ---------------------------------------------------------------------------------------------
// Value: construction, sharing and mutation

Value Value::text(std::string text) {
  return Value(ValueKind::Text, new detail::TextPayload(std::move(text)));
}

Value Value::list(std::vector<Value> elements) {
  return Value(ValueKind::List, new detail::ListPayload(std::move(elements)));
}

Value Value::map(Map entries) {
  return Value(ValueKind::Map, new detail::MapPayload(std::move(entries)));
}

Value Value::ai_result(AiResult result) {
  return Value(ValueKind::AiResult, new detail::AiResultPayload(std::move(result)));
}

void Value::make_unique() {
  if (!has_payload() || slot_.payload->use_count == 1) return;
  detail::SharedPayload* copy = nullptr;
  switch (kind_) {
    case ValueKind::Text:
      copy = new detail::TextPayload(as_text());
      break;
    case ValueKind::List:
      copy = new detail::ListPayload(as_list());
      break;
    case ValueKind::Map:
      copy = new detail::MapPayload(as_map());
      break;
    case ValueKind::AiResult:
      copy = new detail::AiResultPayload(as_ai_result());
      break;
    case ValueKind::Integer:
    case ValueKind::Decimal:
    case ValueKind::Bool:
    case ValueKind::Nothing:
      return;
  }
  // Other values still hold the old payload, so its count stays above zero.
  --slot_.payload->use_count;
  slot_.payload = copy;
}

detail::ListPayload& Value::unique_list() {
  assert(kind_ == ValueKind::List);
  make_unique();
  return *static_cast<detail::ListPayload*>(slot_.payload);
}

void Value::append(Value element) { unique_list().elements.push_back(std::move(element)); }

void Value::set_element(std::size_t index, Value element) {
  std::vector<Value>& elements = unique_list().elements;
  assert(index < elements.size());
  elements[index] = std::move(element);
}

void Value::remove_element(std::size_t index) {
  std::vector<Value>& elements = unique_list().elements;
  assert(index < elements.size());
  elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(index));
}

void Value::set_entry(std::string key, Value value) {
  assert(kind_ == ValueKind::Map);
  make_unique();
  static_cast<detail::MapPayload*>(slot_.payload)->map.set(std::move(key), std::move(value));
}

void Value::destroy(ValueKind kind, detail::SharedPayload* payload) {
  // Payloads whose last holder is gone and whose own values are still to be released.
  std::vector<std::pair<ValueKind, detail::SharedPayload*>> pending;
  const auto release = [&pending](Value& value) {
    if (!value.has_payload()) return;
    detail::SharedPayload* held = value.slot_.payload;
    const ValueKind held_kind = value.kind_;
    value.kind_ = ValueKind::Nothing;  // its destructor must not release it a second time
    if (--held->use_count != 0) return;
    if (held_kind == ValueKind::Text) {
      delete static_cast<detail::TextPayload*>(held);
    } else {
      pending.emplace_back(held_kind, held);
    }
  };
  for (;;) {
    switch (kind) {
      case ValueKind::Text:
        delete static_cast<detail::TextPayload*>(payload);
        break;
      case ValueKind::List: {
        auto* list = static_cast<detail::ListPayload*>(payload);
        for (Value& element : list->elements) release(element);
        delete list;
        break;
      }
      case ValueKind::Map: {
        auto* map = static_cast<detail::MapPayload*>(payload);
        for (Map::Entry& entry : map->map.entries_) release(entry.value);
        delete map;
        break;
      }
      case ValueKind::AiResult: {
        auto* result = static_cast<detail::AiResultPayload*>(payload);
        release(result->result.value);
        delete result;
        break;
      }
      case ValueKind::Integer:
      case ValueKind::Decimal:
      case ValueKind::Bool:
      case ValueKind::Nothing:
        break;
    }
    if (pending.empty()) return;
    std::tie(kind, payload) = pending.back();
    pending.pop_back();
  }
}

// ---------------------------------------------------------------------------------------------
// Map

const Value* Map::find(std::string_view key) const {
  const std::size_t position = position_of(key);
  return position == entries_.size() ? nullptr : &entries_[position].value;
}

Value* Map::find(std::string_view key) {
  const std::size_t position = position_of(key);
  return position == entries_.size() ? nullptr : &entries_[position].value;
}

void Map::set(std::string key, Value value) {
  const std::size_t position = position_of(key);
  if (position < entries_.size()) {
    entries_[position].value = std::move(value);
    return;
  }
  entries_.push_back(Entry{std::move(key), std::move(value)});
  if (index_.empty()) {
    if (entries_.size() > kIndexThreshold) rebuild_index();
  } else if (entries_.size() * 2 > index_.size()) {
    rebuild_index();
  } else {
    index_position(entries_.size() - 1);
  }
}

std::size_t Map::position_of(std::string_view key) const {
  if (index_.empty()) {
    for (std::size_t position = 0; position < entries_.size(); ++position) {
      if (entries_[position].key == key) return position;
    }
    return entries_.size();
  }
  const std::size_t mask = index_.size() - 1;
  for (std::size_t slot = std::hash<std::string_view>{}(key)&mask; index_[slot] != 0;
       slot = (slot + 1) & mask) {
    const std::size_t position = index_[slot] - 1;
    if (entries_[position].key == key) return position;
  }
  return entries_.size();
}

void Map::index_position(std::size_t position) {
  const std::size_t mask = index_.size() - 1;
  std::size_t slot = std::hash<std::string_view>{}(entries_[position].key) & mask;
  while (index_[slot] != 0) slot = (slot + 1) & mask;
  index_[slot] = static_cast<std::uint32_t>(position + 1);
}

void Map::rebuild_index() {
  std::size_t capacity = 16;
  while (capacity < entries_.size() * 4) capacity *= 2;
  index_.assign(capacity, 0);
  for (std::size_t position = 0; position < entries_.size(); ++position) {
    index_position(position);
  }
}

// ---------------------------------------------------------------------------------------------
// The value rules

void append_display(std::string& out, const Value& value) {
  if (!is_container(value.kind())) {
    append_leaf(out, value);
    return;
  }
  // An explicit stack instead of recursion: nesting depth is up to the program.
  struct Frame {
    const Value* container;
    std::size_t next;  // the element or entry to show next
  };
  std::vector<Frame> stack{{&value, 0}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const Value* child = nullptr;
    switch (frame.container->kind()) {
      case ValueKind::List: {
        const std::vector<Value>& elements = frame.container->as_list();
        if (frame.next == 0) out += '[';
        if (frame.next == elements.size()) {
          out += ']';
          stack.pop_back();
          continue;
        }
        if (frame.next > 0) out += ", ";
        child = &elements[frame.next++];
        break;
      }
      case ValueKind::Map: {
        const std::vector<Map::Entry>& entries = frame.container->as_map().entries();
        if (frame.next == 0) out += '{';
        if (frame.next == entries.size()) {
          out += '}';
          stack.pop_back();
          continue;
        }
        if (frame.next > 0) out += ", ";
        const Map::Entry& entry = entries[frame.next++];
        out += entry.key;
        out += ": ";
        child = &entry.value;
        break;
      }
      case ValueKind::AiResult: {
        const AiResult& result = frame.container->as_ai_result();
        if (frame.next == 0) {
          ++frame.next;
          child = &result.value;
          break;
        }
        append_ai_result_suffix(out, result);
        stack.pop_back();
        continue;
      }
      case ValueKind::Integer:
      case ValueKind::Decimal:
      case ValueKind::Text:
      case ValueKind::Bool:
      case ValueKind::Nothing:
        stack.pop_back();
        continue;
    }
    if (is_container(child->kind())) {
      stack.push_back({child, 0});
    } else {
      append_leaf(out, *child);
    }
  }
}

std::string display(const Value& value) {
  std::string out;
  append_display(out, value);
  return out;
}

bool is_truthy(const Value& value) {
  switch (value.kind()) {
    case ValueKind::Integer:
      return value.as_integer() != 0;
    case ValueKind::Decimal:
      return value.as_decimal() != 0.0;  // not-a-number is truthy
    case ValueKind::Text:
      return !value.as_text().empty();
    case ValueKind::Bool:
      return value.as_bool();
    case ValueKind::Nothing:
      return false;
    case ValueKind::List:
      return !value.as_list().empty();
    case ValueKind::Map:
      return !value.as_map().empty();
    case ValueKind::AiResult:
      return value.as_ai_result().confidence > 0.5;
  }
  return false;
}

double to_number(const Value& value) {
  if (value.is(ValueKind::Integer)) return static_cast<double>(value.as_integer());
  if (value.is(ValueKind::Decimal)) return value.as_decimal();
  return 0.0;
}

bool equals(const Value& left, const Value& right) {
  if (left.kind() != right.kind()) return false;
  switch (left.kind()) {
    case ValueKind::Integer:
      return left.as_integer() == right.as_integer();
    case ValueKind::Decimal:
      return std::fabs(left.as_decimal() - right.as_decimal()) < kEqualityTolerance;
    case ValueKind::Text:
      return left.as_text() == right.as_text();
    case ValueKind::Bool:
      return left.as_bool() == right.as_bool();
    case ValueKind::Nothing:
      return true;
    case ValueKind::List:
    case ValueKind::Map:
    case ValueKind::AiResult:
      return false;
  }
  return false;
}

bool compare(ComparisonOperator op, const Value& left, const Value& right) {
  switch (op) {
    case ComparisonOperator::Is:
      return equals(left, right);
    case ComparisonOperator::IsNot:
      return !equals(left, right);
    case ComparisonOperator::Above:
      return to_number(left) > to_number(right);
    case ComparisonOperator::Below:
      return to_number(left) < to_number(right);
    case ComparisonOperator::Contains:
      return contains(left, right);
    case ComparisonOperator::Exists:
      return !left.is(ValueKind::Nothing);
    case ComparisonOperator::IsEmpty:
      return is_empty(left);
    case ComparisonOperator::IsNothing:
      return left.is(ValueKind::Nothing);
    case ComparisonOperator::StartsWith:
      return both_texts(left, right) && left.as_text().starts_with(right.as_text());
    case ComparisonOperator::EndsWith:
      return both_texts(left, right) && left.as_text().ends_with(right.as_text());
    case ComparisonOperator::IsPast:
    case ComparisonOperator::IsFuture:
    case ComparisonOperator::IsWeekend:
      return false;
  }
  return false;
}

Result<Value> arithmetic(BinaryOperator op, const Value& left, const Value& right) {
  if (left.is(ValueKind::Integer) && right.is(ValueKind::Integer)) {
    std::int64_t result = 0;
    if (!integer_arithmetic(op, left.as_integer(), right.as_integer(), result)) {
      return fail(std::string(kDivideByZero));
    }
    return Value::integer(result);
  }
  if (left.is(ValueKind::Decimal) || right.is(ValueKind::Decimal)) {
    return decimal_arithmetic(op, to_number(left), to_number(right));
  }
  if (op == BinaryOperator::Add && both_texts(left, right)) {
    std::string joined;
    joined.reserve(left.as_text().size() + right.as_text().size());
    joined += left.as_text();
    joined += right.as_text();
    return Value::text(std::move(joined));
  }
  return Value();
}

std::optional<Value> number_from_text(std::string_view text) {
  if (const std::optional<std::int64_t> integer = parse_integer(text)) {
    return Value::integer(*integer);
  }
  if (const std::optional<double> decimal = parse_decimal(text)) {
    return Value::decimal(*decimal);
  }
  return std::nullopt;
}

Value value_from_argument(std::string_view argument) {
  if (std::optional<Value> number = number_from_text(argument)) return std::move(*number);
  if (argument == "true") return Value::boolean(true);
  if (argument == "false") return Value::boolean(false);
  return Value::text(std::string(argument));
}

}  // namespace pellix
