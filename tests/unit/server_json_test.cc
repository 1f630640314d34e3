// The JSON the server writes and the reading of request bodies.
#include "server_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "value.h"

namespace pellix {
namespace {

Value map_of(std::vector<std::pair<std::string, Value>> entries) {
  Map map;
  for (auto& [key, value] : entries) map.set(key, value);
  return Value::map(std::move(map));
}

TEST(JsonFormTest, WritesEveryKindOfValue) {
  struct Case {
    Value value;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {Value::integer(-7), "-7"},
      {Value::integer(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {Value::decimal(2.0), "2"},
      {Value::decimal(2.5), "2.5"},
      {Value::decimal(0.1 + 0.2), "0.30000000000000004"},
      {Value::decimal(1e21), "1000000000000000000000"},
      {Value::decimal(1e-7), "0.0000001"},
      {Value::decimal(std::nan("")), "null"},
      {Value::decimal(std::numeric_limits<double>::infinity()), "null"},
      {Value::decimal(-std::numeric_limits<double>::infinity()), "null"},
      {Value::text("plain"), R"("plain")"},
      {Value::text("say \"hi\"\\ now"), R"("say \"hi\"\\ now")"},
      {Value::text("a\nb\r\tc\b\f"), R"("a\nb\r\tc\b\f")"},
      {Value::text(std::string("nul\0\x1f\x7f", 6)), "\"nul\\u0000\\u001f\x7f\""},
      {Value::text("caf\u00e9 \u2014 \U0001F600"), "\"caf\u00e9 \u2014 \U0001F600\""},
      {Value::text("bad \xff\xc3 end"), "\"bad \uFFFD\uFFFD end\""},
      {Value::boolean(true), "true"},
      {Value::nothing(), "null"},
      {Value::list(), "[]"},
      {Value::list({Value::integer(1), Value::list({Value::integer(2), Value::text("x")}),
                    Value::nothing()}),
       R"([1, [2, "x"], null])"},
      {map_of({}), "{}"},
      {map_of({{"b", Value::integer(1)}, {"a\"\n", Value::text("v")}}),
       R"({"b": 1, "a\"\n": "v"})"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(to_json(test.value), test.expected) << display(test.value);
  }
}

TEST(JsonFormTest, AiResultCarriesItsConfidenceCostAndModel) {
  const auto result = [](double confidence, double cost, std::string model) {
    return Value::ai_result({Value::text("yes"), confidence, cost, std::move(model)});
  };
  EXPECT_EQ(to_json(result(0.85, 0.0033, "gpt-4o-mini")),
            R"({"value": "yes", "confidence": 0.85, "cost": 0.0033, "model": "gpt-4o-mini"})");
  EXPECT_EQ(to_json(result(0.8, 0.0, "m")),
            R"({"value": "yes", "confidence": 0.80, "cost": 0.0000, "model": "m"})");
  EXPECT_EQ(to_json(result(std::nan(""), std::numeric_limits<double>::infinity(), "a\"b\\")),
            R"({"value": "yes", "confidence": null, "cost": null, "model": "a\"b\\"})");
  EXPECT_EQ(to_json(Value::list({result(1.0, 0.5, "m")})),
            R"([{"value": "yes", "confidence": 1.00, "cost": 0.5000, "model": "m"}])");
}

// Whatever a program makes, what the server writes parses as JSON and reads back the same.
TEST(JsonFormTest, RandomValuesGiveValidJsonThatReadsBack) {
  std::mt19937 random(7);
  const auto random_text = [&random] {
    std::string text(random() % 12, '\0');
    for (char& c : text) c = static_cast<char>(random() % 256);
    return text;
  };
  const auto random_leaf = [&]() -> Value {
    switch (random() % 5) {
      case 0:
        return Value::integer(static_cast<std::int64_t>(random()) - (1LL << 31));
      case 1:
        return Value::decimal(std::ldexp(static_cast<double>(random()), -16));
      case 2:
        return Value::text(random_text());
      case 3:
        return Value::boolean(random() % 2 == 0);
      default:
        return Value::nothing();
    }
  };
  for (int round = 0; round < 300; ++round) {
    std::vector<Value> elements;
    Map map;
    for (int i = 0; i < 6; ++i) {
      elements.push_back(random_leaf());
      map.set(random_text(), random_leaf());
    }
    elements.push_back(Value::map(map));
    elements.push_back(Value::ai_result({random_leaf(), 0.5, 0.25, random_text()}));
    const std::string json = to_json(Value::list(elements));
    ASSERT_TRUE(nlohmann::json::accept(json)) << json;
    const auto parsed = nlohmann::json::parse(json);
    for (std::size_t i = 0; i < 6; ++i) {
      if (elements[i].is(ValueKind::Text) && !nlohmann::json::accept(to_json(elements[i]))) {
        ADD_FAILURE() << to_json(elements[i]);
      }
      if (elements[i].is(ValueKind::Integer)) {
        EXPECT_EQ(parsed[i].get<std::int64_t>(), elements[i].as_integer());
      }
      if (elements[i].is(ValueKind::Decimal)) {
        EXPECT_EQ(parsed[i].get<double>(), elements[i].as_decimal());
      }
    }
  }
}

TEST(JsonFormTest, DeepNestingIsWrittenWithoutRecursion) {
  Value value = Value::integer(1);
  constexpr int kDepth = 200000;
  for (int i = 0; i < kDepth; ++i) value = Value::list({value});
  const std::string json = to_json(value);
  EXPECT_EQ(json, std::string(kDepth, '[') + "1" + std::string(kDepth, ']'));
}

TEST(BodyReaderTest, JsonObjectMembersGiveTheirTextsInDocumentOrder) {
  const BodyPairs expected = {
      {"title", "a, b"},
      {"count", "30"},
      {"negative", "-5"},
      {"price", "1.50"},
      {"huge", "123456789012345678901234"},
      {"exponent", "1e3"},
      {"yes", "true"},
      {"no", "false"},
      {"nested", R"({"k":[1,"v\"",null,{"x":2.50}],"e":{}})"},
      {"list", "[]"},
      {"quoted", "say \"hi\", \\ and\nmore"},
      {"", "empty key"},
  };
  EXPECT_EQ(read_body_pairs(R"( {"title":"a, b", "count": 30, "negative": -5, "price": 1.50,
      "huge": 123456789012345678901234, "exponent": 1e3, "yes": true, "no": false,
      "skipped": null, "nested": {"k": [1, "v\"", null, {"x": 2.50}], "e": {}},
      "list": [ ], "quoted": "say \"hi\", \\ and\nmore", "": "empty key"} )"),
            expected);
}

TEST(BodyReaderTest, RepeatedKeyKeepsItsPlaceAndTakesTheLastValue) {
  EXPECT_EQ(read_body_pairs(R"({"a":"1","b":"2","a":"3"})"), (BodyPairs{{"a", "3"}, {"b", "2"}}));
  EXPECT_EQ(split_pairs("a:1, b:2, a:3"), (BodyPairs{{"a", "3"}, {"b", "2"}}));
}

TEST(BodyReaderTest, ManyKeysAreReadAndKeptInOrder) {
  std::string body = "{";
  BodyPairs expected;
  for (int i = 0; i < 50000; ++i) {
    if (i > 0) body += ',';
    body += "\"k" + std::to_string(i) + "\":" + std::to_string(i);
    expected.emplace_back("k" + std::to_string(i), std::to_string(i));
  }
  body += ",\"k7\":\"last\"}";
  expected[7].second = "last";
  EXPECT_EQ(read_body_pairs(body), expected);
}

TEST(BodyReaderTest, BodiesThatAreNotJsonObjectsGoToTheSplitter) {
  struct Case {
    std::string_view body;
    BodyPairs expected;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"{}", {}},
      {"  {{ }}  ", {}},
      {"null", {}},
      {"[1, 2]", {}},
      {"\"a:b\"", {{"a", "b"}}},
      {"name: Ann, age: 30", {{"name", "Ann"}, {"age", "30"}}},
      {R"({"a": 1,})", {{"a", "1"}}},  // not valid JSON: a trailing comma
      {R"({"a": "x"} trailing)", {{"a", "x\"} trailing"}}},
      {R"({"n": 1e999})", {{"n", "1e999"}}},  // out of range for JSON numbers
  };
  for (const Case& test : cases) {
    EXPECT_EQ(read_body_pairs(test.body), test.expected) << test.body;
  }
}

// A body cut short by its client arrives padded with zero bytes; the object before them is
// still read as JSON.
TEST(BodyReaderTest, ZeroPaddingAfterAnObjectEndsTheJson) {
  EXPECT_EQ(read_body_pairs(std::string_view("{\"t\":\"ab\"}\0\0", 12)), (BodyPairs{{"t", "ab"}}));
  EXPECT_EQ(read_body_pairs(std::string_view("{\"t\":\"a\0", 8)),
            (BodyPairs{{"t", std::string("a\0", 2)}}));
}

TEST(PairSplitterTest, SplitsAtCommasAndFirstColonsAndStripsQuotes) {
  struct Case {
    std::string_view body;
    BodyPairs expected;
  };
  const std::vector<Case> cases = {
      {R"({"name": "Ann", "age": 30})", {{"name", "Ann"}, {"age", "30"}}},
      {R"({"title":"a, b"})", {{"title", "a"}}},
      {"{\u00a0\"x\" :  \"\"y\"\"  }", {{"x", "y"}}},
      {R"({"url": "http://a:1/"})", {{"url", "http://a:1/"}}},
      {R"({"q": "say \"hi\""})", {{"q", "say \\\"hi\\"}}},
      {R"({"a":{"b":1}})", {{"a", R"({"b":1)"}}},
      {"no colon here, k:v", {{"k", "v"}}},
      {":v", {{"", "v"}}},
      {"{{{}}}", {}},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(split_pairs(test.body), test.expected) << test.body;
  }
}

}  // namespace
}  // namespace pellix
