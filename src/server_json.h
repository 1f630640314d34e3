// The JSON the API server writes, and the reading of request bodies into (key, value) pairs.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value.h"

namespace pellix {

// Appends `text` as a JSON string with its quotes: '"', '\\' and control characters escaped,
// ill-formed UTF-8 replaced by U+FFFD, so the result is always valid JSON.
void append_json_text(std::string& out, std::string_view text);

// Appends the JSON form of `value`: numbers as plain digits (a whole decimal without a
// fraction, a non-finite one as null), texts escaped, nothing as null, lists and maps in their
// own order with ", " between items and ": " after keys, an AI result as
// {"value": ..., "confidence": 0.85, "cost": 0.0033, "model": "..."}.
void append_json(std::string& out, const Value& value);
std::string to_json(const Value& value);
// A map as its Value would be written.
void append_json(std::string& out, const Map& map);

// Appends a number with exactly `decimals` digits after the point, or null when it is not
// finite.
void append_json_fixed(std::string& out, double value, int decimals);

// The (key, value) texts of a request body, in the body's order; a key given twice keeps its
// first place and its last value.
using BodyPairs = std::vector<std::pair<std::string, std::string>>;

// Reads a body that is a JSON object member by member: a string gives its text, a number,
// true or false its JSON text, a nested object or array its JSON text, and null no pair at
// all. Any other body goes to `split_pairs`.
BodyPairs read_body_pairs(std::string_view body);

// The lenient reading of a body: braces stripped from both ends, pairs split at every comma
// and at the first colon of each, quotes stripped from both ends of keys and values; a piece
// without a colon gives no pair.
BodyPairs split_pairs(std::string_view body);

}  // namespace pellix
