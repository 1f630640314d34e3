// The markup of each page item: titles, texts, data views, forms with their inputs, buttons and
// the containers that hold other items.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "html.h"
#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kUnnamedForm = "form";
constexpr std::string_view kStatPlaceholder = "--";
constexpr std::string_view kSmallPanel = "small";
constexpr std::string_view kLargePanel = "large";

// How an input of one field type is drawn.
enum class ControlShape { Text, TextArea, Currency, Date, Checkbox, File, Color };

struct Control {
  ControlShape shape = ControlShape::Text;
  std::string_view type = "text";  // the input element's type
  std::string_view accept;         // the accept attribute of a file input, when it narrows
};

Control control_for(FieldTypeKind kind) {
  switch (kind) {
    case FieldTypeKind::Text:
    case FieldTypeKind::Percentage:
    case FieldTypeKind::TimeSpan:
    case FieldTypeKind::Files:
    case FieldTypeKind::Address:
    case FieldTypeKind::Signature:
    case FieldTypeKind::List:
    case FieldTypeKind::Custom:
      return {};
    case FieldTypeKind::LongText:
      return {ControlShape::TextArea, "", ""};
    case FieldTypeKind::SecretText:
      return {ControlShape::Text, "password", ""};
    case FieldTypeKind::Int:
    case FieldTypeKind::WholeNumber:
    case FieldTypeKind::Number:
      return {ControlShape::Text, "number", ""};
    case FieldTypeKind::Currency:
      return {ControlShape::Currency, "number", ""};
    case FieldTypeKind::Date:
      return {ControlShape::Date, "date", ""};
    case FieldTypeKind::DateTime:
      return {ControlShape::Date, "datetime-local", ""};
    case FieldTypeKind::Bool:
    case FieldTypeKind::YesOrNo:
      return {ControlShape::Checkbox, "checkbox", ""};
    case FieldTypeKind::Email:
      return {ControlShape::Text, "email", ""};
    case FieldTypeKind::Phone:
      return {ControlShape::Text, "tel", ""};
    case FieldTypeKind::Link:
      return {ControlShape::Text, "url", ""};
    case FieldTypeKind::File:
      return {ControlShape::File, "file", ""};
    case FieldTypeKind::Image:
      return {ControlShape::File, "file", "image/*"};
    case FieldTypeKind::Pdf:
      return {ControlShape::File, "file", ".pdf"};
    case FieldTypeKind::Csv:
      return {ControlShape::File, "file", ".csv"};
    case FieldTypeKind::Color:
      return {ControlShape::Color, "color", ""};
  }
  return {};
}

// ` name="N" id="input-N"`, shared by every control.
void append_name_and_id(std::string& out, std::string_view name) {
  out += " name=\"";
  append_html_attribute(out, name);
  out += "\" id=\"input-";
  append_html_attribute(out, name);
  out += '"';
}

void append_placeholder(std::string& out, std::string_view label) {
  out += " placeholder=\"";
  append_html_attribute(out, label);
  out += '"';
}

void append_control(std::string& out, const Control& control, const InputDecl& input,
                    std::string_view label) {
  const std::string_view required = input.required ? " required" : "";
  switch (control.shape) {
    case ControlShape::Text:
    case ControlShape::Currency:
      out.append("<input type=\"").append(control.type).append("\"");
      append_name_and_id(out, input.name);
      append_placeholder(out, label);
      if (control.shape == ControlShape::Currency) out += " step=\"0.01\"";
      out.append(required).append(" />");
      return;
    case ControlShape::TextArea:
      out += "<textarea";
      append_name_and_id(out, input.name);
      append_placeholder(out, label);
      out.append(required).append(" rows=\"4\"></textarea>");
      return;
    case ControlShape::Date:
    case ControlShape::File:
      out.append("<input type=\"").append(control.type).append("\"");
      append_name_and_id(out, input.name);
      if (!control.accept.empty()) out.append(" accept=\"").append(control.accept).append("\"");
      out.append(required).append(" />");
      return;
    case ControlShape::Checkbox:
      out += "<label class=\"toggle\"><input type=\"checkbox\"";
      append_name_and_id(out, input.name);
      out += " /> ";
      append_html_text(out, label);
      out += "</label>";
      return;
    case ControlShape::Color:
      out += "<input type=\"color\"";
      append_name_and_id(out, input.name);
      out += " />";
      return;
  }
}

// A control inside its field box; every control but a checkbox has a label above it.
void append_input(std::string& out, const InputDecl& input) {
  const std::string_view label = input.label ? std::string_view(*input.label) : input.name;
  const Control control = control_for(input.input_type.kind);
  if (control.shape == ControlShape::Checkbox) {
    out += "<div class=\"field\">";
    append_control(out, control, input, label);
    out += "</div>";
    return;
  }
  out += "<div class=\"field\">\n    <label for=\"input-";
  append_html_attribute(out, input.name);
  out += "\">";
  append_html_text(out, label);
  out += "</label>\n    ";
  append_control(out, control, input, label);
  out += "\n  </div>";
}

void append_form(std::string& out, const FormDecl& form) {
  const std::string_view calls = form.submit ? std::string_view(form.submit->calls) : "";
  out += "<form id=\"form-";
  append_page_slug(out, form.name ? std::string_view(*form.name) : kUnnamedForm);
  out += "\" class=\"form\" data-action=\"";
  append_html_attribute(out, calls);
  out += "\">\n  ";
  for (std::size_t i = 0; i < form.inputs.size(); ++i) {
    if (i > 0) out += "\n  ";
    append_input(out, form.inputs[i]);
  }
  out += "\n  ";
  if (form.submit) {
    out += "<button type=\"submit\" class=\"btn primary\" data-calls=\"";
    append_html_attribute(out, calls);
    out += "\">";
    append_html_text(out, form.submit->label);
    out += "</button>";
  }
  out += "\n</form>";
}

// " " + modifier when there is a non-empty one, for a class list.
void append_modifier_class(std::string& out, const std::optional<std::string>& modifier) {
  if (!modifier || modifier->empty()) return;
  out += ' ';
  append_html_attribute(out, *modifier);
}

// Views of a collection name it lowercased, the way the API serves records; a detail view and
// a stat name the value as written.
void append_show(std::string& out, const ShowDecl& show) {
  const std::string source = expression_text(show.expression);
  const std::string_view type = show.display_type;
  const auto open = [&](std::string_view element_and_class) {
    out.append("<").append(element_and_class);
    append_modifier_class(out, show.modifier);
  };
  const auto data_source = [&](std::string_view text, std::string_view data_type) {
    out += "\" data-source=\"";
    append_html_attribute(out, text);
    out.append("\" data-type=\"").append(data_type).append("\">");
  };
  if (type == "table") {
    open("div class=\"table-container");
    out += "\">\n  <table data-source=\"";
    append_html_attribute(out, to_lower(source));
    out += "\" data-type=\"table\">\n    <thead></thead>\n    <tbody></tbody>\n  </table>\n</div>";
  } else if (type == "cards") {
    open("div class=\"card-grid");
    data_source(to_lower(source), "cards");
    out += "</div>";
  } else if (type == "list") {
    open("ul class=\"list");
    data_source(to_lower(source), "list");
    out += "</ul>";
  } else if (type == "timeline") {
    open("div class=\"timeline");
    data_source(to_lower(source), "timeline");
    out += "</div>";
  } else if (type == "detail") {
    open("div class=\"detail");
    data_source(source, "detail");
    out += "</div>";
  } else if (type == "number" || type == "currency") {
    const bool has_label = !show.options.empty() && !show.options.front().label.empty();
    open("div class=\"stat-card");
    out += "\">\n  <span class=\"stat-value\" data-source=\"";
    append_html_attribute(out, source);
    out.append("\">").append(kStatPlaceholder).append("</span>\n  <span class=\"stat-label\">");
    append_html_text(out, has_label ? std::string_view(show.options.front().label) : source);
    out += "</span>\n</div>";
  } else {
    out += "<div data-source=\"";
    append_html_attribute(out, source);
    out += "\">";
    append_html_text(out, source);
    out += "</div>";
  }
}

void append_button(std::string& out, const ButtonDecl& button) {
  out += "<button class=\"btn";
  append_modifier_class(out, button.modifier);
  if (const auto* calls = std::get_if<action::Calls>(&button.action.node)) {
    out += "\" data-calls=\"";
    append_html_attribute(out, calls->flow);
  } else {
    out += "\" data-opens=\"";
    append_page_slug(out, std::get<action::Opens>(button.action.node).page);
  }
  out += "\">";
  append_html_text(out, button.label);
  out += "</button>";
}

// One overload per kind of item; containers hand their items back to the renderer.
struct ItemWriter {
  PageRenderer& renderer;
  std::string& out;

  void operator()(const page::Title& item) {
    out += "<h2>";
    append_html_text(out, item.text);
    out += "</h2>";
  }
  void operator()(const page::Text& item) {
    out += "<p>";
    append_html_text(out, expression_text(item.content));
    out += "</p>";
  }
  void operator()(const page::Show& item) { append_show(out, item.show); }
  void operator()(const page::Form& item) { append_form(out, item.form); }
  void operator()(const page::Button& item) { append_button(out, item.button); }
  void operator()(const page::Beside& item) {
    out += "<div class=\"beside\">";
    for (std::size_t i = 0; i < item.items.size(); ++i) {
      if (i > 0) out += '\n';
      out += "<div class=\"beside-item\">";
      renderer.append_item(out, item.items[i]);
      out += "</div>";
    }
    out += "</div>";
  }
  void operator()(const page::Panels& item) {
    out += "<div class=\"panels\">";
    for (std::size_t i = 0; i < item.panels.size(); ++i) {
      if (i > 0) out += '\n';
      append_panel(item.panels[i]);
    }
    out += "</div>";
  }
  void operator()(const page::Card& item) {
    const CardDecl& card = item.card;
    out += "<div class=\"card";
    if (card.modifier) {
      out += " card-";
      append_html_attribute(out, *card.modifier);
    }
    out += "\">";
    if (card.title) {
      out += "<div class=\"card-title\">";
      append_html_text(out, expression_text(*card.title));
      out += "</div>";
    }
    out += "<div class=\"card-body\">";
    renderer.append_items(out, card.body);
    out += "</div></div>";
  }
  void operator()(const page::Divider&) { out += "<hr class=\"divider\" />"; }
  void operator()(const page::Spacer&) { out += "<div class=\"spacer\"></div>"; }
  void operator()(const page::Conditional& item) {
    // The condition is not evaluated: the first branch shows and the stylesheet hides the
    // second.
    const std::int64_t id = renderer.take_conditional_id();
    out += "<div class=\"conditional\" id=\"cond-";
    append_unsigned(out, static_cast<std::size_t>(id));
    out += "\">";
    renderer.append_items(out, item.then_body);
    out += "</div>\n<div class=\"conditional-else\" id=\"cond-";
    append_unsigned(out, static_cast<std::size_t>(id));
    out += "-else\">";
    renderer.append_items(out, item.else_body);
    out += "</div>";
  }

  void append_panel(const PanelDecl& panel) {
    out += "<div class=\"panel";
    if (panel.size == kSmallPanel) out += " panel-sm";
    if (panel.size == kLargePanel) out += " panel-lg";
    out += "\">";
    if (panel.title) {
      out += "<div class=\"panel-header\">";
      append_html_text(out, *panel.title);
      out += "</div>";
    }
    out += "<div class=\"panel-body\">";
    renderer.append_items(out, panel.body);
    out += "</div></div>";
  }
};

}  // namespace

void PageRenderer::append_item(std::string& out, const PageItem& item) {
  std::visit(ItemWriter{*this, out}, item.node);
}

void PageRenderer::append_items(std::string& out, const std::vector<PageItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += '\n';
    append_item(out, items[i]);
  }
}

}  // namespace pellix
