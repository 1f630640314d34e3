// One model call. The requests to the providers through curl are still to come; until then a
// call outside pretend mode fails with a clear message.
#include "ai.h"

namespace pellix {
namespace {

constexpr std::string_view kNotBuilt = "model calls are not built yet; use --pretend";

}  // namespace

Result<AiResponse> call_ai(const AiConfig&, const std::string&) {
  return fail(std::string(kNotBuilt));
}

}  // namespace pellix
