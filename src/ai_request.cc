// Request bodies are assembled from fixed texts; only the prompt is escaped, every other value
// (the model name among them) is inserted as the program wrote it.
#include "ai_request.h"

#include <string>

namespace pellix {
namespace {

constexpr std::string_view kAnthropicPath = "/v1/messages";
constexpr std::string_view kAnthropicVersion = "2023-06-01";
constexpr std::string_view kChatPath = "/v1/chat/completions";
constexpr std::string_view kGooglePath = "/v1beta/models/";
constexpr std::string_view kGoogleMethod = ":generateContent?key=";
constexpr std::string_view kGeneratePath = "/api/generate";
constexpr std::string_view kJson = "application/json";

// The messages body shared by Anthropic and the OpenAI-style endpoints.
std::string messages_body(const AiConfig& config, std::string_view prompt) {
  return R"({"model":")" + config.model + R"(","max_tokens":)" + std::to_string(config.max_tokens) +
         R"(,"messages":[{"role":"user","content":")" + escape_prompt(prompt) + R"("}]})";
}

}  // namespace

std::string escape_prompt(std::string_view prompt) {
  std::string escaped;
  escaped.reserve(prompt.size() + prompt.size() / 8);
  for (const char c : prompt) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '"':
        escaped += "\\\"";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\t':
        escaped += "\\t";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

ProviderRequest anthropic_request(const AiConfig& config, std::string_view prompt) {
  return {config.base_url + std::string(kAnthropicPath),
          {{"x-api-key", config.api_key},
           {"anthropic-version", std::string(kAnthropicVersion)},
           {"content-type", std::string(kJson)}},
          messages_body(config, prompt)};
}

ProviderRequest openai_style_request(const AiConfig& config, std::string_view prompt) {
  ProviderRequest request{config.base_url + std::string(kChatPath),
                          {{"Content-Type", std::string(kJson)}},
                          messages_body(config, prompt)};
  if (!config.api_key.empty())
    request.headers.emplace_back("Authorization", "Bearer " + config.api_key);
  return request;
}

ProviderRequest google_request(const AiConfig& config, std::string_view prompt) {
  return {config.base_url + std::string(kGooglePath) + config.model + std::string(kGoogleMethod) +
              config.api_key,
          {{"Content-Type", std::string(kJson)}},
          R"({"contents":[{"parts":[{"text":")" + escape_prompt(prompt) + R"("}]}]})"};
}

ProviderRequest local_server_request(const AiConfig& config, std::string_view prompt) {
  return {config.base_url + std::string(kGeneratePath),
          {{"Content-Type", std::string(kJson)}},
          R"({"model":")" + config.model + R"(","prompt":")" + escape_prompt(prompt) +
              R"(","stream":false})"};
}

}  // namespace pellix
