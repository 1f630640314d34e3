// One model call: the provider's request, sent through curl, and the reply, confidence and
// cost read from its answer.
#include <string>
#include <string_view>
#include <utility>

#include "ai.h"
#include "ai_answer.h"
#include "ai_curl.h"
#include "ai_request.h"

namespace pellix {
namespace {

constexpr std::string_view kUnknownProvider = "Unknown provider: ";
constexpr std::string_view kApiError = "API error: ";

std::string missing_key(std::string_view variable) {
  const std::string name(variable);
  return "No API key. Set " + name + " in your environment.\n\n  export " + name + "=your-key-here";
}

// How one provider is called and how its answer is read.
struct ProviderCall {
  std::string_view provider;
  std::string_view key_variable;  // empty: called without a key
  ProviderRequest (*request)(const AiConfig&, std::string_view);
  std::string_view reply_field;
  std::string_view input_tokens_field;  // empty: the call is not charged
  std::string_view output_tokens_field;
  double confidence;
};

constexpr ProviderCall kProviderCalls[] = {
    {kProviderOpenAi, "OPENAI_API_KEY", openai_style_request, "content", "prompt_tokens",
     "completion_tokens", 0.85},
    {kProviderGoogle, "GOOGLE_API_KEY", google_request, "text", "", "", 0.85},
    {kProviderOllama, "", local_server_request, "response", "", "", 0.8},
    {kProviderOpenAiCompatible, "", openai_style_request, "content", "prompt_tokens",
     "completion_tokens", 0.85},
    {kProviderAnthropic, "ANTHROPIC_API_KEY", anthropic_request, "text", "input_tokens",
     "output_tokens", 0.85},
};

// The provider's call, once the configuration is known to be usable for it.
Result<const ProviderCall*> provider_call(const AiConfig& config) {
  for (const ProviderCall& call : kProviderCalls) {
    if (call.provider != config.provider) continue;
    if (!call.key_variable.empty() && config.api_key.empty()) {
      return fail(missing_key(call.key_variable));
    }
    return &call;
  }
  return fail(std::string(kUnknownProvider) + config.provider);
}

double cost_of(const ProviderCall& call, std::string_view body) {
  if (call.input_tokens_field.empty()) return 0.0;
  return token_cost(find_count_field(body, call.input_tokens_field),
                    find_count_field(body, call.output_tokens_field));
}

// An answer without the reply field is the provider saying what went wrong (a wrong key, an
// exhausted quota, an unknown model), never the model's reply.
Result<AiResponse> perform(const ProviderCall& call, const AiConfig& config,
                           const std::string& prompt, const CurlSettings& settings) {
  PX_TRY(const std::string body, post_with_curl(call.request(config, prompt), settings));
  std::optional<std::string> reply = find_string_field(body, call.reply_field);
  if (!reply) return fail(std::string(kApiError) + provider_error_message(body));
  return AiResponse{std::move(*reply), config.model, call.confidence, cost_of(call, body)};
}

}  // namespace

Result<AiResponse> call_ai(const AiConfig& config, const std::string& prompt) {
  PX_TRY(const ProviderCall* call, provider_call(config));
  PX_TRY(const std::chrono::seconds time_limit, model_call_time_limit(process_environment()));
  return perform(*call, config, prompt, CurlSettings{"curl", time_limit});
}

Result<AiResponse> call_ai(const AiConfig& config, const std::string& prompt,
                           const CurlSettings& settings) {
  PX_TRY(const ProviderCall* call, provider_call(config));
  return perform(*call, config, prompt, settings);
}

}  // namespace pellix
