// The curl argument list and the time limit of a model call.
#include "ai_curl.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellix {
namespace {

const ProviderRequest kRequest = {
    "http://127.0.0.1:9/v1/chat/completions",
    {{"Content-Type", "application/json"}, {"Authorization", "Bearer sk-1"}},
    R"({"model":"m"})"};

TEST(AiCurl, ArgumentsComeInTheirFixedOrder) {
  EXPECT_EQ(curl_arguments("curl", kRequest, BodyRoute::Argument),
            (std::vector<std::string>{"curl", "-s", "-X", "POST",
                                      "http://127.0.0.1:9/v1/chat/completions", "-d",
                                      R"({"model":"m"})", "-H", "Content-Type: application/json",
                                      "-H", "Authorization: Bearer sk-1"}));
  // A body on standard input leaves every other argument in place.
  EXPECT_EQ(curl_arguments("/bin/curl", kRequest, BodyRoute::StandardInput),
            (std::vector<std::string>{
                "/bin/curl", "-s", "-X", "POST", "http://127.0.0.1:9/v1/chat/completions", "-d",
                "@-", "-H", "Content-Type: application/json", "-H", "Authorization: Bearer sk-1"}));
}

TEST(AiCurl, TimeLimitComesFromTheEnvironmentInWholeSeconds) {
  struct Case {
    std::optional<std::string> value;
    std::optional<long> seconds;  // nothing: the value is refused
  };
  const std::vector<Case> cases = {
      {std::nullopt, 120},
      {"", 120},
      {"1", 1},
      {"300", 300},
      {"0", std::nullopt},
      {"-1", std::nullopt},
      {"1.5", std::nullopt},
      {" 5", std::nullopt},
      {"5s", std::nullopt},
      {"abc", std::nullopt},
      {"99999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.value_or("(unset)"));
    const EnvironmentLookup environment = [&](std::string_view name) {
      return name == "PELLIX_AI_TIMEOUT" ? c.value : std::nullopt;
    };
    const Result<std::chrono::seconds> limit = model_call_time_limit(environment);
    ASSERT_EQ(limit.has_value(), c.seconds.has_value());
    if (c.seconds) {
      EXPECT_EQ(limit->count(), *c.seconds);
    }
  }
  const EnvironmentLookup wrong = [](std::string_view) { return std::string("2m"); };
  EXPECT_EQ(model_call_time_limit(wrong).error().message,
            "PELLIX_AI_TIMEOUT must be a whole number of seconds, 1 or more, not \"2m\"");
}

}  // namespace
}  // namespace pellix
