// The AI forms: each evaluates its operands, builds one prompt from fixed wording and asks it.
// In pretend mode the answer is made up and nothing is spent.
#include <ostream>
#include <string>
#include <utility>

#include "runtime.h"
#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kNoModel =
    "No AI model configured. Add: agent NAME uses \"claude-sonnet-4-6\"";
constexpr std::string_view kPretendAnswer = "[pretend response]";
constexpr std::string_view kPretendModel = "pretend";
constexpr double kPretendConfidence = 0.85;
constexpr std::size_t kPreviewBytes = 60;

constexpr std::string_view kDebateHow =
    " rounds of arguments.\nFormat:\nFOR: [argument]\nAGAINST: [argument]\nAfter all rounds, "
    "give a VERDICT with your recommendation and confidence level.";
constexpr std::string_view kBlendHow =
    "\n\nBlend these into one coherent analysis. Find common themes, highlight disagreements, "
    "and produce a single recommendation.";
constexpr std::string_view kImagineHow =
    "\n\nProvide:\n1. Most likely outcome\n2. Best case scenario\n3. Worst case scenario\n4. Key "
    "assumptions\n5. Confidence level in your prediction";
constexpr std::string_view kRethinkDefault =
    "Consider the opposite conclusion. What if you're wrong?";
constexpr std::string_view kRethinkHow =
    "\n\nProvide:\n1. Your original conclusion\n2. The strongest counter-argument\n3. Whether you "
    "still stand by your original conclusion\n4. What would change your mind";
constexpr std::string_view kCompareHow =
    "\n\nProvide:\n1. Winner\n2. Key advantages of each\n3. Tradeoffs\n4. Recommendation";

std::string joined(const std::vector<std::string>& texts, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += separator;
    out += texts[i];
  }
  return out;
}

// The first bytes of a prompt, cut before a character that would not fit whole.
std::string_view preview(std::string_view prompt) {
  if (prompt.size() <= kPreviewBytes) return prompt;
  std::size_t end = kPreviewBytes;
  while (end > 0 && (static_cast<unsigned char>(prompt[end]) & 0xC0) == 0x80) --end;
  return prompt.substr(0, end);
}

}  // namespace

Result<Value> Runtime::ask(const std::string& prompt) {
  if (pretend) {
    out_ << "  [pretend] would call AI: " << preview(prompt) << "...\n";
    return Value::ai_result(AiResult{Value::text(std::string(kPretendAnswer)), kPretendConfidence,
                                     0.0, std::string(kPretendModel)});
  }
  if (!ai_config) return fail(std::string(kNoModel));
  PX_TRY(AiResponse response, ai_caller_(*ai_config, prompt));
  total_cost += response.cost;
  return Value::ai_result(AiResult{Value::text(std::move(response.text)), response.confidence,
                                   response.cost, std::move(response.model)});
}

Result<Value> Runtime::evaluate_ai(const ReasonExpr& reason) {
  PX_TRY(Value about, evaluate(*reason.about));
  std::string prompt = "About: " + display(about) + "\n";
  if (reason.action) prompt += "Task: " + *reason.action + "\n";
  return ask(prompt);
}

Result<Value> Runtime::evaluate_ai(const expr::SenseExpr& sense) {
  PX_TRY(Value subject, evaluate(*sense.subject));
  return ask("Classify the tone/mood/intent of this text in one word: " + display(subject));
}

Result<Value> Runtime::evaluate_ai(const expr::TranslateExpr& translate) {
  PX_TRY(Value subject, evaluate(*translate.subject));
  return ask("Translate to " + translate.language + ": " + display(subject));
}

Result<Value> Runtime::evaluate_ai(const expr::SummarizeExpr& summarize) {
  PX_TRY(Value subject, evaluate(*summarize.subject));
  return ask("Summarize this briefly: " + display(subject));
}

Result<Value> Runtime::evaluate_ai(const expr::DebateExpr& debate) {
  return ask("Debate this topic: \"" + debate.topic + "\"\nPresent " +
             std::to_string(debate.rounds) + std::string(kDebateHow));
}

Result<Value> Runtime::evaluate_ai(const expr::BlendExpr& blend) {
  std::string perspectives;
  for (std::size_t i = 0; i < blend.sources.size(); ++i) {
    PX_TRY(Value source, evaluate(blend.sources[i]));
    if (i > 0) perspectives += "\n\n";
    perspectives += "Perspective " + std::to_string(i + 1) + ": " + display(source);
  }
  return ask("You have " + std::to_string(blend.sources.size()) +
             " different perspectives on a topic:\n\n" + perspectives + std::string(kBlendHow));
}

Result<Value> Runtime::evaluate_ai(const expr::ImagineExpr& imagine) {
  return ask("Imagine this scenario and predict the outcomes:\n\n" + imagine.scenario +
             std::string(kImagineHow));
}

Result<Value> Runtime::evaluate_ai(const expr::RethinkExpr& rethink) {
  PX_TRY(Value original, evaluate(*rethink.original));
  const std::string challenges =
      rethink.challenges.empty() ? std::string(kRethinkDefault) : joined(rethink.challenges, "\n");
  return ask("You previously concluded: " + display(original) +
             "\n\nNow rethink this conclusion:\n" + challenges + std::string(kRethinkHow));
}

Result<Value> Runtime::evaluate_ai(const expr::CompareExpr& compare) {
  PX_TRY(Value left, evaluate(*compare.left));
  PX_TRY(Value right, evaluate(*compare.right));
  const std::string criteria =
      compare.criteria.empty() ? "all relevant factors" : joined(compare.criteria, ", ");
  return ask("Compare these two options:\n\nOption A: " + display(left) + "\nOption B: " +
             display(right) + "\n\nCompare on: " + criteria + std::string(kCompareHow));
}

}  // namespace pellix
