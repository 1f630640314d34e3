// Sending one provider request through the external curl program, and judging its outcome.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "ai.h"
#include "ai_request.h"
#include "result.h"

namespace pellix {

// Bodies longer than this go to curl on its standard input, since one argument that long may
// pass the system's limit on argument size.
inline constexpr std::size_t kLongestBodyArgument = 64 * 1024;

inline constexpr std::chrono::seconds kDefaultModelCallTimeLimit{120};

enum class BodyRoute { Argument, StandardInput };

// Yields the argument vector for `program`: -s -X POST URL -d BODY, then -H "name: value" for
// each header in order; with the body on standard input its place holds @- instead.
std::vector<std::string> curl_arguments(const std::string& program, const ProviderRequest& request,
                                        BodyRoute route);

struct CurlSettings {
  std::string program = "curl";  // looked up on PATH
  std::chrono::seconds time_limit = kDefaultModelCallTimeLimit;
};

// Posts `request` and yields the answer body (whatever its HTTP status); fails with the message
// for the user when curl cannot be started, fails, runs past the time limit or answers with
// text that is not UTF-8.
Result<std::string> post_with_curl(const ProviderRequest& request, const CurlSettings& settings);

// Makes one model call as `call_ai` does, with curl run as `settings` say.
Result<AiResponse> call_ai(const AiConfig& config, const std::string& prompt,
                           const CurlSettings& settings);

// Yields the time limit of a model call from PELLIX_AI_TIMEOUT (whole seconds, at least 1),
// or the default when it is unset or empty; fails on any other value.
Result<std::chrono::seconds> model_call_time_limit(const EnvironmentLookup& environment);

}  // namespace pellix
