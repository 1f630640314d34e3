// Access to AI models: which provider serves a model name and how to reach it, and the calls
// made to that provider. Model calls are made with nothing but this configuration.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "result.h"

namespace pellix {

// ---------------------------------------------------------------------------------------------
// Configuration: the provider, key and endpoint for one model name, taken from the environment.

// The provider identifiers `AiConfig::from_env` produces; model calls reject any other.
inline constexpr std::string_view kProviderAnthropic = "anthropic";
inline constexpr std::string_view kProviderOpenAi = "openai";
inline constexpr std::string_view kProviderGoogle = "google";
inline constexpr std::string_view kProviderOllama = "ollama";
inline constexpr std::string_view kProviderOpenAiCompatible = "openai_compatible";

// Looks up one environment variable: its value, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// Yields a lookup into the process's own environment as it stands at each lookup.
EnvironmentLookup process_environment();

// Everything needed to reach the model of a program; a plain value, copied into every call.
struct AiConfig {
  std::string provider;  // one of the kProvider... identifiers
  std::string model;     // the model name as the program wrote it
  std::string api_key;   // empty when none was found
  std::string base_url;  // request paths are appended to it; never ends in "/"
  std::uint32_t max_tokens = 1024;

  // Yields the configuration for `model` from the process environment; never fails (a missing
  // key leaves `api_key` empty, which a model call reports).
  static AiConfig from_env(std::string_view model);

  // Yields the configuration for `model`, reading variables through `environment` (which must
  // be callable); never fails.
  static AiConfig from_env(std::string_view model, const EnvironmentLookup& environment);
};

// ---------------------------------------------------------------------------------------------
// Model calls.

// The answer to one model call.
struct AiResponse {
  std::string text;   // the model's whole reply
  std::string model;  // the configured model name
  double confidence = 0.0;
  double cost = 0.0;  // US dollars
};

// Makes one model call with `prompt` as the single user message; yields the answer or the
// error text of whatever failed. Never prints.
Result<AiResponse> call_ai(const AiConfig& config, const std::string& prompt);

// The shape of `call_ai`, so that callers can be given another (tests answer without a
// network).
using AiCaller = std::function<Result<AiResponse>(const AiConfig&, const std::string&)>;

}  // namespace pellix
