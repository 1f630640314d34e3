// The HTTP requests sent to each model provider: URL, header list and JSON body, built from
// fixed texts around the configuration and the prompt.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ai.h"

namespace pellix {

struct ProviderRequest {
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;  // (name, value), sent in order
  std::string body;
};

// Yields `prompt` escaped for a JSON string: backslash, double quote, line feed, carriage
// return and tab; every other character is copied as it stands.
std::string escape_prompt(std::string_view prompt);

// The request for Anthropic's messages endpoint.
ProviderRequest anthropic_request(const AiConfig& config, std::string_view prompt);

// The request for an OpenAI-style chat completions endpoint; the key is sent only when there
// is one.
ProviderRequest openai_style_request(const AiConfig& config, std::string_view prompt);

// The request for Google's generateContent endpoint, whose key travels in the URL.
ProviderRequest google_request(const AiConfig& config, std::string_view prompt);

// The request for a local model server's generate endpoint, asking for one whole answer.
ProviderRequest local_server_request(const AiConfig& config, std::string_view prompt);

}  // namespace pellix
