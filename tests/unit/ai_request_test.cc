// The requests sent to each provider, and the escaping of the prompt inside them.
#include "ai_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellix {
namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;

TEST(AiRequest, PromptEscapingTouchesOnlyFiveCharacters) {
  struct Case {
    std::string prompt;
    std::string escaped;
  };
  const std::vector<Case> cases = {
      {"Hi", "Hi"},
      {"say \"hi\"", "say \\\"hi\\\""},
      {"C:\\temp", "C:\\\\temp"},
      {"one\ntwo", "one\\ntwo"},
      {"one\r\ntwo", "one\\r\\ntwo"},
      {"a\tb", "a\\tb"},
      // A backslash before a quote is doubled once and the quote escaped once.
      {"\\\"", "\\\\\\\""},
      {"\\n", "\\\\n"},
      // Other control characters and all other text pass as they are.
      {"form\ffeed\x01", "form\ffeed\x01"},
      {"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 <b>&</b> /",
       "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 <b>&</b> /"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(escape_prompt(c.prompt), c.escaped) << c.prompt;
  }
}

AiConfig config(std::string provider, std::string model, std::string key, std::string base) {
  return AiConfig{std::move(provider), std::move(model), std::move(key), std::move(base), 1024};
}

TEST(AiRequest, EachProviderGetsItsUrlHeadersAndBody) {
  struct Case {
    std::string name;
    ProviderRequest request;
    ProviderRequest expected;
  };
  const std::string prompt = "About: \"tea\"\n";
  const std::vector<Case> cases = {
      {"anthropic",
       anthropic_request(config("anthropic", "claude-sonnet-4-6", "sk-ant", "https://a.test"),
                         prompt),
       {"https://a.test/v1/messages",
        Headers{{"x-api-key", "sk-ant"},
                {"anthropic-version", "2023-06-01"},
                {"content-type", "application/json"}},
        R"({"model":"claude-sonnet-4-6","max_tokens":1024,"messages":[{"role":"user","content":"About: \"tea\"\n"}]})"}},
      {"openai with a key",
       openai_style_request(config("openai", "gpt-4o-mini", "sk-oa", "http://127.0.0.1:9"), prompt),
       {"http://127.0.0.1:9/v1/chat/completions",
        Headers{{"Content-Type", "application/json"}, {"Authorization", "Bearer sk-oa"}},
        R"({"model":"gpt-4o-mini","max_tokens":1024,"messages":[{"role":"user","content":"About: \"tea\"\n"}]})"}},
      {"compatible without a key",
       openai_style_request(config("openai_compatible", "my-model", "", "http://h"), prompt),
       {"http://h/v1/chat/completions", Headers{{"Content-Type", "application/json"}},
        R"({"model":"my-model","max_tokens":1024,"messages":[{"role":"user","content":"About: \"tea\"\n"}]})"}},
      {"google",
       google_request(config("google", "gemini-pro", "g-key", "https://g.test"), prompt),
       {"https://g.test/v1beta/models/gemini-pro:generateContent?key=g-key",
        Headers{{"Content-Type", "application/json"}},
        R"({"contents":[{"parts":[{"text":"About: \"tea\"\n"}]}]})"}},
      {"local model server",
       local_server_request(config("ollama", "llama3", "", "http://localhost:11434"), prompt),
       {"http://localhost:11434/api/generate", Headers{{"Content-Type", "application/json"}},
        R"({"model":"llama3","prompt":"About: \"tea\"\n","stream":false})"}},
      // The model name goes in as written, a double quote included.
      {"model name unescaped",
       local_server_request(config("ollama", "lla\"ma", "", "http://l"), "x"),
       {"http://l/api/generate", Headers{{"Content-Type", "application/json"}},
        R"({"model":"lla"ma","prompt":"x","stream":false})"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.request.url, c.expected.url);
    EXPECT_EQ(c.request.headers, c.expected.headers);
    EXPECT_EQ(c.request.body, c.expected.body);
  }
}

}  // namespace
}  // namespace pellix
