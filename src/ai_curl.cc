// curl runs with -s, so on failure its standard error is usually empty and the exit status is
// all there is to report; the common ones are spelled out.
#include "ai_curl.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "process.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kCannotStart = "Failed to call API: ";
constexpr std::string_view kCallFailed = "API call failed: ";
constexpr std::string_view kInvalidResponse = "Invalid response: ";
constexpr std::string_view kTimeLimitVariable = "PELLIX_AI_TIMEOUT";
constexpr std::string_view kStandardInputBody = "@-";

struct ExitMeaning {
  int status;
  std::string_view meaning;
};

constexpr std::array<ExitMeaning, 8> kExitMeanings = {{
    {3, "malformed URL"},
    {6, "could not resolve host"},
    {7, "could not connect"},
    {28, "timed out"},
    {35, "TLS handshake failed"},
    {52, "empty reply from server"},
    {56, "connection broken while receiving"},
    {60, "server certificate not trusted"},
}};

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string exit_failure(int status, std::string_view err) {
  const std::string explanation = replace_invalid_utf8(trimmed(err));
  if (!explanation.empty()) return std::string(kCallFailed) + explanation;
  std::string message = std::string(kCallFailed) + "curl exit status " + std::to_string(status);
  for (const ExitMeaning& known : kExitMeanings) {
    if (known.status == status) message += " (" + std::string(known.meaning) + ")";
  }
  return message;
}

std::string time_limit_error(std::string_view value) {
  return std::string(kTimeLimitVariable) + " must be a whole number of seconds, 1 or more, not \"" +
         replace_invalid_utf8(value) + "\"";
}

}  // namespace

std::vector<std::string> curl_arguments(const std::string& program, const ProviderRequest& request,
                                        BodyRoute route) {
  std::vector<std::string> arguments = {program, "-s", "-X", "POST", request.url, "-d"};
  arguments.reserve(arguments.size() + 2 * request.headers.size() + 1);
  arguments.push_back(route == BodyRoute::Argument ? request.body
                                                   : std::string(kStandardInputBody));
  for (const auto& [name, value] : request.headers) {
    arguments.emplace_back("-H");
    arguments.push_back(name + ": " + value);
  }
  return arguments;
}

Result<std::string> post_with_curl(const ProviderRequest& request, const CurlSettings& settings) {
  const BodyRoute route =
      request.body.size() > kLongestBodyArgument ? BodyRoute::StandardInput : BodyRoute::Argument;
  os::ProcessRequest process;
  process.arguments = curl_arguments(settings.program, request, route);
  if (route == BodyRoute::StandardInput) process.input = request.body;
  process.time_limit = settings.time_limit;

  Result<os::ProcessOutcome> outcome = os::run_process(process);
  if (!outcome) {
    return fail(std::string(kCannotStart) + settings.program + ": " + outcome.error().message);
  }
  switch (outcome->end) {
    case os::ProcessEnd::TimedOut:
      return fail(std::string(kCallFailed) + "no answer within " +
                  std::to_string(settings.time_limit.count()) + " s");
    case os::ProcessEnd::Signalled:
      return fail(std::string(kCallFailed) + "curl was ended by signal " +
                  std::to_string(outcome->status));
    case os::ProcessEnd::Exited:
      break;
  }
  if (outcome->status != 0) return fail(exit_failure(outcome->status, outcome->err));
  if (const std::optional<std::size_t> bad = find_invalid_utf8(outcome->out)) {
    return fail(std::string(kInvalidResponse) + "the answer is not UTF-8 text (byte " +
                std::to_string(*bad) + ")");
  }
  return std::move(outcome->out);
}

Result<std::chrono::seconds> model_call_time_limit(const EnvironmentLookup& environment) {
  const std::optional<std::string> value = environment(kTimeLimitVariable);
  if (!value || value->empty()) return kDefaultModelCallTimeLimit;
  std::uint32_t seconds = 0;
  const char* last = value->data() + value->size();
  const auto [end, error] = std::from_chars(value->data(), last, seconds);
  if (error != std::errc() || end != last || seconds == 0) return fail(time_limit_error(*value));
  return std::chrono::seconds(seconds);
}

}  // namespace pellix
