#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ai.h"

namespace pellix {
namespace {

// An environment made of the given variables that records every name asked for.
class FakeEnvironment {
 public:
  explicit FakeEnvironment(std::map<std::string, std::string, std::less<>> variables = {})
      : variables_(std::move(variables)) {}

  EnvironmentLookup lookup() {
    return [this](std::string_view name) -> std::optional<std::string> {
      asked_.emplace_back(name);
      const auto found = variables_.find(name);
      if (found == variables_.end()) return std::nullopt;
      return found->second;
    };
  }

  // The names asked for, sorted.
  std::vector<std::string> asked() const {
    std::vector<std::string> names = asked_;
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::map<std::string, std::string, std::less<>> variables_;
  std::vector<std::string> asked_;
};

// What a provider yields when none of its variables is set.
struct Outcome {
  std::string_view provider;
  std::string_view base_url;
  std::vector<std::string> variables;  // the names it may read, sorted
};

const Outcome kLocal = {"ollama", "http://localhost:11434", {"PELLIX_LOCAL_URL"}};
const Outcome kAnthropic = {"anthropic", "https://api.anthropic.com", {"ANTHROPIC_API_KEY"}};
const Outcome kOpenAi = {"openai", "https://api.openai.com", {"OPENAI_API_KEY", "OPENAI_BASE_URL"}};
const Outcome kGoogle = {"google", "https://generativelanguage.googleapis.com", {"GOOGLE_API_KEY"}};
const Outcome kCompatible = {
    "openai_compatible",
    "http://localhost:11434",
    {"OPENAI_API_KEY", "OPENAI_BASE_URL", "PELLIX_API_KEY", "PELLIX_BASE_URL"}};

TEST(AiConfigTest, ModelNameChoosesTheProviderAndOnlyItsVariablesAreRead) {
  struct Case {
    std::string_view model;
    const Outcome& outcome;
  };
  const std::vector<Case> cases = {
      // Local families, in any letter case, before every other rule.
      {"llama3", kLocal},
      {"Llama3", kLocal},
      {"Mistral-7B", kLocal},
      {"codellama:13b", kLocal},
      {"phi-3", kLocal},
      {"gemma-2b", kLocal},
      {"qwen2.5", kLocal},
      {"DeepSeek-R1", kLocal},
      {"vicuna-13b", kLocal},
      {"orca-mini", kLocal},
      {"NEURAL-chat", kLocal},
      {"wizardlm", kLocal},
      {"solar-10.7b", kLocal},
      {"nous-hermes", kLocal},
      {"dolphin-2.6", kLocal},
      {"yi-34b", kLocal},
      {"command-r", kLocal},
      {"Mixtral-8x7B", kLocal},
      {"TinyLlama", kLocal},
      {"claude-phi", kLocal},
      {"gpt-playing", kLocal},  // "yi" inside a word
      {"graphite", kLocal},     // "phi" inside a word
      // Full lowercasing turns a capital I with a dot above into "i" and a combining dot.
      {"PH\u0130-3", kLocal},
      {"Y\u0130", kLocal},
      // Vendor markers, in the letter case written here only.
      {"claude-sonnet-4-6", kAnthropic},
      {"my-claude", kAnthropic},
      {"claude-gpt", kAnthropic},
      {"gpt-4o-mini", kOpenAi},
      {"chatgpt", kOpenAi},
      {"o1", kOpenAi},
      {"o3-mini", kOpenAi},
      {"foo4", kOpenAi},
      {"gemini-o1", kOpenAi},
      {"gemini-pro", kGoogle},
      {"gemini-1.5-flash", kGoogle},
      // Everything else, capitalised vendor names included.
      {"Claude-3", kCompatible},
      {"GPT-4", kCompatible},
      {"O1", kCompatible},
      {"Gemini-Pro", kCompatible},
      {"my-finetune", kCompatible},
      {"", kCompatible},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "model \"" << c.model << '"');
    FakeEnvironment environment;
    const AiConfig config = AiConfig::from_env(c.model, environment.lookup());
    EXPECT_EQ(config.provider, c.outcome.provider);
    EXPECT_EQ(config.model, c.model);
    EXPECT_EQ(config.api_key, "");
    EXPECT_EQ(config.base_url, c.outcome.base_url);
    EXPECT_EQ(config.max_tokens, 1024u);
    EXPECT_EQ(environment.asked(), c.outcome.variables);
  }
}

TEST(AiConfigTest, KeysAndBaseUrlsComeFromTheEnvironmentInOrderOfPrecedence) {
  const std::map<std::string, std::string, std::less<>> all = {
      {"PELLIX_LOCAL_URL", "http://gpu-box:11434"},
      {"ANTHROPIC_API_KEY", "sk-ant"},
      {"OPENAI_API_KEY", "sk-openai"},
      {"OPENAI_BASE_URL", "https://proxy.example.com"},
      {"GOOGLE_API_KEY", "g-key"},
      {"PELLIX_API_KEY", "px-key"},
      {"PELLIX_BASE_URL", "https://llm.example.com"},
  };
  struct Case {
    std::string_view name;
    std::string_view model;
    std::map<std::string, std::string, std::less<>> variables;
    std::string_view api_key;
    std::string_view base_url;
  };
  const std::vector<Case> cases = {
      // With every variable set, each provider takes its own; two hosts cannot be changed.
      {"local, all set", "llama3", all, "", "http://gpu-box:11434"},
      {"anthropic, all set", "claude-sonnet-4-6", all, "sk-ant", "https://api.anthropic.com"},
      {"openai, all set", "gpt-4o-mini", all, "sk-openai", "https://proxy.example.com"},
      {"google, all set", "gemini-pro", all, "g-key", "https://generativelanguage.googleapis.com"},
      {"compatible, all set", "my-finetune", all, "px-key", "https://llm.example.com"},
      // The compatible endpoint falls back to the OpenAI variables, then the Anthropic key.
      {"compatible, OpenAI variables",
       "my-finetune",
       {{"OPENAI_API_KEY", "sk-openai"},
        {"ANTHROPIC_API_KEY", "sk-ant"},
        {"OPENAI_BASE_URL", "https://proxy.example.com"}},
       "sk-openai",
       "https://proxy.example.com"},
      // The Anthropic key goes to Anthropic's own host and to no other.
      {"compatible, Anthropic key only",
       "my-finetune",
       {{"ANTHROPIC_API_KEY", "sk-ant"}},
       "",
       "http://localhost:11434"},
      {"compatible, Anthropic key and another host",
       "my-finetune",
       {{"ANTHROPIC_API_KEY", "sk-ant"}, {"PELLIX_BASE_URL", "https://llm.example.com"}},
       "",
       "https://llm.example.com"},
      {"compatible, Anthropic key and Anthropic's host",
       "Claude-Sonnet",
       {{"ANTHROPIC_API_KEY", "sk-ant"}, {"PELLIX_BASE_URL", "https://api.anthropic.com/"}},
       "sk-ant",
       "https://api.anthropic.com"},
      {"compatible, OpenAI key before the Anthropic key at Anthropic's host",
       "my-finetune",
       {{"ANTHROPIC_API_KEY", "sk-ant"},
        {"OPENAI_API_KEY", "sk-openai"},
        {"OPENAI_BASE_URL", "https://api.anthropic.com"}},
       "sk-openai",
       "https://api.anthropic.com"},
      // An empty key is a key: it stops the search and nothing else is sent.
      {"compatible, empty PELLIX_API_KEY",
       "my-finetune",
       {{"PELLIX_API_KEY", ""}, {"OPENAI_API_KEY", "sk-openai"}},
       "",
       "http://localhost:11434"},
      {"openai, empty key", "gpt-4o", {{"OPENAI_API_KEY", ""}}, "", "https://api.openai.com"},
      // An empty base URL names no server, so the next one or the default is used.
      {"compatible, empty PELLIX_BASE_URL",
       "my-finetune",
       {{"PELLIX_BASE_URL", ""}, {"OPENAI_BASE_URL", "https://proxy.example.com"}},
       "",
       "https://proxy.example.com"},
      {"openai, empty base URL", "gpt-4o", {{"OPENAI_BASE_URL", ""}}, "", "https://api.openai.com"},
      {"local, empty URL", "llama3", {{"PELLIX_LOCAL_URL", ""}}, "", "http://localhost:11434"},
      // Trailing slashes go, since request paths bring their own.
      {"openai, trailing slash",
       "gpt-4o",
       {{"OPENAI_BASE_URL", "https://proxy.example.com/"}},
       "",
       "https://proxy.example.com"},
      {"local, trailing slashes",
       "llama3",
       {{"PELLIX_LOCAL_URL", "http://gpu-box:11434//"}},
       "",
       "http://gpu-box:11434"},
      {"compatible, base URL of slashes only",
       "my-finetune",
       {{"PELLIX_BASE_URL", "/"}},
       "",
       "http://localhost:11434"},
      // A value that is not UTF-8 text counts as unset.
      {"compatible, key not UTF-8",
       "my-finetune",
       {{"PELLIX_API_KEY", "px-\xFF"}, {"OPENAI_API_KEY", "sk-openai"}},
       "sk-openai",
       "http://localhost:11434"},
      {"anthropic, key not UTF-8",
       "claude-sonnet-4-6",
       {{"ANTHROPIC_API_KEY", "sk-\xC3"}},
       "",
       "https://api.anthropic.com"},
      {"openai, base URL not UTF-8",
       "gpt-4o",
       {{"OPENAI_BASE_URL", "https://\xED\xA0\x80.example.com"}},
       "",
       "https://api.openai.com"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnvironment environment(c.variables);
    const AiConfig config = AiConfig::from_env(c.model, environment.lookup());
    EXPECT_EQ(config.api_key, c.api_key);
    EXPECT_EQ(config.base_url, c.base_url);
  }
}

// Restores one process environment variable when the test ends.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    if (const char* value = getenv(name)) saved_ = value;
  }
  SavedVariable(const SavedVariable&) = delete;
  SavedVariable& operator=(const SavedVariable&) = delete;
  ~SavedVariable() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(AiConfigTest, ProcessEnvironmentIsReadAtEachCall) {
  const SavedVariable saved("ANTHROPIC_API_KEY");
  unsetenv("ANTHROPIC_API_KEY");
  EXPECT_EQ(process_environment()("ANTHROPIC_API_KEY"), std::nullopt);
  EXPECT_EQ(AiConfig::from_env("claude-sonnet-4-6").api_key, "");

  setenv("ANTHROPIC_API_KEY", "sk-first", 1);
  EXPECT_EQ(process_environment()("ANTHROPIC_API_KEY"), "sk-first");
  EXPECT_EQ(AiConfig::from_env("claude-sonnet-4-6").api_key, "sk-first");
  setenv("ANTHROPIC_API_KEY", "", 1);
  EXPECT_EQ(process_environment()("ANTHROPIC_API_KEY"), "");
}

}  // namespace
}  // namespace pellix
