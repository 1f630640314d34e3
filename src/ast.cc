#include "ast.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace pellix {
namespace {

// Each table is sized by its initializers, so a forgotten or extra name fails the size check
// below instead of leaving an empty entry.
constexpr auto kDeclarationNames = std::to_array<std::string_view>({
    "App",
    "Record",
    "Agent",
    "Team",
    "Function",
    "Job",
    "Flow",
    "Page",
    "Use",
    "Always",
    "Choices",
});
static_assert(kDeclarationNames.size() == kDeclarationVariantCount);

constexpr auto kStatementNames = std::to_array<std::string_view>({
    "Assignment",
    "Change",
    "If",
    "Match",
    "ConfidenceMatch",
    "ForEach",
    "Repeat",
    "Return",
    "Need",
    "Try",
    "Assume",
    "Pretend",
    "Together",
    "Stop",
    "Check",
    "Remember",
    "Recall",
    "Forget",
    "Teach",
    "Narrate",
    "Log",
    "Flag",
    "Notify",
    "Send",
    "CallApi",
    "Run",
    "Create",
    "Update",
    "Delete",
    "Add",
    "Remove",
    "Undo",
    "ExprStatement",
});
static_assert(kStatementNames.size() == kStatementVariantCount);

constexpr auto kExpressionNames = std::to_array<std::string_view>({
    "Integer",     "Decimal",       "StringLit",     "Bool",         "Nothing",   "Identifier",
    "List",        "Map",           "MemberAccess",  "FunctionCall", "BinaryOp",  "UnaryNot",
    "Comparison",  "LogicalAnd",    "LogicalOr",     "Pipe",         "SumOf",     "ReasonExpr",
    "SenseExpr",   "TranslateExpr", "SummarizeExpr", "DebateExpr",   "BlendExpr", "ImagineExpr",
    "RethinkExpr", "CompareExpr",
});
static_assert(kExpressionNames.size() == kExpressionVariantCount);

constexpr auto kPageItemNames = std::to_array<std::string_view>({
    "Title",
    "Text",
    "Show",
    "Form",
    "Button",
    "Beside",
    "Panels",
    "Card",
    "Divider",
    "Spacer",
    "Conditional",
});
static_assert(kPageItemNames.size() == kPageItemVariantCount);

constexpr auto kFieldTypeNames = std::to_array<std::string_view>({
    "Text",       "LongText", "SecretText", "Int",      "WholeNumber", "Number",  "Currency",
    "Percentage", "Date",     "DateTime",   "TimeSpan", "Bool",        "YesOrNo", "Email",
    "Phone",      "Link",     "File",       "Files",    "Image",       "Pdf",     "Csv",
    "Address",    "Color",    "Signature",  "List",     "Custom",
});
static_assert(kFieldTypeNames.size() == static_cast<std::size_t>(FieldTypeKind::Custom) + 1);

constexpr auto kBinaryOperatorNames =
    std::to_array<std::string_view>({"Add", "Subtract", "Multiply", "Divide"});
static_assert(kBinaryOperatorNames.size() == static_cast<std::size_t>(BinaryOperator::Divide) + 1);

constexpr auto kComparisonOperatorNames = std::to_array<std::string_view>({
    "Is",
    "IsNot",
    "Above",
    "Below",
    "Contains",
    "Exists",
    "IsEmpty",
    "IsNothing",
    "StartsWith",
    "EndsWith",
    "IsPast",
    "IsFuture",
    "IsWeekend",
});
static_assert(kComparisonOperatorNames.size() ==
              static_cast<std::size_t>(ComparisonOperator::IsWeekend) + 1);

constexpr auto kRuleKindNames = std::to_array<std::string_view>({"Never", "Always"});
static_assert(kRuleKindNames.size() == static_cast<std::size_t>(RuleKind::Always) + 1);

}  // namespace

std::string_view declaration_name(const Declaration& declaration) {
  return kDeclarationNames[declaration.node.index()];
}

std::string_view statement_name(const Statement& statement) {
  return kStatementNames[statement.node.index()];
}

std::string_view expression_name(const Expression& expression) {
  return kExpressionNames[expression.node.index()];
}

std::string_view page_item_name(const PageItem& item) { return kPageItemNames[item.node.index()]; }

std::string_view field_type_name(FieldTypeKind kind) {
  return kFieldTypeNames[static_cast<std::size_t>(kind)];
}

std::string_view binary_operator_name(BinaryOperator op) {
  return kBinaryOperatorNames[static_cast<std::size_t>(op)];
}

std::string_view comparison_operator_name(ComparisonOperator op) {
  return kComparisonOperatorNames[static_cast<std::size_t>(op)];
}

std::string_view rule_kind_name(RuleKind kind) {
  return kRuleKindNames[static_cast<std::size_t>(kind)];
}

}  // namespace pellix
