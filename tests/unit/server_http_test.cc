// Reading requests within their limits, and the framing of answers.
#include "server_http.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace pellix {
namespace {

using State = RequestReader::State;

// Feeds `bytes` in pieces of `piece` bytes, then the end of the stream when `ends` holds.
State read(RequestReader& reader, std::string_view bytes, std::size_t piece, bool ends) {
  State state = reader.state();
  for (std::size_t at = 0; at < bytes.size() && state == State::Reading; at += piece) {
    state = reader.take(bytes.substr(at, piece));
  }
  return ends ? reader.finish() : state;
}

TEST(RequestReaderTest, ReadsMethodPathHeadersAndBodyHoweverTheBytesArrive) {
  const std::string request =
      "POST /api/task HTTP/1.1\r\nHost: localhost:3000\r\nOrigin:  http://localhost:3000 \r\n"
      "content-LENGTH: 11\r\nX-Other: y\r\n\r\n{\"a\":\"b c\"}";
  for (const std::size_t piece : {request.size(), std::size_t{1}, std::size_t{7}}) {
    RequestReader reader;
    ASSERT_EQ(read(reader, request, piece, false), State::Complete) << piece;
    const Request& read_request = reader.request();
    EXPECT_EQ(read_request.method, "POST");
    EXPECT_EQ(read_request.path, "/api/task");
    EXPECT_EQ(read_request.body, "{\"a\":\"b c\"}");
    EXPECT_EQ(read_request.hosts, std::vector<std::string>{"localhost:3000"});
    EXPECT_EQ(read_request.origins, std::vector<std::string>{"http://localhost:3000"});
    EXPECT_FALSE(read_request.is_body_too_large);
    EXPECT_FALSE(read_request.are_headers_too_large);
    EXPECT_FALSE(reader.has_unread_input());
  }
}

TEST(RequestReaderTest, RequestLineIsSplitAtRunsOfWhiteSpace) {
  RequestReader reader;
  ASSERT_EQ(read(reader, " \tget \u00a0 /x?y=1   extra words\n\n", 100, false), State::Complete);
  EXPECT_EQ(reader.request().method, "get");
  EXPECT_EQ(reader.request().path, "/x?y=1");
}

TEST(RequestReaderTest, MalformedOrMissingRequestLinesAreRefused) {
  const std::vector<std::string_view> requests = {
      "",
      "\r\n",
      "GET\r\n\r\n",
      "   GET    \r\n\r\n",
      "GET /caf\xC3 HTTP/1.1\r\n\r\n",
      "GET /\xFF HTTP/1.1\r\n\r\n",
  };
  for (const std::string_view request : requests) {
    RequestReader reader;
    EXPECT_EQ(read(reader, request, 100, true), State::Refused) << request;
  }
}

TEST(RequestReaderTest, StreamEndingEarlyStillGivesTheRequest) {
  RequestReader line_only;
  ASSERT_EQ(read(line_only, "GET /api/health", 100, true), State::Complete);
  EXPECT_EQ(line_only.request().path, "/api/health");

  RequestReader partial_header;
  ASSERT_EQ(read(partial_header, "POST /a HTTP/1.1\r\nContent-Length: 3", 100, true),
            State::Complete);
  EXPECT_EQ(partial_header.request().body, std::string(3, '\0'));

  RequestReader short_body;
  ASSERT_EQ(read(short_body, "POST /a\r\nContent-Length: 6\r\n\r\nab", 100, false), State::Reading);
  ASSERT_EQ(short_body.finish(), State::Complete);
  EXPECT_EQ(short_body.request().body, std::string("ab\0\0\0\0", 6));
}

TEST(RequestReaderTest, ContentLengthIsTheLastValidOneOrNothing) {
  struct Case {
    std::string_view headers;
    std::string_view body;
  };
  const std::vector<Case> cases = {
      {"Content-Length: 2\r\nContent-Length: 4\r\n", "abcd"},
      {"Content-Length: 4\r\nContent-Length: abc\r\n", ""},
      {"Content-Length: +3\r\n", "abc"},
      {"Content-Length: 3:9\r\n", "abc"},
      {"Content-Length: -3\r\n", ""},
      {"Content-Length: 3 3\r\n", ""},
      {"Content-Length: 99999999999999999999999\r\n", ""},
      {"Content-Length : 3\r\n", ""},
      {"X-Content-Length: 3\r\n", ""},
  };
  for (const Case& test : cases) {
    RequestReader reader;
    const std::string request = "POST /a HTTP/1.1\r\n" + std::string(test.headers) + "\r\nabcdef";
    ASSERT_EQ(read(reader, request, request.size(), false), State::Complete) << test.headers;
    EXPECT_EQ(reader.request().body, test.body) << test.headers;
  }
}

TEST(RequestReaderTest, BodyIsDecodedWithReplacementCharacters) {
  RequestReader reader;
  ASSERT_EQ(read(reader, "POST /a\r\nContent-Length: 4\r\n\r\na\xFF\xC3z", 100, false),
            State::Complete);
  EXPECT_EQ(reader.request().body, "a\uFFFD\uFFFDz");
}

TEST(RequestReaderTest, LinesAreBoundedBeforeTheyAreKept) {
  const HttpLimits limits;
  const std::string longest_path(limits.max_line_bytes - 8, 'p');  // "GET /" + path + " 1"
  RequestReader fits;
  EXPECT_EQ(read(fits, "GET /" + longest_path + " 1\r\n\r\n", 1000, false), State::Complete);
  RequestReader too_long;
  EXPECT_EQ(read(too_long, "GET /" + longest_path + "x 1\r\n\r\n", 1000, false), State::Refused);
  RequestReader endless;  // no line feed ever comes
  EXPECT_EQ(read(endless, std::string(1 << 20, 'G'), 4096, false), State::Refused);

  RequestReader long_header;
  const std::string header = "X: " + std::string(limits.max_line_bytes, 'v') + "\r\n";
  ASSERT_EQ(read(long_header, "GET / HTTP/1.1\r\n" + header + "\r\n", 1000, false),
            State::Complete);
  EXPECT_TRUE(long_header.request().are_headers_too_large);
  EXPECT_TRUE(long_header.has_unread_input());
}

TEST(RequestReaderTest, AtMostAHundredHeaders) {
  std::string headers;
  for (int i = 0; i < 100; ++i) headers += "X-" + std::to_string(i) + ": v\r\n";
  RequestReader hundred;
  ASSERT_EQ(read(hundred, "GET / HTTP/1.1\r\n" + headers + "\r\n", 512, false), State::Complete);
  EXPECT_FALSE(hundred.request().are_headers_too_large);
  RequestReader more;
  ASSERT_EQ(read(more, "GET / HTTP/1.1\r\n" + headers + "X: v\r\n\r\n", 512, false),
            State::Complete);
  EXPECT_TRUE(more.request().are_headers_too_large);
}

TEST(RequestReaderTest, AnnouncedBodyOverTheLimitIsNeitherReadNorMadeRoomFor) {
  const HttpLimits limits;
  RequestReader at_limit;
  const std::string body(limits.max_body_bytes, 'b');
  ASSERT_EQ(read(at_limit,
                 "POST /a\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
                 65536, false),
            State::Complete);
  EXPECT_EQ(at_limit.request().body.size(), body.size());
  EXPECT_FALSE(at_limit.request().is_body_too_large);

  for (const std::string_view length : {"1048577", "18446744073709551615"}) {
    RequestReader over;
    ASSERT_EQ(
        read(over, "POST /a\r\nContent-Length: " + std::string(length) + "\r\n\r\nxyz", 100, false),
        State::Complete);
    EXPECT_TRUE(over.request().is_body_too_large);
    EXPECT_TRUE(over.request().body.empty());
    EXPECT_LT(over.request().body.capacity(), 1024U);
    EXPECT_TRUE(over.has_unread_input());
  }
}

TEST(RequestReaderTest, BytesAfterTheRequestAreLeftUnread) {
  RequestReader reader;
  ASSERT_EQ(read(reader, "POST /a\r\nContent-Length: 2\r\n\r\nabGET /b\r\n\r\n", 100, false),
            State::Complete);
  EXPECT_EQ(reader.request().body, "ab");
  EXPECT_TRUE(reader.has_unread_input());
  EXPECT_EQ(reader.take("more"), State::Complete);
}

TEST(RequestReaderTest, ResetReadsTheNextRequestAfresh) {
  RequestReader reader;
  ASSERT_EQ(read(reader, "POST /a\r\nHost: x\r\nContent-Length: 2\r\n\r\nab", 100, false),
            State::Complete);
  reader.reset();
  ASSERT_EQ(read(reader, "GET /b\r\n\r\n", 100, false), State::Complete);
  EXPECT_EQ(reader.request().path, "/b");
  EXPECT_EQ(reader.request().body, "");
  EXPECT_TRUE(reader.request().hosts.empty());
  EXPECT_FALSE(reader.has_unread_input());
}

TEST(AnswerFramingTest, JsonAndPageAnswersAreFramedByteForByte) {
  std::string json;
  append_json_answer(json, "201 Created", R"({"ok":true,"id":1})");
  EXPECT_EQ(json,
            "HTTP/1.1 201 Created\r\nContent-Type: application/json\r\n"
            "Access-Control-Allow-Origin: *\r\nContent-Length: 18\r\n\r\n{\"ok\":true,\"id\":1}");
  std::string page;
  append_page_answer(page, "<p>\u00e9</p>");
  EXPECT_EQ(page,
            "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 9\r\n"
            "\r\n<p>\u00e9</p>");
}

}  // namespace
}  // namespace pellix
