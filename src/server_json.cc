// JSON leaves the server built by hand, in the exact forms the generated page reads; bodies
// come in through a real JSON parser so that a comma or a quote inside a value survives, with
// the lenient splitter kept for bodies that are not JSON objects.
#include "server_json.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_map>

#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";

bool is_container(const Value& value) {
  return value.is(ValueKind::List) || value.is(ValueKind::Map) || value.is(ValueKind::AiResult);
}

void append_integer(std::string& out, std::int64_t number) {
  std::array<char, 24> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
  out.append(digits.data(), end);
}

// Appends a value that holds no other values.
void append_json_leaf(std::string& out, const Value& value) {
  switch (value.kind()) {
    case ValueKind::Integer:
      append_integer(out, value.as_integer());
      return;
    case ValueKind::Decimal:
      if (std::isfinite(value.as_decimal())) {
        append_plain_decimal(out, value.as_decimal());
      } else {
        out += "null";  // JSON has no NaN or infinities
      }
      return;
    case ValueKind::Text:
      append_json_text(out, value.as_text());
      return;
    case ValueKind::Bool:
      out += value.as_bool() ? "true" : "false";
      return;
    case ValueKind::Nothing:
      out += "null";
      return;
    case ValueKind::List:
    case ValueKind::Map:
    case ValueKind::AiResult:
      return;
  }
}

void append_ai_result_tail(std::string& out, const AiResult& result) {
  out += ", \"confidence\": ";
  append_json_fixed(out, result.confidence, 2);
  out += ", \"cost\": ";
  append_json_fixed(out, result.cost, 4);
  out += ", \"model\": ";
  append_json_text(out, result.model);
  out += '}';
}

// Pairs in first-seen order with the last value of each key. Bodies are up to a megabyte, so
// keys are looked up through a hash index once there are more than a few.
class PairCollector {
 public:
  void set(std::string key, std::string value) {
    if (const auto position = find(key)) {
      pairs_[*position].second = std::move(value);
      return;
    }
    if (!index_.empty() || pairs_.size() == kIndexThreshold) {
      if (index_.empty()) {
        for (std::size_t i = 0; i < pairs_.size(); ++i) index_.emplace(pairs_[i].first, i);
      }
      index_.emplace(key, pairs_.size());
    }
    pairs_.emplace_back(std::move(key), std::move(value));
  }
  BodyPairs take() { return std::move(pairs_); }

 private:
  static constexpr std::size_t kIndexThreshold = 16;

  std::optional<std::size_t> find(const std::string& key) const {
    if (!index_.empty()) {
      const auto found = index_.find(key);
      if (found == index_.end()) return std::nullopt;
      return found->second;
    }
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
      if (pairs_[i].first == key) return i;
    }
    return std::nullopt;
  }

  BodyPairs pairs_;
  std::unordered_map<std::string, std::size_t> index_;
};

// Receives the parser's events for one body. Members of the top-level object become pairs; a
// nested object or array is written back as compact JSON, numbers in their original spelling.
class TopLevelMembers {
 public:
  using json = nlohmann::json;

  bool null() {
    if (depth_ == 1) return true;  // a null member gives no pair
    return leaf("null");
  }
  bool boolean(bool truth) { return leaf(truth ? "true" : "false"); }
  bool number_integer(json::number_integer_t number) {
    std::string text;
    append_integer(text, number);
    return leaf(text);
  }
  bool number_unsigned(json::number_unsigned_t number) { return leaf(std::to_string(number)); }
  bool number_float(json::number_float_t, const json::string_t& spelling) { return leaf(spelling); }
  bool string(json::string_t& text) {
    if (depth_ == 1) {
      pairs_.set(std::move(key_), std::move(text));
      return true;
    }
    if (depth_ == 0) return not_an_object();
    before_nested_value();
    append_json_text(nested_, text);
    return true;
  }
  bool binary(json::binary_t&) { return not_an_object(); }  // never produced for JSON text

  bool start_object(std::size_t) { return open('{', true); }
  bool end_object() { return close('}'); }
  bool start_array(std::size_t) {
    if (depth_ == 0) return not_an_object();
    return open('[', false);
  }
  bool end_array() { return close(']'); }

  bool key(json::string_t& name) {
    if (depth_ == 1) {
      key_ = std::move(name);
      return true;
    }
    Level& level = levels_.back();
    if (level.has_items) nested_ += ',';
    level.has_items = true;
    append_json_text(nested_, name);
    nested_ += ':';
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }

  BodyPairs take() { return pairs_.take(); }

 private:
  struct Level {
    bool is_object = false;
    bool has_items = false;
  };

  bool not_an_object() { return false; }

  // A scalar: a member of its own at the top level, part of the nested text below it.
  bool leaf(std::string_view text) {
    if (depth_ == 0) return not_an_object();
    if (depth_ == 1) {
      pairs_.set(std::move(key_), std::string(text));
      return true;
    }
    before_nested_value();
    nested_ += text;
    return true;
  }

  void before_nested_value() {
    Level& level = levels_.back();
    if (level.is_object) return;  // the key wrote the separator
    if (level.has_items) nested_ += ',';
    level.has_items = true;
  }

  bool open(char bracket, bool is_object) {
    if (depth_ == 1) {
      nested_.clear();
    } else if (depth_ > 1) {
      before_nested_value();
    }
    ++depth_;
    if (depth_ > 1) {
      nested_ += bracket;
      levels_.push_back({is_object, false});
    }
    return true;
  }

  bool close(char bracket) {
    --depth_;
    if (depth_ == 0) return true;
    nested_ += bracket;
    levels_.pop_back();
    if (depth_ == 1) pairs_.set(std::move(key_), std::move(nested_));
    return true;
  }

  std::size_t depth_ = 0;  // containers open, the top-level object included
  std::string key_;        // the top-level member being read
  std::string nested_;     // the JSON text of the nested value being read
  std::vector<Level> levels_;
  PairCollector pairs_;
};

bool is_json_object(std::string_view body) {
  for (const char c : body) {
    if (c == '{') return true;
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return false;
}

std::string_view trim_quotes(std::string_view text) {
  const std::size_t first = text.find_first_not_of('"');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of('"') - first + 1);
}

}  // namespace

void append_json_text(std::string& out, std::string_view text) {
  out += '"';
  std::size_t plain_from = 0;  // the start of the run copied unchanged
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte != '"' && byte != '\\' && byte < 0x80) {
      ++at;
      continue;
    }
    if (byte >= 0x80) {
      const DecodedCodePoint decoded = decode_utf8(text, at);
      if (decoded.is_valid) {
        at += decoded.length;
        continue;
      }
    }
    out.append(text.substr(plain_from, at - plain_from));
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHexDigits[byte >> 4];
          out += kHexDigits[byte & 0xF];
        } else {
          append_utf8(out, kReplacementCharacter);
        }
    }
    ++at;
    plain_from = at;
  }
  out.append(text.substr(plain_from));
  out += '"';
}

void append_json_fixed(std::string& out, double value, int decimals) {
  if (std::isfinite(value)) {
    append_fixed_decimal(out, value, decimals);
  } else {
    out += "null";
  }
}

void append_json(std::string& out, const Value& value) {
  if (!is_container(value)) {
    append_json_leaf(out, value);
    return;
  }
  // An explicit stack instead of recursion: nesting depth is up to the program.
  struct Frame {
    const Value* container;
    std::size_t next;  // the element or entry to write next
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
        append_json_text(out, entry.key);
        out += ": ";
        child = &entry.value;
        break;
      }
      case ValueKind::AiResult: {
        const AiResult& result = frame.container->as_ai_result();
        if (frame.next == 0) {
          out += "{\"value\": ";
          ++frame.next;
          child = &result.value;
          break;
        }
        append_ai_result_tail(out, result);
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
    if (is_container(*child)) {
      stack.push_back({child, 0});
    } else {
      append_json_leaf(out, *child);
    }
  }
}

void append_json(std::string& out, const Map& map) {
  out += '{';
  bool is_first = true;
  for (const Map::Entry& entry : map) {
    if (!is_first) out += ", ";
    is_first = false;
    append_json_text(out, entry.key);
    out += ": ";
    append_json(out, entry.value);
  }
  out += '}';
}

std::string to_json(const Value& value) {
  std::string out;
  append_json(out, value);
  return out;
}

BodyPairs read_body_pairs(std::string_view body) {
  if (is_json_object(body)) {
    TopLevelMembers members;
    if (nlohmann::json::sax_parse(body.begin(), body.end(), &members)) return members.take();
  }
  return split_pairs(body);
}

BodyPairs split_pairs(std::string_view body) {
  std::string_view rest = trim_unicode_white_space(body);
  while (rest.starts_with('{')) rest.remove_prefix(1);
  while (rest.ends_with('}')) rest.remove_suffix(1);
  PairCollector pairs;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view segment = rest.substr(0, comma);
    if (const std::size_t colon = segment.find(':'); colon != std::string_view::npos) {
      pairs.set(std::string(trim_quotes(trim_unicode_white_space(segment.substr(0, colon)))),
                std::string(trim_quotes(trim_unicode_white_space(segment.substr(colon + 1)))));
    }
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return pairs.take();
}

}  // namespace pellix
