#include "value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pellix {
namespace {

constexpr std::int64_t kMaxInteger = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinInteger = std::numeric_limits<std::int64_t>::min();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

Value integer(std::int64_t number) { return Value::integer(number); }
Value decimal(double number) { return Value::decimal(number); }
Value text(std::string_view content) { return Value::text(std::string(content)); }
Value boolean(bool truth) { return Value::boolean(truth); }
Value nothing() { return Value::nothing(); }
Value list(std::vector<Value> elements) { return Value::list(std::move(elements)); }

Value map(std::vector<std::pair<std::string, Value>> entries) {
  Map table;
  for (auto& [key, value] : entries) table.set(std::move(key), std::move(value));
  return Value::map(std::move(table));
}

Value ai_result(Value answer, double confidence, double cost, std::string model = "pretend") {
  return Value::ai_result(AiResult{std::move(answer), confidence, cost, std::move(model)});
}

// The kind and display text together, so that one comparison checks both.
std::string describe(const Value& value) {
  return std::string(value_kind_name(value.kind())) + " " + display(value);
}

std::string describe(const Result<Value>& result) {
  return result.has_value() ? describe(result.value()) : "error: " + result.error().message;
}

// ---------------------------------------------------------------------------------------------
// Kinds and storage

TEST(ValueTest, IsATagAndOneSlot) { EXPECT_EQ(sizeof(Value), 16U); }

TEST(ValueTest, DefaultIsNothing) {
  const Value value;
  EXPECT_EQ(value.kind(), ValueKind::Nothing);
  EXPECT_TRUE(value.is(ValueKind::Nothing));
}

TEST(ValueTest, KindNamesFollowTheKindOrder) {
  std::string names;
  for (int kind = 0; kind <= static_cast<int>(ValueKind::AiResult); ++kind) {
    names += value_kind_name(static_cast<ValueKind>(kind));
    names += ' ';
  }
  EXPECT_EQ(names, "Integer Decimal Text Bool Nothing List Map AiResult ");
}

TEST(ValueTest, AccessorsGiveThePayload) {
  EXPECT_EQ(integer(-3).as_integer(), -3);
  EXPECT_EQ(decimal(2.5).as_decimal(), 2.5);
  EXPECT_TRUE(boolean(true).as_bool());
  EXPECT_EQ(text("hi").as_text(), "hi");
  EXPECT_EQ(list({integer(1), integer(2)}).as_list().size(), 2U);
  const Value result = ai_result(text("Hello!"), 0.85, 0.002, "gpt-4o");
  EXPECT_EQ(result.as_ai_result().value.as_text(), "Hello!");
  EXPECT_EQ(result.as_ai_result().confidence, 0.85);
  EXPECT_EQ(result.as_ai_result().cost, 0.002);
  EXPECT_EQ(result.as_ai_result().model, "gpt-4o");
}

TEST(ValueTest, InlineKindsHaveNoStorage) {
  for (const Value& value : {integer(1), decimal(1.0), boolean(true), nothing()}) {
    const Value copy = value;  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_EQ(value.use_count(), 0U);
    EXPECT_FALSE(copy.shares_storage_with(value));
  }
}

// ---------------------------------------------------------------------------------------------
// Copy-on-write

TEST(CopyOnWriteTest, CopiesShareStorageUntilWritten) {
  const Value original = list({integer(1), text("a")});
  Value copy = original;
  EXPECT_TRUE(copy.shares_storage_with(original));
  EXPECT_EQ(original.use_count(), 2U);

  copy.append(integer(3));
  EXPECT_FALSE(copy.shares_storage_with(original));
  EXPECT_EQ(original.use_count(), 1U);
  EXPECT_EQ(copy.use_count(), 1U);
  EXPECT_EQ(display(original), "[1, a]");
  EXPECT_EQ(display(copy), "[1, a, 3]");
  // The elements themselves are still shared: the copy was shallow.
  EXPECT_TRUE(copy.as_list()[1].shares_storage_with(original.as_list()[1]));
}

TEST(CopyOnWriteTest, AnUnsharedValueIsChangedInPlace) {
  Value value = list({integer(1)});
  const std::vector<Value>* storage = &value.as_list();
  value.append(integer(2));
  value.set_element(0, text("x"));
  EXPECT_EQ(&value.as_list(), storage);
  EXPECT_EQ(display(value), "[x, 2]");
}

TEST(CopyOnWriteTest, EveryListOperationLeavesTheOriginalUnchanged) {
  const Value original = list({integer(1), integer(2), integer(3)});

  Value appended = original;
  appended.append(integer(4));
  Value replaced = original;
  replaced.set_element(1, text("two"));
  Value removed = original;
  removed.remove_element(0);
  Value filtered = original;
  EXPECT_EQ(filtered.remove_elements_if([](const Value& v) { return v.as_integer() != 2; }), 2U);

  EXPECT_EQ(display(original), "[1, 2, 3]");
  EXPECT_EQ(display(appended), "[1, 2, 3, 4]");
  EXPECT_EQ(display(replaced), "[1, two, 3]");
  EXPECT_EQ(display(removed), "[2, 3]");
  EXPECT_EQ(display(filtered), "[2]");
}

TEST(CopyOnWriteTest, RemovingNothingDoesNotCopy) {
  const Value original = list({integer(1), integer(2)});
  Value copy = original;
  EXPECT_EQ(copy.remove_elements_if([](const Value&) { return false; }), 0U);
  EXPECT_TRUE(copy.shares_storage_with(original));
}

TEST(CopyOnWriteTest, RemovalByDisplayTextKeepsTheOrderOfTheRest) {
  Value values = list({integer(1), text("1"), integer(2), decimal(1.0), text("b")});
  const std::string target = display(integer(1));
  EXPECT_EQ(values.remove_elements_if([&](const Value& v) { return display(v) == target; }), 3U);
  EXPECT_EQ(display(values), "[2, b]");
}

TEST(CopyOnWriteTest, MapEntriesAreCopiedOnWrite) {
  const Value original = map({{"name", text("Alice")}});
  Value copy = original;
  copy.set_entry("name", text("Bob"));
  copy.set_entry("age", integer(30));
  EXPECT_EQ(display(original), "{name: Alice}");
  EXPECT_EQ(display(copy), "{name: Bob, age: 30}");
}

TEST(CopyOnWriteTest, NestedValuesChangeOnlyWhereWritten) {
  const Value inner = list({integer(1)});
  Value outer = list({inner, inner});
  Value element = outer.as_list()[0];
  element.append(integer(2));
  outer.set_element(0, element);
  EXPECT_EQ(display(outer), "[[1, 2], [1]]");
  EXPECT_EQ(display(inner), "[1]");
}

TEST(CopyOnWriteTest, AppendingAValueToItselfAppendsItsOldContent) {
  Value value = list({integer(1)});
  value.append(value);
  value.append(value);
  EXPECT_EQ(display(value), "[1, [1], [1, [1]]]");
}

TEST(CopyOnWriteTest, AssigningAnElementToItsOwnListIsSafe) {
  Value value = list({list({integer(1), integer(2)}), integer(3)});
  value = value.as_list()[0];
  EXPECT_EQ(display(value), "[1, 2]");
  value = std::move(value);  // NOLINT: a self-move keeps the value
  EXPECT_EQ(display(value), "[1, 2]");
}

TEST(CopyOnWriteTest, MovedFromValueIsNothing) {
  Value source = text("moved");
  const Value target = std::move(source);
  EXPECT_TRUE(source.is(ValueKind::Nothing));  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(display(target), "moved");
  EXPECT_EQ(target.use_count(), 1U);
}

TEST(CopyOnWriteTest, DeeplyNestedListsDisplayAndDieWithoutRecursion) {
  Value value = list({});
  for (int depth = 0; depth < 1'000'000; ++depth) value = list({std::move(value)});
  const std::string shown = display(value);
  EXPECT_EQ(shown.size(), 2U * 1'000'001U);
  EXPECT_EQ(shown.substr(0, 3), "[[[");
  value = nothing();  // frees the whole chain
}

// ---------------------------------------------------------------------------------------------
// Maps

TEST(MapTest, KeepsInsertionOrderAndReplacementKeepsThePlace) {
  Map table;
  table.set("b", integer(1));
  table.set("a", integer(2));
  table.set("c", integer(3));
  table.set("a", text("replaced"));
  EXPECT_EQ(table.size(), 3U);
  EXPECT_EQ(display(Value::map(table)), "{b: 1, a: replaced, c: 3}");
  std::string keys;
  for (const Map::Entry& entry : table) keys += entry.key;
  EXPECT_EQ(keys, "bac");
}

TEST(MapTest, FindsKeysAndAnswersNullForMissingOnes) {
  Map table;
  EXPECT_EQ(table.find("x"), nullptr);
  table.set("x", integer(7));
  ASSERT_NE(table.find("x"), nullptr);
  EXPECT_EQ(table.find("x")->as_integer(), 7);
  EXPECT_EQ(table.find("y"), nullptr);
  EXPECT_EQ(table.find(""), nullptr);
  table.set("", text("empty key"));
  EXPECT_EQ(table.find("")->as_text(), "empty key");
}

TEST(MapTest, LargeMapsFindEveryKeyAndKeepTheirOrder) {
  Map table;
  constexpr int kCount = 100'000;
  for (int i = 0; i < kCount; ++i) table.set("key" + std::to_string(i), integer(i));
  // Replace every third value; the places stay.
  for (int i = 0; i < kCount; i += 3) table.set("key" + std::to_string(i), integer(-i));
  ASSERT_EQ(table.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    const Value* found = table.find("key" + std::to_string(i));
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->as_integer(), i % 3 == 0 ? -i : i);
    EXPECT_EQ(table.entries()[static_cast<std::size_t>(i)].key, "key" + std::to_string(i));
  }
  EXPECT_EQ(table.find("key100000"), nullptr);
  EXPECT_EQ(table.find("key"), nullptr);
}

TEST(MapTest, CopiesOfIndexedMapsStayIndependent) {
  Map table;
  for (int i = 0; i < 20; ++i) table.set(std::to_string(i), integer(i));
  Value shared = Value::map(table);
  Value copy = shared;
  copy.set_entry("20", integer(20));
  copy.set_entry("5", text("five"));
  EXPECT_EQ(shared.as_map().size(), 20U);
  EXPECT_EQ(shared.as_map().find("20"), nullptr);
  EXPECT_EQ(shared.as_map().find("5")->as_integer(), 5);
  EXPECT_EQ(copy.as_map().find("20")->as_integer(), 20);
  EXPECT_EQ(copy.as_map().find("5")->as_text(), "five");
}

// ---------------------------------------------------------------------------------------------
// Display

TEST(DisplayTest, ShowsEveryKind) {
  struct Case {
    Value value;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {integer(42), "42"},
      {integer(-7), "-7"},
      {integer(kMinInteger), "-9223372036854775808"},
      {decimal(6.0), "6"},
      {decimal(2.5), "2.5"},
      {decimal(3.5), "3.5"},
      {decimal(0.1 + 0.2), "0.30000000000000004"},
      {decimal(1e21), "1000000000000000000000"},
      {decimal(1e-7), "0.0000001"},
      {decimal(-0.0), "-0"},
      {decimal(kNan), "NaN"},
      {decimal(kInfinity), "inf"},
      {decimal(-kInfinity), "-inf"},
      {text("hello world"), "hello world"},
      {text(""), ""},
      {text("\"quoted\""), "\"quoted\""},
      {boolean(true), "true"},
      {boolean(false), "false"},
      {nothing(), "nothing"},
      {list({}), "[]"},
      {list({text("a"), text("b")}), "[a, b]"},
      {list({integer(1), list({integer(2), text("x")}), nothing()}), "[1, [2, x], nothing]"},
      {list({list({}), list({list({})})}), "[[], [[]]]"},
      {map({}), "{}"},
      {map({{"name", text("Alice")}, {"tags", list({text("a"), decimal(0.5)})}}),
       "{name: Alice, tags: [a, 0.5]}"},
      {map({{"inner", map({{"k", boolean(false)}})}}), "{inner: {k: false}}"},
      {ai_result(text("Hello!"), 0.85, 0.0), "Hello! (confidence: 0.85, cost: $0.0000)"},
      {ai_result(text("x"), 0.845, 0.00005), "x (confidence: 0.84, cost: $0.0001)"},
      {ai_result(text("y"), 1.0, 0.0123456), "y (confidence: 1.00, cost: $0.0123)"},
      {ai_result(list({integer(1), ai_result(text("z"), 0.5, 0.0)}), 0.9, 0.25),
       "[1, z (confidence: 0.50, cost: $0.0000)] (confidence: 0.90, cost: $0.2500)"},
      {list({map({{"r", ai_result(text("a"), 0.7, 0.001)}})}),
       "[{r: a (confidence: 0.70, cost: $0.0010)}]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(display(c.value), c.expected);
  }
}

TEST(DisplayTest, AppendsToWhatIsThere) {
  std::string out = "result: ";
  append_display(out, list({integer(1), text("two")}));
  EXPECT_EQ(out, "result: [1, two]");
}

TEST(DisplayTest, LargeListsDisplayInFull) {
  Value numbers = list({});
  std::string expected = "[";
  for (int i = 0; i < 200'000; ++i) {
    numbers.append(integer(i));
    if (i > 0) expected += ", ";
    expected += std::to_string(i);
  }
  expected += ']';
  EXPECT_EQ(display(numbers), expected);
}

// ---------------------------------------------------------------------------------------------
// Truthiness, equality and comparison

TEST(TruthinessTest, FollowsEachKindsRule) {
  struct Case {
    Value value;
    bool truthy;
    std::string_view name;
  };
  const std::vector<Case> cases = {
      {integer(0), false, "0"},
      {integer(-1), true, "-1"},
      {decimal(0.0), false, "0.0"},
      {decimal(-0.0), false, "-0.0"},
      {decimal(0.1), true, "0.1"},
      {decimal(kNan), true, "NaN"},
      {text(""), false, "empty text"},
      {text("0"), true, "text 0"},
      {boolean(true), true, "yes"},
      {boolean(false), false, "no"},
      {nothing(), false, "nothing"},
      {list({}), false, "[]"},
      {list({nothing()}), true, "[nothing]"},
      {map({}), false, "{}"},
      {map({{"k", nothing()}}), true, "{k: nothing}"},
      {ai_result(text(""), 0.85, 0.0), true, "confidence 0.85"},
      {ai_result(text("yes"), 0.5, 0.0), false, "confidence 0.5"},
      {ai_result(text("yes"), 0.51, 0.0), true, "confidence 0.51"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(is_truthy(c.value), c.truthy);
  }
}

TEST(NumberTest, OnlyIntegersAndDecimalsCount) {
  EXPECT_EQ(to_number(integer(-4)), -4.0);
  EXPECT_EQ(to_number(decimal(2.5)), 2.5);
  EXPECT_EQ(to_number(text("10")), 0.0);
  EXPECT_EQ(to_number(boolean(true)), 0.0);
  EXPECT_EQ(to_number(ai_result(decimal(3.0), 0.9, 0.0)), 0.0);
}

struct ComparisonCase {
  ComparisonOperator op;
  Value left;
  Value right;
  bool expected;
  std::string_view name;
};

void check_comparisons(const std::vector<ComparisonCase>& cases) {
  for (const ComparisonCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(compare(c.op, c.left, c.right), c.expected);
  }
}

TEST(EqualityTest, SameKindAndEqualPayload) {
  using enum ComparisonOperator;
  const Value same_list = list({integer(1)});
  const Value same_map = map({{"a", integer(1)}});
  const Value same_result = ai_result(text("a"), 0.9, 0.0);
  check_comparisons({
      {Is, integer(1), integer(1), true, "1 is 1"},
      {Is, integer(1), integer(2), false, "1 is 2"},
      {Is, integer(1), decimal(1.0), false, "1 is 1.0"},
      {IsNot, integer(1), decimal(1.0), true, "1 is not 1.0"},
      {Is, text("a"), text("a"), true, "a is a"},
      {Is, text("a"), text("A"), false, "a is A"},
      {Is, text("1"), integer(1), false, "text 1 is 1"},
      {Is, boolean(true), boolean(true), true, "yes is yes"},
      {Is, boolean(true), boolean(false), false, "yes is no"},
      {Is, boolean(false), integer(0), false, "no is 0"},
      {Is, nothing(), nothing(), true, "nothing is nothing"},
      {Is, nothing(), text(""), false, "nothing is empty text"},
      {Is, decimal(0.1 + 0.2), decimal(0.3), true, "0.1 + 0.2 is 0.3"},
      {Is, decimal(1.0000000000000002), decimal(1.0), false, "difference equal to epsilon"},
      {Is, decimal(1e16 + 2.0), decimal(1e16), false, "tolerance is absolute"},
      {Is, decimal(-0.0), decimal(0.0), true, "-0 is 0"},
      {Is, decimal(kNan), decimal(kNan), false, "NaN is NaN"},
      {Is, decimal(kInfinity), decimal(kInfinity), false, "inf - inf is NaN"},
      {IsNot, decimal(kNan), decimal(kNan), true, "NaN is not NaN"},
      {Is, same_list, same_list, false, "a list is not itself"},
      {Is, list({integer(1)}), list({integer(1)}), false, "identical lists"},
      {Is, same_map, same_map, false, "a map is not itself"},
      {Is, same_result, same_result, false, "an AI result is not itself"},
      {IsNot, same_list, same_list, true, "a list is not not itself"},
      {IsNot, same_map, same_map, true, "a map is not not itself"},
      {IsNot, text("a"), text("a"), false, "a is not a"},
      {IsNot, nothing(), nothing(), false, "nothing is not nothing"},
      {IsNot, integer(1), text("1"), true, "kinds differ"},
  });
  EXPECT_TRUE(equals(text("x"), text("x")));
  EXPECT_FALSE(equals(same_list, same_list));
}

TEST(ComparisonTest, AboveAndBelowCompareNumbers) {
  using enum ComparisonOperator;
  check_comparisons({
      {Above, integer(3), integer(2), true, "3 above 2"},
      {Above, integer(2), integer(2), false, "2 above 2"},
      {Below, integer(2), decimal(2.5), true, "2 below 2.5"},
      {Above, decimal(2.5), integer(2), true, "2.5 above 2"},
      {Above, text("10"), integer(9), false, "text 10 above 9"},
      {Below, text("10"), integer(9), true, "text 10 below 9"},
      {Below, boolean(true), integer(1), true, "yes below 1"},
      {Above, ai_result(decimal(5.0), 0.9, 0.0), integer(1), false, "AI result counts 0"},
      {Above, decimal(kNan), integer(0), false, "NaN above 0"},
      {Below, decimal(kNan), integer(0), false, "NaN below 0"},
      {Above, decimal(kInfinity), integer(kMaxInteger), true, "inf above max"},
      {Below, nothing(), integer(1), true, "nothing below 1"},
  });
}

TEST(ComparisonTest, ContainsLooksInTextsAndLists) {
  using enum ComparisonOperator;
  check_comparisons({
      {Contains, text("hello"), text("ell"), true, "substring"},
      {Contains, text("hello"), text(""), true, "empty text in every text"},
      {Contains, text(""), text(""), true, "empty in empty"},
      {Contains, text("hello"), text("Hell"), false, "case matters"},
      {Contains, text("a1"), integer(1), false, "integer in text"},
      {Contains, list({integer(1), integer(2)}), integer(2), true, "[1, 2] contains 2"},
      {Contains, list({integer(1), integer(2)}), decimal(2.0), false, "[1, 2] contains 2.0"},
      {Contains, list({text("a"), nothing()}), nothing(), true, "list contains nothing"},
      {Contains, list({list({integer(1)})}), list({integer(1)}), false, "[[1]] contains [1]"},
      {Contains, list({list({integer(1)})}), integer(1), false, "[[1]] contains 1"},
      {Contains, list({}), nothing(), false, "empty list"},
      {Contains, map({{"a", integer(1)}}), text("a"), false, "maps contain nothing"},
      {Contains, integer(12), integer(1), false, "integer contains"},
  });
}

TEST(ComparisonTest, PresenceAndEmptiness) {
  using enum ComparisonOperator;
  check_comparisons({
      {Exists, integer(0), nothing(), true, "0 exists"},
      {Exists, text(""), nothing(), true, "empty text exists"},
      {Exists, nothing(), integer(1), false, "nothing exists"},
      {IsNothing, nothing(), integer(1), true, "nothing is nothing"},
      {IsNothing, list({}), nothing(), false, "[] is nothing"},
      {IsEmpty, text(""), nothing(), true, "empty text"},
      {IsEmpty, text(" "), nothing(), false, "space"},
      {IsEmpty, list({}), nothing(), true, "empty list"},
      {IsEmpty, list({nothing()}), nothing(), false, "[nothing]"},
      {IsEmpty, map({}), nothing(), true, "empty map"},
      {IsEmpty, map({{"k", nothing()}}), nothing(), false, "one entry"},
      {IsEmpty, nothing(), nothing(), true, "nothing"},
      {IsEmpty, integer(0), nothing(), false, "0"},
      {IsEmpty, decimal(0.0), nothing(), false, "0.0"},
      {IsEmpty, boolean(false), nothing(), false, "no"},
      {IsEmpty, ai_result(text(""), 0.0, 0.0), nothing(), false, "AI result"},
  });
}

TEST(ComparisonTest, StartsAndEndsWithCompareTextBytes) {
  using enum ComparisonOperator;
  check_comparisons({
      {StartsWith, text("hello"), text("he"), true, "starts with he"},
      {StartsWith, text("hello"), text(""), true, "starts with empty"},
      {StartsWith, text("hello"), text("lo"), false, "starts with lo"},
      {StartsWith, text("he"), text("hello"), false, "longer prefix"},
      {StartsWith, text("1x"), integer(1), false, "integer prefix"},
      {StartsWith, list({text("a")}), text("a"), false, "list"},
      {EndsWith, text("hello"), text("lo"), true, "ends with lo"},
      {EndsWith, text("h\u00e9"), text("\u00e9"), true, "multi-byte ending"},
      {EndsWith, text("hello"), text("he"), false, "ends with he"},
      {EndsWith, nothing(), text(""), false, "nothing"},
  });
}

TEST(ComparisonTest, DateOperatorsNeverHold) {
  using enum ComparisonOperator;
  for (const ComparisonOperator op : {IsPast, IsFuture, IsWeekend}) {
    for (const Value& value :
         {text("2026-04-10"), text("2026-04-11"), text("2020-01-01"), integer(0), nothing()}) {
      EXPECT_FALSE(compare(op, value, nothing())) << display(value);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Arithmetic

TEST(ArithmeticTest, FollowsTheKindsOfBothOperands) {
  using enum BinaryOperator;
  struct Case {
    BinaryOperator op;
    Value left;
    Value right;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {Add, integer(2), integer(3), "Integer 5"},
      {Subtract, integer(2), integer(3), "Integer -1"},
      {Multiply, integer(-4), integer(3), "Integer -12"},
      {Divide, integer(7), integer(2), "Integer 3"},
      {Divide, integer(-7), integer(2), "Integer -3"},
      {Divide, integer(7), integer(-2), "Integer -3"},
      {Divide, integer(0), integer(5), "Integer 0"},
      {Add, integer(kMaxInteger), integer(1), "Integer -9223372036854775808"},
      {Subtract, integer(kMinInteger), integer(1), "Integer 9223372036854775807"},
      {Multiply, integer(kMaxInteger), integer(2), "Integer -2"},
      {Multiply, integer(kMinInteger), integer(-1), "Integer -9223372036854775808"},
      {Divide, integer(kMinInteger), integer(-1), "Integer -9223372036854775808"},
      {Divide, integer(kMaxInteger), integer(-1), "Integer -9223372036854775807"},
      {Divide, integer(5), integer(0), "error: cannot divide by zero"},
      {Divide, integer(0), integer(0), "error: cannot divide by zero"},
      {Divide, decimal(7.0), integer(2), "Decimal 3.5"},
      {Divide, integer(7), decimal(2.0), "Decimal 3.5"},
      {Add, decimal(0.1), decimal(0.2), "Decimal 0.30000000000000004"},
      {Add, integer(1), decimal(0.5), "Decimal 1.5"},
      {Multiply, decimal(2.0), integer(3), "Decimal 6"},
      {Subtract, decimal(1.0), decimal(1.0), "Decimal 0"},
      {Divide, decimal(5.0), integer(0), "error: cannot divide by zero"},
      {Divide, decimal(5.0), decimal(0.0), "error: cannot divide by zero"},
      {Divide, decimal(5.0), decimal(-0.0), "error: cannot divide by zero"},
      {Divide, integer(5), decimal(0.0), "error: cannot divide by zero"},
      {Divide, decimal(5.0), text("x"), "error: cannot divide by zero"},
      {Divide, decimal(1.0), decimal(1e-320), "Decimal inf"},
      {Multiply, decimal(1e308), decimal(10.0), "Decimal inf"},
      {Add, decimal(2.5), text("ab"), "Decimal 2.5"},
      {Subtract, text("x"), decimal(2.5), "Decimal -2.5"},
      {Add, decimal(1.0), nothing(), "Decimal 1"},
      {Add, decimal(1.0), ai_result(decimal(5.0), 0.9, 0.0), "Decimal 1"},
      {Add, decimal(1.0), list({integer(1)}), "Decimal 1"},
      {Add, text("ab"), text("cd"), "Text abcd"},
      {Add, text(""), text(""), "Text "},
      {Subtract, text("ab"), text("b"), "Nothing nothing"},
      {Multiply, text("ab"), text("ab"), "Nothing nothing"},
      {Divide, text("ab"), text("ab"), "Nothing nothing"},
      {Add, text("ab"), integer(1), "Nothing nothing"},
      {Add, integer(1), text("ab"), "Nothing nothing"},
      {Add, integer(1), boolean(true), "Nothing nothing"},
      {Add, nothing(), nothing(), "Nothing nothing"},
      {Add, list({integer(1)}), list({integer(2)}), "Nothing nothing"},
      {Add, map({}), integer(1), "Nothing nothing"},
      {Add, ai_result(integer(1), 0.9, 0.0), integer(1), "Nothing nothing"},
      {Divide, text("x"), integer(0), "Nothing nothing"},
      {Divide, nothing(), integer(0), "Nothing nothing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.expected));
    EXPECT_EQ(describe(arithmetic(c.op, c.left, c.right)), c.expected);
  }
}

TEST(ArithmeticTest, ConcatenationLeavesTheOperandsAlone) {
  const Value left = text("ab");
  const Value right = text("cd");
  const Result<Value> joined = arithmetic(BinaryOperator::Add, left, right);
  ASSERT_TRUE(joined.has_value());
  EXPECT_FALSE(joined->shares_storage_with(left));
  EXPECT_EQ(left.as_text(), "ab");
  EXPECT_EQ(right.as_text(), "cd");
}

// ---------------------------------------------------------------------------------------------
// Flow arguments

TEST(ArgumentTest, IntegersThenDecimalsThenTruthWordsThenText) {
  struct Case {
    std::string_view argument;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {"42", "Integer 42"},
      {"-7", "Integer -7"},
      {"+5", "Integer 5"},
      {"0", "Integer 0"},
      {"-0", "Integer 0"},
      {"007", "Integer 7"},
      {"9223372036854775807", "Integer 9223372036854775807"},
      {"-9223372036854775808", "Integer -9223372036854775808"},
      {"9223372036854775808", "Decimal 9223372036854776000"},
      {"12345678901234567890", "Decimal 12345678901234567000"},
      {"-99999999999999999999", "Decimal -100000000000000000000"},
      {"3.5", "Decimal 3.5"},
      {"-3.5", "Decimal -3.5"},
      {"+3.5", "Decimal 3.5"},
      {"1e3", "Decimal 1000"},
      {"1E3", "Decimal 1000"},
      {"1e+3", "Decimal 1000"},
      {"2.5e-3", "Decimal 0.0025"},
      {".5", "Decimal 0.5"},
      {"5.", "Decimal 5"},
      {"1e400", "Decimal inf"},
      {"-1e400", "Decimal -inf"},
      {"1e-400", "Decimal 0"},
      {"-1e-400", "Decimal -0"},
      {"0.0000000000000000000000000001e-300", "Decimal 0"},
      {"100000000000000000000000000000e300", "Decimal inf"},
      {"inf", "Decimal inf"},
      {"+inf", "Decimal inf"},
      {"-Infinity", "Decimal -inf"},
      {"INFINITY", "Decimal inf"},
      {"NaN", "Decimal NaN"},
      {"nan", "Decimal NaN"},
      {"-nan", "Decimal NaN"},
      {"true", "Bool true"},
      {"false", "Bool false"},
      {"False", "Text False"},
      {"TRUE", "Text TRUE"},
      {"hello", "Text hello"},
      {"", "Text "},
      {"--pretend", "Text --pretend"},
      {"+", "Text +"},
      {"-", "Text -"},
      {"+-5", "Text +-5"},
      {"-+5", "Text -+5"},
      {"++5", "Text ++5"},
      {"--5", "Text --5"},
      {" 5", "Text  5"},
      {"5 ", "Text 5 "},
      {"1e", "Text 1e"},
      {"e5", "Text e5"},
      {".", "Text ."},
      {"0x10", "Text 0x10"},
      {"1_000", "Text 1_000"},
      {"nan(1)", "Text nan(1)"},
      {"infinit", "Text infinit"},
      {"infinityy", "Text infinityy"},
      {"3.5.1", "Text 3.5.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(describe(value_from_argument(c.argument)), c.expected);
  }
}

}  // namespace
}  // namespace pellix
