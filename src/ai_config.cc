// Model configuration: the provider that serves a model name, with its key and endpoint taken
// from the environment.
#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/utypes.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "ai.h"
#include "unicode.h"

namespace pellix {
namespace {

// Model families served by a model server on the local machine. Matched as plain substrings
// of the lowercased name, so any name holding one of these letter runs counts as local.
constexpr std::array<std::string_view, 18> kLocalFamilies = {
    "llama",  "mistral", "codellama", "phi",  "gemma",   "qwen", "deepseek", "vicuna",  "orca",
    "neural", "wizard",  "solar",     "nous", "dolphin", "yi",   "command",  "mixtral", "tinyllama",
};
constexpr std::string_view kAnthropicMarker = "claude";
constexpr std::array<std::string_view, 4> kOpenAiMarkers = {"gpt", "o1", "o3", "o4"};
constexpr std::string_view kGoogleMarker = "gemini";

constexpr std::string_view kLocalUrlVariable = "PELLIX_LOCAL_URL";
constexpr std::string_view kAnthropicKeyVariable = "ANTHROPIC_API_KEY";
constexpr std::string_view kOpenAiKeyVariable = "OPENAI_API_KEY";
constexpr std::string_view kOpenAiUrlVariable = "OPENAI_BASE_URL";
constexpr std::string_view kGoogleKeyVariable = "GOOGLE_API_KEY";
constexpr std::string_view kPellixKeyVariable = "PELLIX_API_KEY";
constexpr std::string_view kPellixUrlVariable = "PELLIX_BASE_URL";

constexpr std::string_view kAnthropicUrl = "https://api.anthropic.com";
constexpr std::string_view kOpenAiUrl = "https://api.openai.com";
constexpr std::string_view kGoogleUrl = "https://generativelanguage.googleapis.com";
constexpr std::string_view kLocalServerUrl = "http://localhost:11434";

constexpr std::uint32_t kMaxTokens = 1024;

enum class Family { Local, Anthropic, OpenAi, Google, Other };

// Full Unicode lowercasing in the root locale, so that the outcome never depends on the
// user's language settings (no Turkic dotless i). Ill-formed bytes pass through unchanged.
std::string lowercase(std::string_view text) {
  if (text.size() > std::numeric_limits<int32_t>::max()) return std::string(text);
  std::string lowered;
  icu::StringByteSink<std::string> sink(&lowered);
  UErrorCode status = U_ZERO_ERROR;
  icu::CaseMap::utf8ToLower("", 0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())),
                            sink, nullptr, status);
  if (U_FAILURE(status)) return std::string(text);
  return lowered;
}

bool contains(std::string_view text, std::string_view fragment) {
  return text.find(fragment) != std::string_view::npos;
}

// The first rule that matches wins. Only the local test ignores letter case; the vendor
// markers must appear exactly as written.
Family classify(std::string_view model) {
  const std::string lowered = lowercase(model);
  for (const std::string_view family : kLocalFamilies) {
    if (contains(lowered, family)) return Family::Local;
  }
  if (contains(model, kAnthropicMarker)) return Family::Anthropic;
  for (const std::string_view marker : kOpenAiMarkers) {
    if (contains(model, marker)) return Family::OpenAi;
  }
  if (contains(model, kGoogleMarker)) return Family::Google;
  return Family::Other;
}

// A variable whose value is not well-formed UTF-8 counts as unset.
std::optional<std::string> read_variable(const EnvironmentLookup& environment,
                                         std::string_view name) {
  std::optional<std::string> value = environment(name);
  if (value && find_invalid_utf8(*value)) return std::nullopt;
  return value;
}

// The value of the first variable that is set. A variable set to the empty text ends the
// search with an empty key, which lets a user keep other providers' keys from an endpoint.
std::string first_key(const EnvironmentLookup& environment,
                      std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    if (std::optional<std::string> value = read_variable(environment, name)) return *value;
  }
  return "";
}

// The value of the first variable that names an endpoint, without trailing slashes, since
// request paths are appended with their own. An empty value names no server at all (every
// call would fail), so it counts as unset and the search goes on to the next one.
std::string first_base_url(const EnvironmentLookup& environment,
                           std::initializer_list<std::string_view> names,
                           std::string_view fallback) {
  for (const std::string_view name : names) {
    std::optional<std::string> value = read_variable(environment, name);
    if (!value) continue;
    while (!value->empty() && value->back() == '/') value->pop_back();
    if (!value->empty()) return *value;
  }
  return std::string(fallback);
}

}  // namespace

EnvironmentLookup process_environment() {
  return [](std::string_view name) -> std::optional<std::string> {
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

AiConfig AiConfig::from_env(std::string_view model) {
  return from_env(model, process_environment());
}

AiConfig AiConfig::from_env(std::string_view model, const EnvironmentLookup& environment) {
  AiConfig config;
  config.model = std::string(model);
  config.max_tokens = kMaxTokens;
  // Each outcome reads its own provider's variables and no others.
  switch (classify(model)) {
    case Family::Local:
      config.provider = kProviderOllama;
      config.base_url = first_base_url(environment, {kLocalUrlVariable}, kLocalServerUrl);
      break;
    case Family::Anthropic:
      config.provider = kProviderAnthropic;
      config.api_key = first_key(environment, {kAnthropicKeyVariable});
      config.base_url = kAnthropicUrl;
      break;
    case Family::OpenAi:
      config.provider = kProviderOpenAi;
      config.api_key = first_key(environment, {kOpenAiKeyVariable});
      config.base_url = first_base_url(environment, {kOpenAiUrlVariable}, kOpenAiUrl);
      break;
    case Family::Google:
      config.provider = kProviderGoogle;
      config.api_key = first_key(environment, {kGoogleKeyVariable});
      config.base_url = kGoogleUrl;
      break;
    case Family::Other:
      config.provider = kProviderOpenAiCompatible;
      config.base_url =
          first_base_url(environment, {kPellixUrlVariable, kOpenAiUrlVariable}, kLocalServerUrl);
      // An Anthropic key is good only at Anthropic's own host (its OpenAI-style endpoint);
      // sent anywhere else it would hand the user's secret to a server it was never meant for,
      // over plain HTTP in the case of the local default.
      config.api_key = config.base_url == kAnthropicUrl
                           ? first_key(environment, {kPellixKeyVariable, kOpenAiKeyVariable,
                                                     kAnthropicKeyVariable})
                           : first_key(environment, {kPellixKeyVariable, kOpenAiKeyVariable});
      break;
  }
  return config;
}

}  // namespace pellix
