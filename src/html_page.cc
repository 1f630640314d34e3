// The frame every page shares: the navigation block of the sidebar and one section per page.
#include <algorithm>
#include <string>
#include <string_view>
#include <variant>

#include "html.h"

namespace pellix {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

}  // namespace

void append_navigation(std::string& out, const Program& program) {
  bool is_first = true;
  for (const Declaration& declaration : program.declarations) {
    const auto* page = std::get_if<PageDecl>(&declaration.node);
    if (page == nullptr) continue;
    out += is_first ? "<nav class=\"sidebar-nav\">" : "\n    ";
    out += "<a href=\"#\" data-page=\"";
    append_page_slug(out, page->name);
    out += is_first ? "\" class=\"nav-item active\">" : "\" class=\"nav-item\">";
    append_html_text(out, page->name);
    out += "</a>";
    is_first = false;
  }
  if (!is_first) out += "</nav>";
}

void PageRenderer::append_sections(std::string& out, const Program& program) {
  bool is_first = true;
  for (const Declaration& declaration : program.declarations) {
    const auto* page = std::get_if<PageDecl>(&declaration.node);
    if (page == nullptr) continue;
    if (!is_first) out += '\n';
    append_section(out, *page);
    is_first = false;
  }
}

void PageRenderer::append_section(std::string& out, const PageDecl& page) {
  out += "<section id=\"page-";
  append_page_slug(out, page.name);
  out += "\" class=\"page\">";
  append_items(out, page.body);
  out += "</section>";
}

std::int64_t PageRenderer::take_conditional_id() {
  const std::int64_t now = clock_();
  std::int64_t id = now < 0 ? 0 : now % kNanosecondsPerSecond;
  while (std::find(conditional_ids_.begin(), conditional_ids_.end(), id) !=
         conditional_ids_.end()) {
    id = (id + 1) % kNanosecondsPerSecond;
  }
  conditional_ids_.push_back(id);
  return id;
}

}  // namespace pellix
