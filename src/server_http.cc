// Requests are read line by line as bytes arrive, so that one connection never needs more
// memory than its limits allow: a line is bounded before it is kept, and the announced body
// length is checked before any room is made for it.
#include "server_http.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kContentLength = "content-length:";
constexpr std::string_view kHost = "host:";
constexpr std::string_view kOrigin = "origin:";

constexpr std::string_view kJsonHead =
    "\r\nContent-Type: application/json\r\nAccess-Control-Allow-Origin: *\r\nContent-Length: ";
constexpr std::string_view kPageHead =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: ";

bool starts_with_ignoring_case(std::string_view text, std::string_view lower_prefix) {
  if (text.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower_prefix[i]) return false;
  }
  return true;
}

// The next word of `line` from `at` on, words being separated by runs of white space;
// empty when there is none.
std::string_view next_word(std::string_view line, std::size_t& at) {
  while (at < line.size()) {
    const std::size_t space = white_space_length(line, at);
    if (space == 0) break;
    at += space;
  }
  const std::size_t start = at;
  while (at < line.size() && white_space_length(line, at) == 0) ++at;
  return line.substr(start, at - start);
}

void append_length(std::string& out, std::size_t length) {
  std::array<char, 24> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), length);
  out.append(digits.data(), end);
}

}  // namespace

RequestReader::State RequestReader::take(std::string_view bytes) {
  while (!bytes.empty() && state_ == State::Reading) {
    if (phase_ == Phase::MessageBody) {
      const std::size_t count = static_cast<std::size_t>(
          std::min<std::uint64_t>(bytes.size(), body_length_ - request_.body.size()));
      request_.body.append(bytes.substr(0, count));
      bytes.remove_prefix(count);
      if (request_.body.size() == body_length_) complete();
      continue;
    }
    const std::size_t line_feed = bytes.find('\n');
    const std::size_t length = line_feed == std::string_view::npos ? bytes.size() : line_feed;
    if (partial_line_.size() + length > limits_.max_line_bytes) {
      if (phase_ == Phase::RequestLine) {
        state_ = State::Refused;
      } else {
        headers_too_large();
      }
      return state_;
    }
    if (line_feed == std::string_view::npos) {
      partial_line_.append(bytes);
      return state_;
    }
    // The line feed is part of the line, as the request line's UTF-8 check sees it.
    if (partial_line_.empty()) {
      read_line(bytes.substr(0, line_feed + 1));
    } else {
      partial_line_.append(bytes.substr(0, line_feed + 1));
      read_line(partial_line_);
      partial_line_.clear();
    }
    bytes.remove_prefix(line_feed + 1);
  }
  if (!bytes.empty()) has_unread_input_ = true;
  return state_;
}

RequestReader::State RequestReader::finish() {
  if (state_ != State::Reading) return state_;
  if (!partial_line_.empty()) {
    read_line(partial_line_);
    partial_line_.clear();
    if (state_ != State::Reading) return state_;
  }
  switch (phase_) {
    case Phase::RequestLine:
      state_ = State::Refused;  // nothing came at all
      break;
    case Phase::Headers:
      end_headers();
      if (phase_ == Phase::MessageBody) finish();
      break;
    case Phase::MessageBody:
      // The room was made when the length passed its check.
      request_.body.resize(static_cast<std::size_t>(body_length_), '\0');
      complete();
      break;
  }
  return state_;
}

void RequestReader::reset() {
  state_ = State::Reading;
  phase_ = Phase::RequestLine;
  request_.method.clear();
  request_.path.clear();
  request_.body.clear();
  request_.hosts.clear();
  request_.origins.clear();
  request_.is_body_too_large = false;
  request_.are_headers_too_large = false;
  partial_line_.clear();
  header_count_ = 0;
  body_length_ = 0;
  has_unread_input_ = false;
}

void RequestReader::read_line(std::string_view line) {
  if (phase_ == Phase::RequestLine) {
    read_request_line(line);
  } else {
    read_header(line);
  }
}

void RequestReader::read_request_line(std::string_view line) {
  if (find_invalid_utf8(line)) {
    state_ = State::Refused;
    return;
  }
  std::size_t at = 0;
  const std::string_view method = next_word(line, at);
  const std::string_view path = next_word(line, at);
  if (path.empty()) {
    state_ = State::Refused;
    return;
  }
  request_.method.assign(method);
  request_.path.assign(path);
  phase_ = Phase::Headers;
}

void RequestReader::read_header(std::string_view line) {
  line = trim_unicode_white_space(line);
  if (line.empty()) {
    end_headers();
    return;
  }
  if (++header_count_ > limits_.max_headers) {
    headers_too_large();
    return;
  }
  // The value runs from the first colon to a second one, if any.
  const auto value_after = [line](std::string_view name) {
    const std::string_view rest = line.substr(name.size());
    return trim_unicode_white_space(rest.substr(0, rest.find(':')));
  };
  if (starts_with_ignoring_case(line, kContentLength)) {
    // A length that does not read as a number, or that overflows, announces no body.
    body_length_ = parse_unsigned(value_after(kContentLength), UINT64_MAX).value_or(0);
  } else if (starts_with_ignoring_case(line, kHost)) {
    // A host carries its port after a colon, so the value is the whole rest of the line.
    request_.hosts.emplace_back(trim_unicode_white_space(line.substr(kHost.size())));
  } else if (starts_with_ignoring_case(line, kOrigin)) {
    request_.origins.emplace_back(trim_unicode_white_space(line.substr(kOrigin.size())));
  }
}

void RequestReader::headers_too_large() {
  request_.are_headers_too_large = true;
  has_unread_input_ = true;
  complete();
}

void RequestReader::end_headers() {
  if (body_length_ > limits_.max_body_bytes) {
    request_.is_body_too_large = true;
    has_unread_input_ = true;
    complete();
  } else if (body_length_ == 0) {
    complete();
  } else {
    request_.body.reserve(static_cast<std::size_t>(body_length_));
    phase_ = Phase::MessageBody;
  }
}

void RequestReader::complete() {
  state_ = State::Complete;
  if (find_invalid_utf8(request_.body)) request_.body = replace_invalid_utf8(request_.body);
}

void append_json_answer(std::string& out, std::string_view status, std::string_view body) {
  out += "HTTP/1.1 ";
  out += status;
  out += kJsonHead;
  append_length(out, body.size());
  out += "\r\n\r\n";
  out += body;
}

void append_page_answer(std::string& out, std::string_view page) {
  out += kPageHead;
  append_length(out, page.size());
  out += "\r\n\r\n";
  out += page;
}

}  // namespace pellix
