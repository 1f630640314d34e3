// The generated web app: the theme taken from the app declarations and the document that
// frames the pages, the stylesheet and the script.
#include "html.h"

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kDefaultAppName = "Pellix App";
constexpr std::string_view kPoweredBy = "Built with Pellix";
constexpr std::string_view kDarkBackground = "#0f172a";
constexpr std::string_view kLightBackground = "#f8fafc";
constexpr std::string_view kDarkText = "#e2e8f0";
constexpr std::string_view kLightText = "#1e293b";
constexpr std::string_view kFontService = "https://fonts.googleapis.com/css2";
constexpr std::string_view kFontWeights = ":wght@400;500;600;700&display=swap";

struct AccentColor {
  std::string_view accent;
  std::string_view color;
};
constexpr AccentColor kAccentColors[] = {
    {"blue", "#3b82f6"},   {"indigo", "#6366f1"}, {"teal", "#14b8a6"},
    {"yellow", "#eab308"}, {"pink", "#ec4899"},   {"orange", "#f97316"},
    {"purple", "#a855f7"}, {"green", "#22c55e"},  {"red", "#ef4444"},
};

// The first character of the app name; the default name's when the name is empty.
std::string_view brand_letter(std::string_view app_name) {
  if (app_name.empty()) app_name = kDefaultAppName;
  return app_name.substr(0, decode_utf8(app_name, 0).length);
}

void append_font_link(std::string& out, std::string_view font) {
  out.append("<link href=\"").append(kFontService).append("?family=");
  for (const char c : font) out += c == ' ' ? '+' : c;
  out.append(kFontWeights).append("\" rel=\"stylesheet\">");
}

// Room for the frame and a few hundred bytes an item, so that the buffer rarely grows.
std::size_t expected_size(const Program& program, std::size_t fixed) {
  std::size_t items = 0;
  for (const Declaration& declaration : program.declarations) {
    if (const auto* page = std::get_if<PageDecl>(&declaration.node)) items += page->body.size();
  }
  return fixed + 1024 + 96 * program.declarations.size() + 384 * items;
}

}  // namespace

std::int64_t read_wall_clock() {
  const auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(since_1970).count();
}

std::string_view accent_color(std::string_view accent) {
  for (const AccentColor& entry : kAccentColors) {
    if (entry.accent == accent) return entry.color;
  }
  return kAccentColors[0].color;
}

HtmlTheme theme_of(const Program& program) {
  HtmlTheme theme;
  for (const Declaration& declaration : program.declarations) {
    const auto* app = std::get_if<AppDecl>(&declaration.node);
    if (app == nullptr) continue;
    theme.app_name = app->name;
    if (app->theme) theme.theme = *app->theme;
    if (app->accent) theme.accent = *app->accent;
  }
  theme.primary_color = accent_color(theme.accent);
  theme.background_color = theme.is_dark() ? kDarkBackground : kLightBackground;
  theme.text_color = theme.is_dark() ? kDarkText : kLightText;
  return theme;
}

HtmlGenerator::HtmlGenerator(const Program& program, std::string base_url, WallClock clock)
    : theme_(theme_of(program)),
      base_url_(std::move(base_url)),
      stylesheet_(stylesheet(theme_)),
      script_(page_script(base_url_)),
      clock_(clock) {}

std::string HtmlGenerator::generate_shell(const Program& program) const {
  std::string out;
  out.reserve(expected_size(program, stylesheet_.size() + script_.size()));
  out += "<!DOCTYPE html>\n<html lang=\"en\" data-theme=\"";
  append_html_attribute(out, theme_.theme);
  out += "\">\n<head>\n  <meta charset=\"UTF-8\">\n";
  out += "  <meta name=\"viewport\" content=\"width=device-width, initial-scale=1.0\">\n";
  out += "  <title>";
  append_html_text(out, theme_.app_name);
  out += "</title>\n  ";
  append_font_link(out, theme_.font);
  out.append("\n  <style>").append(stylesheet_).append("</style>\n</head>\n<body>\n");
  out += "  <aside class=\"sidebar\">\n    <div class=\"sidebar-brand\">\n";
  out += "      <div class=\"logo-text\">";
  append_html_text(out, brand_letter(theme_.app_name));
  out += "</div>\n      <span class=\"brand-name\">";
  append_html_text(out, theme_.app_name);
  out += "</span>\n    </div>\n    ";
  append_navigation(out, program);
  out += "\n    <div class=\"sidebar-footer\">\n      <span class=\"powered-by\">";
  out.append(kPoweredBy).append("</span>\n    </div>\n  </aside>\n");
  out += "  <div class=\"content\">\n    <main>\n      ";
  PageRenderer(clock_).append_sections(out, program);
  out += "\n    </main>\n  </div>\n";
  out.append("  <script>").append(script_).append("</script>\n</body>\n</html>");
  return out;
}

}  // namespace pellix
