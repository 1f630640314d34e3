// Reading provider answers: fields found by key, JSON string decoding, counts, the provider's
// error message and the cost, on the answer shapes the providers really send.
#include "ai_answer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "os.h"

namespace pellix {
namespace {

TEST(AiAnswer, StringFieldsAreFoundByKeyAndDecodedAsJson) {
  struct Case {
    std::string body;
    std::optional<std::string> text;  // of the field "text"
  };
  const std::vector<Case> cases = {
      {R"({"text":"Hello"})", "Hello"},
      // The quoted name standing as a value is passed over.
      {R"({"content":[{"type":"text","text":"Hi"}]})", "Hi"},
      {R"({"a":"say \"text\": no","text":"yes"})", "yes"},
      // White space, Unicode white space included, may stand around the colon.
      {"{\"text\" \n:\t \"spaced\"}", "spaced"},
      {"{\"text\"\xC2\xA0:\xE2\x80\x83\"wide\"}", "wide"},
      // No such key, or a value that is not a string.
      {R"({"texts":"no"})", std::nullopt},
      {R"({"text":null})", std::nullopt},
      {R"({"text":["a"]})", std::nullopt},
      {"", std::nullopt},
      // Every JSON escape.
      {R"({"text":"a\nb\tc\"d\\e\/f\bg\fh\ri"})", "a\nb\tc\"d\\e/f\bg\fh\ri"},
      {R"({"text":"\u003cb\u003e \u0026 \u00e9t\u00E9 \u0041"})", "<b> & \xC3\xA9t\xC3\xA9 A"},
      {R"({"text":"\ud83d\ude00!"})", "\xF0\x9F\x98\x80!"},
      // Halves of a surrogate pair alone become U+FFFD.
      {R"({"text":"\ud83d x"})", "\xEF\xBF\xBD x"},
      {R"({"text":"\ude00"})", "\xEF\xBF\xBD"},
      {R"({"text":"\ud83d\u0041"})",
       "\xEF\xBF\xBD"
       "A"},
      // What JSON does not know is kept as written.
      {R"({"text":"\x \u12G4 \q"})", "\\x \\u12G4 \\q"},
      {R"({"text":"ab\u12)", "ab\\u12"},
      // An unterminated value yields what it holds; a final lone backslash is dropped.
      {R"({"text":"abc)", "abc"},
      {R"({"text":"abc\)", "abc"},
      {"{\"text\":\"raw \xF0\x9F\x98\x80 bytes\"}", "raw \xF0\x9F\x98\x80 bytes"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_string_field(c.body, "text"), c.text) << c.body;
  }
}

TEST(AiAnswer, CountFieldsAreDecimalRunsAfterTheirKey) {
  struct Case {
    std::string body;
    std::optional<std::uint64_t> count;  // of the field "input_tokens"
  };
  const std::vector<Case> cases = {
      {R"({"input_tokens":1000})", 1000},
      {R"({"input_tokens" : 42,"output_tokens":7})", 42},
      {R"({"cache_creation_input_tokens":7,"input_tokens":3})", 3},
      {R"({"input_tokens":18446744073709551615})", 18446744073709551615u},
      {R"({"input_tokens":18446744073709551616})", std::nullopt},
      {R"({"input_tokens":-5})", std::nullopt},
      {R"({"input_tokens":"12"})", std::nullopt},
      {R"({"input_tokens":null})", std::nullopt},
      {R"({"output_tokens":12})", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_count_field(c.body, "input_tokens"), c.count) << c.body;
  }
}

TEST(AiAnswer, ErrorMessageIsTheMessageElseTheErrorElseTheBody) {
  struct Case {
    std::string body;
    std::string message;
  };
  const std::vector<Case> cases = {
      {R"({"error":{"type":"x","message":"invalid x-api-key"}})", "invalid x-api-key"},
      {R"({"error":"model \"llama9\" not found"})", "model \"llama9\" not found"},
      {R"({"message":"","error":"second"})", "second"},
      {R"({"detail":"Not Found"})", R"({"detail":"Not Found"})"},
      {"\n  <html>404 Not Found</html>\n", "<html>404 Not Found</html>"},
      {"", "empty answer"},
      {" \n", "empty answer"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(provider_error_message(c.body), c.message) << c.body;
  }
}

TEST(AiAnswer, CostIsThreeAndFifteenDollarsPerMillionTokens) {
  EXPECT_DOUBLE_EQ(token_cost(1000, 2000), 0.033);
  EXPECT_DOUBLE_EQ(token_cost(1000, std::nullopt), 0.003);
  EXPECT_DOUBLE_EQ(token_cost(std::nullopt, 2000), 0.03);
  EXPECT_DOUBLE_EQ(token_cost(std::nullopt, std::nullopt), 0.0);
  EXPECT_DOUBLE_EQ(token_cost(1'000'000, 1'000'000), 18.0);
}

std::string fixture(const std::string& name) {
  Result<std::string> content =
      os::read_file(std::string(PELLIX_FIXTURES_DIR) + "/providers/" + name);
  EXPECT_TRUE(content.has_value()) << name;
  return content ? *content : "";
}

// The answers as the providers send them: the reply where there is one, else the message a
// user is shown, and the token counts.
TEST(AiAnswer, RealProviderAnswersAreRead) {
  struct Case {
    std::string file;
    std::string reply_field;
    std::optional<std::string> reply;
    std::string error;  // when there is no reply
    std::string input_field;
    std::string output_field;
    std::optional<std::uint64_t> input;
    std::optional<std::uint64_t> output;
  };
  const std::vector<Case> cases = {
      {"anthropic-ok.json", "text",
       "Hello! \"Pellix\" says hi.\nSecond line \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "",
       "input_tokens", "output_tokens", 1000, 2000},
      {"anthropic-error.json", "text", std::nullopt, "invalid x-api-key", "input_tokens",
       "output_tokens", std::nullopt, std::nullopt},
      {"anthropic-overloaded.json", "text", std::nullopt, "Overloaded", "input_tokens",
       "output_tokens", std::nullopt, std::nullopt},
      {"openai-ok.json", "content", "Hello! How can I assist you today? Use <b>bold</b> & more.",
       "", "prompt_tokens", "completion_tokens", 1000, 2000},
      {"openai-error.json", "content", std::nullopt,
       "Incorrect API key provided: sk-proj-****abcd. You can find your API key at "
       "https://platform.openai.com/account/api-keys.",
       "prompt_tokens", "completion_tokens", std::nullopt, std::nullopt},
      {"openai-quota.json", "content", std::nullopt,
       "You exceeded your current quota, please check your plan and billing details.",
       "prompt_tokens", "completion_tokens", std::nullopt, std::nullopt},
      {"google-ok.json", "text", "Hello there! How can I help you today?\n", "", "promptTokenCount",
       "candidatesTokenCount", 4, 11},
      {"google-error.json", "text", std::nullopt, "API key not valid. Please pass a valid API key.",
       "promptTokenCount", "candidatesTokenCount", std::nullopt, std::nullopt},
      {"ollama-ok.json", "response",
       "The sky is blue because of Rayleigh scattering: <short> light & long light.", "",
       "prompt_eval_count", "eval_count", 26, 290},
      {"ollama-error.json", "response", std::nullopt,
       "model \"llama9\" not found, try pulling it first", "prompt_eval_count", "eval_count",
       std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string body = fixture(c.file);
    EXPECT_EQ(find_string_field(body, c.reply_field), c.reply);
    if (!c.reply) {
      EXPECT_EQ(provider_error_message(body), c.error);
    }
    EXPECT_EQ(find_count_field(body, c.input_field), c.input);
    EXPECT_EQ(find_count_field(body, c.output_field), c.output);
  }
}

}  // namespace
}  // namespace pellix
