// The interpreter's one run-time data type, with the rules every expression applies to it:
// display text, truthiness, equality, comparison and arithmetic.
//
// A Value behaves exactly like a whole copy of its content, yet copying one is O(1): texts,
// lists, maps and AI results keep their payload in reference-counted storage that is copied
// only when a shared payload is about to change (copy-on-write). The count is not atomic;
// values belong to one thread. Integers, decimals, yes/no and nothing live inside the Value
// itself and never allocate. Mutation goes only through the operations below, which take new
// elements by value, so a payload can never come to contain itself.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ast.h"
#include "result.h"

namespace pellix {

enum class ValueKind : std::uint8_t { Integer, Decimal, Text, Bool, Nothing, List, Map, AiResult };

// The kind's name as written above ("Integer", "AiResult").
std::string_view value_kind_name(ValueKind kind);

class Map;
struct AiResult;

namespace detail {

// The head of every shared payload: how many values refer to it.
struct SharedPayload {
  std::size_t use_count = 1;
};

struct TextPayload;
struct ListPayload;
struct MapPayload;
struct AiResultPayload;

}  // namespace detail

class Value {
 public:
  // Nothing.
  Value() noexcept : kind_(ValueKind::Nothing), slot_{.integer = 0} {}

  static Value integer(std::int64_t number) noexcept {
    Value value;
    value.kind_ = ValueKind::Integer;
    value.slot_.integer = number;
    return value;
  }
  static Value decimal(double number) noexcept {
    Value value;
    value.kind_ = ValueKind::Decimal;
    value.slot_.decimal = number;
    return value;
  }
  static Value boolean(bool truth) noexcept {
    Value value;
    value.kind_ = ValueKind::Bool;
    value.slot_.truth = truth;
    return value;
  }
  static Value nothing() { return Value(); }
  static Value text(std::string text);
  static Value list(std::vector<Value> elements = {});
  static Value map(Map entries);
  static Value ai_result(AiResult result);

  Value(const Value& other) noexcept : kind_(other.kind_), slot_(other.slot_) {
    if (has_payload()) ++slot_.payload->use_count;
  }
  Value(Value&& other) noexcept : kind_(other.kind_), slot_(other.slot_) {
    other.kind_ = ValueKind::Nothing;
  }
  // Both assignments take their copy first, so assigning a value that lives inside this one's
  // own payload is safe.
  Value& operator=(const Value& other) noexcept {
    if (!has_payload() && !other.has_payload()) {  // the common case in loops: plain numbers
      kind_ = other.kind_;
      slot_ = other.slot_;
      return *this;
    }
    Value copy(other);
    swap(copy);
    return *this;
  }
  Value& operator=(Value&& other) noexcept {
    if (!has_payload() && this != &other) {  // nothing of this value's own to release
      kind_ = other.kind_;
      slot_ = other.slot_;
      other.kind_ = ValueKind::Nothing;
      return *this;
    }
    Value moved(std::move(other));
    swap(moved);
    return *this;
  }
  ~Value() {
    if (has_payload() && --slot_.payload->use_count == 0) destroy(kind_, slot_.payload);
  }

  void swap(Value& other) noexcept {
    std::swap(kind_, other.kind_);
    std::swap(slot_, other.slot_);
  }

  ValueKind kind() const { return kind_; }
  bool is(ValueKind kind) const { return kind_ == kind; }

  // The payload of the value's own kind; calling the accessor of another kind is a bug.
  std::int64_t as_integer() const;
  double as_decimal() const;
  bool as_bool() const;
  const std::string& as_text() const;
  const std::vector<Value>& as_list() const;
  const Map& as_map() const;
  const AiResult& as_ai_result() const;

  // List operations (the value must be a List); each copies a shared payload first.
  // Appends `element` at the end.
  void append(Value element);
  // Replaces the element at `index`, which must be below the list's size.
  void set_element(std::size_t index, Value element);
  // Removes the element at `index`, which must be below the list's size.
  void remove_element(std::size_t index);
  // Removes every element for which `predicate` answers yes, keeping the order of the rest,
  // and yields how many were removed; a shared payload is copied only when one is removed.
  template <typename Predicate>
  std::size_t remove_elements_if(Predicate predicate);

  // Map operation (the value must be a Map): sets `key` to `value`; a new key goes last, an
  // existing key keeps its place. Copies a shared payload first.
  void set_entry(std::string key, Value value);

  // Whether both values refer to the same payload (never for kinds without one).
  bool shares_storage_with(const Value& other) const {
    return has_payload() && other.has_payload() && slot_.payload == other.slot_.payload;
  }
  // How many values refer to this one's payload; 0 for the kinds that have none.
  std::size_t use_count() const { return has_payload() ? slot_.payload->use_count : 0; }

 private:
  union Slot {
    std::int64_t integer;
    double decimal;
    bool truth;
    detail::SharedPayload* payload;
  };

  Value(ValueKind kind, detail::SharedPayload* payload) noexcept
      : kind_(kind), slot_{.payload = payload} {}

  bool has_payload() const {
    constexpr unsigned kPayloadKinds = (1U << static_cast<unsigned>(ValueKind::Text)) |
                                       (1U << static_cast<unsigned>(ValueKind::List)) |
                                       (1U << static_cast<unsigned>(ValueKind::Map)) |
                                       (1U << static_cast<unsigned>(ValueKind::AiResult));
    return (kPayloadKinds >> static_cast<unsigned>(kind_) & 1U) != 0;
  }

  // Makes this value the only owner of its payload, copying the payload when it is shared.
  void make_unique();
  detail::ListPayload& unique_list();

  // Frees a payload whose count reached zero, and everything only it kept alive, without
  // recursion, so that deeply nested lists cannot exhaust the stack.
  static void destroy(ValueKind kind, detail::SharedPayload* payload);

  ValueKind kind_;
  Slot slot_;
};

static_assert(sizeof(Value) == 16, "a Value is a tag and one eight-byte slot");

// A table from text keys to values that keeps insertion order: the first insertion of a key
// fixes its place, and replacing its value keeps that place. Past a few entries a hash index
// keeps lookups O(1).
class Map {
 public:
  struct Entry {
    std::string key;
    Value value;
  };

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
  std::vector<Entry>::const_iterator end() const { return entries_.end(); }
  // The entries in insertion order.
  const std::vector<Entry>& entries() const { return entries_; }

  // The value under `key`, or null when there is none.
  const Value* find(std::string_view key) const;
  Value* find(std::string_view key);

  // Sets `key` to `value`: a new key goes last, an existing one keeps its place.
  void set(std::string key, Value value);
  // Makes room for `count` entries.
  void reserve(std::size_t count) { entries_.reserve(count); }

 private:
  friend class Value;  // releases the entries' payloads when a map payload is freed

  static constexpr std::size_t kIndexThreshold = 8;

  // The position of `key` in entries_, or entries_.size() when it is absent.
  std::size_t position_of(std::string_view key) const;
  void index_position(std::size_t position);
  void rebuild_index();

  std::vector<Entry> entries_;
  // Open addressing over positions + 1 (0 marks a free slot), hashed by key; a power of two
  // in size and at most half full. Empty while the map is small enough to scan.
  std::vector<std::uint32_t> index_;
};

// What an AI operation yields: the answer, how sure the model was, what the call cost (US
// dollars) and which model gave it.
struct AiResult {
  Value value;
  double confidence = 0.0;
  double cost = 0.0;
  std::string model;
};

namespace detail {

struct TextPayload : SharedPayload {
  explicit TextPayload(std::string content) : text(std::move(content)) {}
  std::string text;
};

struct ListPayload : SharedPayload {
  explicit ListPayload(std::vector<Value> content) : elements(std::move(content)) {}
  std::vector<Value> elements;
};

struct MapPayload : SharedPayload {
  explicit MapPayload(Map content) : map(std::move(content)) {}
  Map map;
};

struct AiResultPayload : SharedPayload {
  explicit AiResultPayload(AiResult content) : result(std::move(content)) {}
  AiResult result;
};

}  // namespace detail

inline std::int64_t Value::as_integer() const {
  assert(kind_ == ValueKind::Integer);
  return slot_.integer;
}

inline double Value::as_decimal() const {
  assert(kind_ == ValueKind::Decimal);
  return slot_.decimal;
}

inline bool Value::as_bool() const {
  assert(kind_ == ValueKind::Bool);
  return slot_.truth;
}

inline const std::string& Value::as_text() const {
  assert(kind_ == ValueKind::Text);
  return static_cast<const detail::TextPayload*>(slot_.payload)->text;
}

inline const std::vector<Value>& Value::as_list() const {
  assert(kind_ == ValueKind::List);
  return static_cast<const detail::ListPayload*>(slot_.payload)->elements;
}

inline const Map& Value::as_map() const {
  assert(kind_ == ValueKind::Map);
  return static_cast<const detail::MapPayload*>(slot_.payload)->map;
}

inline const AiResult& Value::as_ai_result() const {
  assert(kind_ == ValueKind::AiResult);
  return static_cast<const detail::AiResultPayload*>(slot_.payload)->result;
}

template <typename Predicate>
std::size_t Value::remove_elements_if(Predicate predicate) {
  const std::vector<Value>& shared = as_list();
  std::size_t first = 0;
  while (first < shared.size() && !predicate(shared[first])) ++first;
  if (first == shared.size()) return 0;
  std::vector<Value>& elements = unique_list().elements;
  // The first match is known; the predicate sees each later element once.
  std::size_t kept = first;
  for (std::size_t i = first + 1; i < elements.size(); ++i) {
    if (!predicate(elements[i])) elements[kept++] = std::move(elements[i]);
  }
  const std::size_t removed = elements.size() - kept;
  elements.resize(kept);
  return removed;
}

// The display text: what reports, interpolation and prompts show for a value. Lists show as
// "[a, b]", maps as "{k: v}" in insertion order, AI results as
// "{value} (confidence: 0.85, cost: $0.0000)".
void append_display(std::string& out, const Value& value);
std::string display(const Value& value);

// Whether a condition holding `value` counts as yes.
bool is_truthy(const Value& value);

// The value as a number: an integer converted, a decimal itself, 0.0 for every other kind.
double to_number(const Value& value);

// The `is` rule: same kind and equal payload (decimals within an absolute 2^-52); lists, maps
// and AI results are never equal to anything.
bool equals(const Value& left, const Value& right);

// Whether `left operator right` holds; IsPast, IsFuture and IsWeekend never hold.
bool compare(ComparisonOperator op, const Value& left, const Value& right);

// The integer case of the arithmetic rule, kept inline for the interpreter's loops: wrapping
// two's complement arithmetic into `result`; false only for a division by zero. The smallest
// integer divided by -1 wraps to itself instead of trapping.
inline bool integer_arithmetic(BinaryOperator op, std::int64_t left, std::int64_t right,
                               std::int64_t& result) {
  // The builtins compute the exact result and keep its low 64 bits, without signed overflow.
  switch (op) {
    case BinaryOperator::Add:
      static_cast<void>(__builtin_add_overflow(left, right, &result));
      return true;
    case BinaryOperator::Subtract:
      static_cast<void>(__builtin_sub_overflow(left, right, &result));
      return true;
    case BinaryOperator::Multiply:
      static_cast<void>(__builtin_mul_overflow(left, right, &result));
      return true;
    case BinaryOperator::Divide:
      if (right == 0) return false;
      if (right == -1) {
        static_cast<void>(__builtin_sub_overflow(std::int64_t{0}, left, &result));
      } else {
        result = left / right;
      }
      return true;
  }
  return false;
}

// The arithmetic rule for `left op right`: wrapping integer arithmetic, decimal arithmetic
// when either side is a decimal, text + text concatenation, Nothing for every other pairing;
// fails only with "cannot divide by zero".
Result<Value> arithmetic(BinaryOperator op, const Value& left, const Value& right);

// A text that reads as a number, as a value: a 64-bit integer with an optional sign, else a
// decimal in point or exponent form (also inf, infinity, nan in any letter case, optionally
// signed); nothing when it reads as neither.
std::optional<Value> number_from_text(std::string_view text);

// A command-line flow argument as a value: a 64-bit integer, else a decimal (also inf,
// infinity, nan), else the exact words true or false, else the text unchanged.
Value value_from_argument(std::string_view argument);

}  // namespace pellix
