// Real model calls end to end: `pellix run` starts real curl against a provider stand-in on the
// loopback address (for the providers whose address can be set), or a stand-in curl first on
// PATH that records its arguments (for those whose host is fixed), and prints the run report or
// the error.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/provider_server.h"
#include "support/subprocess.h"

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

fs::path fixture(const std::string& name) {
  return fs::path(PELLIX_FIXTURES_DIR) / "providers" / name;
}

// A program whose flow "main" returns `expression`, with one agent using `model`.
std::string program(const std::string& model, const std::string& expression) {
  return "agent helper uses \"" + model +
         "\":\n  can reason\n  job greet:\n    return 1\nflow main:\n  return " + expression + "\n";
}

// The run report of an AI result, with the milliseconds masked.
std::string report(const std::string& result, const std::string& confidence,
                   const std::string& model, const std::string& cost, bool charged) {
  std::string text = "\n  result:     " + result + "\n  confidence: " + confidence +
                     "\n  model:      " + model + "\n  cost:       $" + cost + "\n";
  if (charged) text += "  total cost: $" + cost + "\n";
  return text + "  time:       #ms\n\n";
}

std::string error_report(const std::string& message) { return "\n  error: " + message + "\n\n"; }

std::string masked_time(const std::string& out) {
  return std::regex_replace(out, std::regex("[0-9]+(?=ms\n)"), "#");
}

// A curl that records its arguments (NUL-separated) and standard input, writes `err` to
// standard error, prints the answer file and exits with `status`.
struct StandInCurl {
  int status = 0;
  std::string err;
  std::optional<fs::path> answer;
};

class ProviderTest : public ::testing::Test {
 protected:
  ProcessResult run(const std::string& source, std::vector<std::string> environment) {
    write_file(work_.path() / "app.plx", source);
    ProcessOptions options;
    options.working_directory = work_.path();
    options.home = home_.path();
    options.time_limit = std::chrono::seconds(60);
    options.environment = std::move(environment);
    ProcessResult result = run_pellix({"run", "app.plx", "main"}, options);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.signal, 0) << result.err;
    return result;
  }

  // Puts a stand-in curl into a folder of its own and yields the PATH entry that puts it
  // first.
  std::string install(const StandInCurl& curl) {
    const fs::path bin = work_.path() / "bin";
    fs::create_directories(bin);
    write_file(work_.path() / "stand-in.err", curl.err);
    std::string script =
        "#!/bin/sh\nfor argument in \"$@\"; do printf '%s\\0' \"$argument\"; done > '" +
        arguments_file().string() + "'\ncat > '" + (work_.path() / "stand-in.in").string() +
        "'\ncat '" + (work_.path() / "stand-in.err").string() + "' >&2\n";
    if (curl.answer) script += "cat '" + curl.answer->string() + "'\n";
    script += "exit " + std::to_string(curl.status) + "\n";
    write_file(bin / "curl", script);
    fs::permissions(bin / "curl", fs::perms::owner_all);
    return "PATH=" + bin.string() + ":" + std::string(std::getenv("PATH"));
  }

  fs::path arguments_file() const { return work_.path() / "stand-in.args"; }

  // The arguments the stand-in curl was given, or nothing when it never ran.
  std::optional<std::vector<std::string>> recorded_arguments() const {
    if (!fs::exists(arguments_file())) return std::nullopt;
    const std::string content = read_file(arguments_file());
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < content.size()) {
      const std::size_t end = content.find('\0', start);
      arguments.push_back(content.substr(start, end - start));
      start = end + 1;
    }
    return arguments;
  }

  TempDir work_;
  TempDir home_;
};

// A topic holding what the prompt escaping must handle: a backslash, a tab, a line feed and
// text beyond ASCII.
const std::string kTopic = "\"tea\\time\there\nthen \xC3\xA9t\xC3\xA9 <b>\"";
const std::string kEscapedPrompt = "About: tea\\\\time\\there\\nthen \xC3\xA9t\xC3\xA9 <b>\\n";

TEST_F(ProviderTest, OpenAiThroughItsBaseUrl) {
  ProviderServer server({{{"/v1/chat/completions", 200, fixture("openai-ok.json")}}});
  const ProcessResult result =
      run(program("gpt-4o-mini", "reason about " + kTopic),
          {"OPENAI_API_KEY=sk-test", "OPENAI_BASE_URL=" + server.url() + "/"});

  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(masked_time(result.out),
            report("Hello! How can I assist you today? Use <b>bold</b> & more.", "0.85",
                   "gpt-4o-mini", "0.0330", true));
  const std::vector<RecordedRequest> requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, "/v1/chat/completions");
  EXPECT_EQ(requests[0].header("Content-Type"), std::vector<std::string>{"application/json"});
  EXPECT_EQ(requests[0].header("Authorization"), std::vector<std::string>{"Bearer sk-test"});
  EXPECT_EQ(requests[0].body,
            R"({"model":"gpt-4o-mini","max_tokens":1024,"messages":[{"role":"user","content":")" +
                kEscapedPrompt + R"("}]})");
}

// The compatible endpoint sends a key only when one of its own variables holds one; an
// Anthropic key never leaves for another host.
TEST_F(ProviderTest, CompatibleEndpointThroughPellixBaseUrl) {
  ProviderServer server({{{"/v1/chat/completions", 200, fixture("openai-ok.json")}}});
  struct Case {
    std::string name;
    std::vector<std::string> keys;
    std::vector<std::string> authorization;
  };
  const std::vector<Case> cases = {
      {"no key", {}, {}},
      {"Anthropic key only", {"ANTHROPIC_API_KEY=sk-ant-secret"}, {}},
      {"Pellix key", {"PELLIX_API_KEY=px-key", "OPENAI_API_KEY=sk-openai"}, {"Bearer px-key"}},
      {"OpenAI key", {"OPENAI_API_KEY=sk-openai"}, {"Bearer sk-openai"}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    std::vector<std::string> environment = c.keys;
    environment.push_back("PELLIX_BASE_URL=" + server.url());
    environment.push_back("OPENAI_BASE_URL=http://127.0.0.1:" +
                          std::to_string(closed_loopback_port()));
    const ProcessResult result = run(program("my-model", "reason about \"tea\""), environment);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(masked_time(result.out),
              report("Hello! How can I assist you today? Use <b>bold</b> & more.", "0.85",
                     "my-model", "0.0330", true));
    const std::vector<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), i + 1);
    EXPECT_EQ(requests[i].path, "/v1/chat/completions");
    EXPECT_EQ(requests[i].header("Authorization"), c.authorization);
    EXPECT_EQ(
        requests[i].body,
        R"({"model":"my-model","max_tokens":1024,"messages":[{"role":"user","content":"About: tea\n"}]})");
  }
}

TEST_F(ProviderTest, LocalModelServerThroughPellixLocalUrl) {
  ProviderServer server({{{"/api/generate", 200, fixture("ollama-ok.json")}}});
  const ProcessResult result = run(program("llama3", "reason about " + kTopic),
                                   {"PELLIX_LOCAL_URL=" + server.url(), "OPENAI_API_KEY=sk-x"});

  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  // The answer's \u003c, \u003e and \u0026 come back as the characters they stand for.
  EXPECT_EQ(masked_time(result.out),
            report("The sky is blue because of Rayleigh scattering: <short> light & long light.",
                   "0.80", "llama3", "0.0000", false));
  const std::vector<RecordedRequest> requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/api/generate");
  EXPECT_EQ(requests[0].header("Content-Type"), std::vector<std::string>{"application/json"});
  EXPECT_EQ(requests[0].header("Authorization"), std::vector<std::string>{});
  EXPECT_EQ(requests[0].body,
            R"({"model":"llama3","prompt":")" + kEscapedPrompt + R"(","stream":false})");
}

const std::string kDebatePrompt =
    "Debate this topic: \\\"tabs\\\"\\nPresent 3 rounds of arguments.\\nFormat:\\nFOR: "
    "[argument]\\nAGAINST: [argument]\\nAfter all rounds, give a VERDICT with your "
    "recommendation and confidence level.";

TEST_F(ProviderTest, AnthropicGetsItsArgumentListByteForByte) {
  const std::string path = install({0, "", fixture("anthropic-ok.json")});
  const ProcessResult result = run(program("claude-sonnet-4-6", "debate \"tabs\": for long"),
                                   {path, "ANTHROPIC_API_KEY=sk-ant-test"});

  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(masked_time(result.out),
            report("Hello! \"Pellix\" says hi.\nSecond line \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80",
                   "0.85", "claude-sonnet-4-6", "0.0330", true));
  EXPECT_EQ(
      recorded_arguments(),
      (std::vector<std::string>{
          "-s", "-X", "POST", "https://api.anthropic.com/v1/messages", "-d",
          R"({"model":"claude-sonnet-4-6","max_tokens":1024,"messages":[{"role":"user","content":")" +
              kDebatePrompt + R"("}]})",
          "-H", "x-api-key: sk-ant-test", "-H", "anthropic-version: 2023-06-01", "-H",
          "content-type: application/json"}));
  EXPECT_EQ(read_file(work_.path() / "stand-in.in"), "");
}

TEST_F(ProviderTest, GoogleGetsItsArgumentListByteForByte) {
  const std::string path = install({0, "", fixture("google-ok.json")});
  const ProcessResult result =
      run(program("gemini-pro", "reason about " + kTopic), {path, "GOOGLE_API_KEY=g-key"});

  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(masked_time(result.out), report("Hello there! How can I help you today?\n", "0.85",
                                            "gemini-pro", "0.0000", false));
  EXPECT_EQ(recorded_arguments(),
            (std::vector<std::string>{
                "-s", "-X", "POST",
                "https://generativelanguage.googleapis.com/v1beta/models/"
                "gemini-pro:generateContent?key=g-key",
                "-d", R"({"contents":[{"parts":[{"text":")" + kEscapedPrompt + R"("}]}]})", "-H",
                "Content-Type: application/json"}));
}

// Without its key a provider is not called at all; a bad time limit is refused before curl
// starts too.
TEST_F(ProviderTest, MissingKeysAndBadTimeLimitsStopBeforeCurl) {
  struct Case {
    std::string model;
    std::vector<std::string> environment;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"claude-sonnet-4-6",
       {"OPENAI_API_KEY=sk-openai", "GOOGLE_API_KEY=g"},
       "No API key. Set ANTHROPIC_API_KEY in your environment.\n\n"
       "  export ANTHROPIC_API_KEY=your-key-here"},
      {"gpt-4o-mini",
       {"ANTHROPIC_API_KEY=sk-ant", "PELLIX_API_KEY=px"},
       "No API key. Set OPENAI_API_KEY in your environment.\n\n"
       "  export OPENAI_API_KEY=your-key-here"},
      {"gpt-4o-mini",
       {"OPENAI_API_KEY="},
       "No API key. Set OPENAI_API_KEY in your environment.\n\n"
       "  export OPENAI_API_KEY=your-key-here"},
      {"gemini-pro",
       {"ANTHROPIC_API_KEY=sk-ant"},
       "No API key. Set GOOGLE_API_KEY in your environment.\n\n"
       "  export GOOGLE_API_KEY=your-key-here"},
      {"llama3",
       {"PELLIX_AI_TIMEOUT=2m"},
       "PELLIX_AI_TIMEOUT must be a whole number of seconds, 1 or more, not \"2m\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    std::vector<std::string> environment = c.environment;
    environment.push_back(install({0, "", fixture("openai-ok.json")}));
    const ProcessResult result = run(program(c.model, "summarize \"text\""), environment);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, error_report(c.message));
    EXPECT_EQ(recorded_arguments(), std::nullopt);
  }
}

TEST_F(ProviderTest, CurlMissingFromPath) {
  const fs::path empty = work_.path() / "empty";
  fs::create_directories(empty);
  const ProcessResult result =
      run(program("llama3", "summarize \"text\""), {"PATH=" + empty.string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, error_report("Failed to call API: curl: No such file or directory"));
}

// curl runs with -s: a failure usually leaves standard error empty, and the exit status says
// what happened.
TEST_F(ProviderTest, CurlFailuresAreNamed) {
  const fs::path not_utf8 = work_.path() / "not-utf8.json";
  write_file(not_utf8, "{\"text\":\"caf\xE9\"}");
  struct Case {
    std::string name;
    StandInCurl curl;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"exit 6",
       {6, "", std::nullopt},
       "API call failed: curl exit status 6 (could not resolve host)"},
      {"exit 28", {28, "", std::nullopt}, "API call failed: curl exit status 28 (timed out)"},
      {"exit 2", {2, "", std::nullopt}, "API call failed: curl exit status 2"},
      {"explained",
       {35, "curl: (35) OpenSSL SSL_connect: Connection reset\n", std::nullopt},
       "API call failed: curl: (35) OpenSSL SSL_connect: Connection reset"},
      {"explained, not UTF-8",
       {1, "bad \xFF byte", std::nullopt},
       "API call failed: bad \xEF\xBF\xBD byte"},
      {"answer not UTF-8",
       {0, "", not_utf8},
       "Invalid response: the answer is not UTF-8 text (byte 12)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessResult result = run(program("claude-sonnet-4-6", "summarize \"text\""),
                                     {install(c.curl), "ANTHROPIC_API_KEY=sk-ant"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, error_report(c.message));
  }
}

TEST_F(ProviderTest, RealCurlFailuresAreNamed) {
  const fs::path not_utf8 = work_.path() / "not-utf8.json";
  write_file(not_utf8, "{\"response\":\"\xFF\xFE\"}");
  ProviderServer server({{{"/api/generate", 200, not_utf8}}});
  const ProcessResult refused =
      run(program("llama3", "summarize \"text\""),
          {"PELLIX_LOCAL_URL=http://127.0.0.1:" + std::to_string(closed_loopback_port())});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, error_report("API call failed: curl exit status 7 (could not connect)"));

  const ProcessResult garbled =
      run(program("llama3", "summarize \"text\""), {"PELLIX_LOCAL_URL=" + server.url()});
  EXPECT_EQ(garbled.status, 1);
  EXPECT_EQ(garbled.err, error_report("Invalid response: the answer is not UTF-8 text (byte 13)"));
}

// A wrong key, an exhausted quota or an unknown model is the provider speaking, not the model.
TEST_F(ProviderTest, ProviderErrorsAreErrorsNotAnswers) {
  ProviderServer server({{{"/v1/chat/completions", 401, fixture("openai-error.json")},
                          {"/api/generate", 404, fixture("ollama-error.json")}}});
  ProviderServer quota({{{"/v1/chat/completions", 429, fixture("openai-quota.json")}}});
  struct Case {
    std::string model;
    std::vector<std::string> environment;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"gpt-4o-mini",
       {"OPENAI_API_KEY=sk-proj-abcd", "OPENAI_BASE_URL=" + server.url()},
       "API error: Incorrect API key provided: sk-proj-****abcd. You can find your API key at "
       "https://platform.openai.com/account/api-keys."},
      {"gpt-4o-mini",
       {"OPENAI_API_KEY=sk-proj-abcd", "OPENAI_BASE_URL=" + quota.url()},
       "API error: You exceeded your current quota, please check your plan and billing details."},
      {"llama9",
       {"PELLIX_LOCAL_URL=" + server.url()},
       "API error: model \"llama9\" not found, try pulling it first"},
      // A server that knows no such path.
      {"my-model",
       {"PELLIX_BASE_URL=" + server.url() + "/nowhere"},
       "API error: 404 page not found"},
      {"claude-sonnet-4-6",
       {install({0, "", fixture("anthropic-error.json")}), "ANTHROPIC_API_KEY=sk-ant"},
       "API error: invalid x-api-key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const ProcessResult result = run(program(c.model, "summarize \"text\""), c.environment);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, error_report(c.message));
  }
}

// A prompt of 200 KiB: longer than one argument may be, so the body reaches curl on its
// standard input.
std::string long_topic() {
  std::string topic;
  while (topic.size() < 200 * 1024) topic += "tea\\time\tand \xC3\xA9t\xC3\xA9 ";
  return topic;
}

std::string long_body(const std::string& topic) {
  std::string escaped;
  for (const char c : topic) {
    if (c == '\\')
      escaped += "\\\\";
    else if (c == '\t')
      escaped += "\\t";
    else
      escaped += c;
  }
  return R"({"model":"my-model","max_tokens":1024,"messages":[{"role":"user","content":"About: )" +
         escaped + R"(\n"}]})";
}

TEST_F(ProviderTest, LongPromptTravelsOnStandardInput) {
  ProviderServer server({{{"/v1/chat/completions", 200, fixture("openai-ok.json")}}});
  const std::string topic = long_topic();
  const ProcessResult result = run(program("my-model", "reason about \"" + topic + "\""),
                                   {"PELLIX_BASE_URL=" + server.url()});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  const std::vector<RecordedRequest> requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].body == long_body(topic)) << "the body arrived changed";
}

TEST_F(ProviderTest, SilentServerRunsIntoTheTimeLimit) {
  ServerOptions silent;
  silent.silent = true;
  ProviderServer server(silent);
  const std::string topic = long_topic();
  const auto started = std::chrono::steady_clock::now();
  const ProcessResult result = run(program("my-model", "reason about \"" + topic + "\""),
                                   {"PELLIX_BASE_URL=" + server.url(), "PELLIX_AI_TIMEOUT=1"});
  const auto took = std::chrono::steady_clock::now() - started;

  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, error_report("API call failed: no answer within 1 s"));
  EXPECT_GE(took, std::chrono::seconds(1));
  EXPECT_LT(took, std::chrono::seconds(10));
  // The whole request had arrived; it was the answer that never came.
  const std::vector<RecordedRequest> requests = server.wait_for_requests(1);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].body == long_body(topic)) << "the body arrived changed";
}

}  // namespace
}  // namespace pellix::testing
