// The stylesheet of the generated app: fixed rules coloured by the theme. A "$name$" marker in
// the rules stands for one theme value; only the theme's fixed colour and font texts are ever
// put in, so nothing from a program reaches the style element.
#include <string>
#include <string_view>

#include "html.h"

namespace pellix {
namespace {

constexpr std::string_view kDarkSidebar = "#0f172a";
constexpr std::string_view kLightSidebar = "#ffffff";
constexpr std::string_view kDarkBorder = "#1e293b";
constexpr std::string_view kLightBorder = "#e2e8f0";
constexpr std::string_view kDarkHover = "#334155";
constexpr std::string_view kLightHover = "#f1f5f9";
constexpr std::string_view kDarkSurface = "#1e293b";
constexpr std::string_view kLightSurface = "#ffffff";

// "$primary$12" and "$primary$18" are the primary colour with an alpha byte: the active link's
// tint and the focus ring.
constexpr std::string_view kRules = R"css(
    * { margin: 0; padding: 0; box-sizing: border-box; }
    body {
      font-family: '$font$', -apple-system, BlinkMacSystemFont, 'Segoe UI', Roboto,
        Helvetica, Arial, sans-serif;
      background: $background$;
      color: $text$;
      line-height: 1.6;
      display: flex;
      min-height: 100vh;
    }

    .sidebar {
      width: 260px;
      position: fixed;
      top: 0;
      left: 0;
      bottom: 0;
      height: 100vh;
      background: $sidebar$;
      border-right: 1px solid $border$;
      padding: 1.5rem 1rem;
      display: flex;
      flex-direction: column;
      gap: 1.5rem;
      overflow-y: auto;
      z-index: 10;
    }
    .sidebar-brand {
      display: flex;
      flex-direction: row;
      align-items: center;
      gap: 0.75rem;
      padding: 0 0.5rem;
    }
    .logo, .logo-text { width: 36px; height: 36px; border-radius: $radius$; flex-shrink: 0; }
    .logo { object-fit: cover; }
    .logo-text {
      background: $primary$;
      color: #ffffff;
      font-weight: 700;
      display: flex;
      align-items: center;
      justify-content: center;
    }
    .brand-name {
      font-weight: 600;
      font-size: 1.05rem;
      overflow: hidden;
      text-overflow: ellipsis;
      white-space: nowrap;
    }
    .sidebar-nav { display: flex; flex-direction: column; gap: 2px; flex: 1; }
    .nav-item {
      display: block;
      padding: 0.5rem 0.75rem;
      border-radius: 6px;
      color: $text$;
      text-decoration: none;
      font-size: 0.925rem;
    }
    .nav-item:hover { background: $hover$; }
    .nav-item.active { background: $primary$12; color: $primary$; font-weight: 500; }
    .sidebar-footer { opacity: 0.4; font-size: 0.75rem; padding: 0 0.5rem; }

    .content { margin-left: 260px; flex: 1; min-width: 0; }
    main { max-width: 1100px; padding: 2.5rem 3rem; }
    .page { display: none; }
    .page:first-of-type { display: block; }
    h2 { font-size: 1.4rem; font-weight: 600; margin-bottom: 1.25rem; }
    p { opacity: 0.8; margin-bottom: 1rem; }

    .beside { display: flex; flex-direction: row; gap: 1rem; margin-bottom: 1.5rem; }
    .beside-item { flex: 1; min-width: 0; }
    .stat-card {
      background: $surface$;
      border: 1px solid $border$;
      border-radius: $radius$;
      padding: 1.5rem;
    }
    .stat-value { display: block; font-size: 2rem; font-weight: 700; line-height: 1.2; }
    .stat-label {
      display: block;
      font-size: 0.75rem;
      text-transform: uppercase;
      letter-spacing: 0.05em;
      opacity: 0.6;
    }
    .stat-card.primary .stat-value { color: $primary$; }
    .stat-card.urgent .stat-value { color: #f59e0b; }
    .stat-card.danger .stat-value { color: #ef4444; }
    .stat-card.secondary .stat-value { color: #64748b; }

    .table-container { overflow-x: auto; margin-bottom: 1.5rem; }
    table {
      width: 100%;
      border-collapse: collapse;
      background: $surface$;
      border-radius: $radius$;
      overflow: hidden;
    }
    th {
      text-align: left;
      font-size: 0.75rem;
      font-weight: 600;
      text-transform: uppercase;
      letter-spacing: 0.05em;
      opacity: 0.5;
      padding: 0.75rem 1rem;
    }
    td { padding: 0.75rem 1rem; font-size: 0.925rem; }
    tr { border-bottom: 1px solid $border$; }
    tbody tr:last-child { border-bottom: none; }
    tbody tr:hover { background: $hover$; }
    tbody tr { cursor: pointer; }

    .form {
      background: $surface$;
      border-radius: $radius$;
      padding: 2rem;
      max-width: 480px;
      margin-bottom: 1.5rem;
    }
    .field { margin-bottom: 1.25rem; }
    .field label {
      display: block;
      font-size: 0.75rem;
      font-weight: 600;
      text-transform: uppercase;
      letter-spacing: 0.05em;
      margin-bottom: 0.4rem;
    }
    input, textarea, select {
      width: 100%;
      padding: 0.6rem 0.75rem;
      border: 1px solid $border$;
      border-radius: 6px;
      background: $background$;
      color: $text$;
      font: inherit;
    }
    input:focus, textarea:focus, select:focus {
      outline: none;
      border-color: $primary$;
      box-shadow: 0 0 0 3px $primary$18;
    }
    textarea { min-height: 100px; resize: vertical; }

    .btn {
      display: inline-block;
      padding: 0.6rem 1.25rem;
      border: none;
      border-radius: 6px;
      background: $hover$;
      color: $text$;
      font: inherit;
      font-weight: 500;
      cursor: pointer;
      transition: opacity 0.15s, transform 0.1s;
    }
    .btn.primary { background: $primary$; color: #ffffff; }
    .btn.secondary { background: $hover$; }
    .btn.danger { background: #ef4444; color: #ffffff; }
    .btn.urgent { background: #f59e0b; color: #ffffff; }
    .btn:hover { opacity: 0.85; }
    .btn:active { transform: scale(0.98); }
    .btn + .btn { margin-left: 0.5rem; }

    .toggle, .field .toggle {
      display: flex;
      flex-direction: row;
      align-items: center;
      gap: 0.5rem;
      font-size: 0.925rem;
      font-weight: 400;
      text-transform: none;
      letter-spacing: normal;
      cursor: pointer;
    }
    .toggle input[type="checkbox"] { width: 18px; height: 18px; accent-color: $primary$; }

    .card-grid {
      display: grid;
      grid-template-columns: repeat(auto-fill, minmax(280px, 1fr));
      gap: 1.25rem;
      margin-bottom: 1.5rem;
    }

    .list {
      list-style: none;
      background: $surface$;
      border-radius: $radius$;
      margin-bottom: 1.5rem;
    }
    .list li { padding: 0.75rem 1rem; border-bottom: 1px solid $border$; }
    .list li:last-child { border-bottom: none; }
    .timeline { margin-bottom: 1.5rem; }
    .detail {
      background: $surface$;
      border-radius: $radius$;
      padding: 2rem;
      margin-bottom: 1.5rem;
    }

    .panels {
      display: flex;
      flex-direction: row;
      gap: 0;
      min-height: calc(100vh - 5rem);
      margin: -2.5rem -3rem;
    }
    .panel {
      flex: 1;
      display: flex;
      flex-direction: column;
      min-width: 0;
      border-right: 1px solid $border$;
      overflow-y: auto;
    }
    .panel:last-child { border-right: none; }
    .panel-sm { flex: 0 0 260px; }
    .panel-lg { flex: 2; }
    .panel-header {
      padding: 0.75rem 1rem;
      font-size: 0.75rem;
      font-weight: 600;
      text-transform: uppercase;
      letter-spacing: 0.05em;
      border-bottom: 1px solid $border$;
    }
    .panel-body { padding: 1rem; }

    .card { background: $surface$; border-radius: $radius$; padding: 1.25rem; margin-bottom: 1rem; }
    .card-title { font-weight: 600; margin-bottom: 0.25rem; }
    .card-subtitle { font-size: 0.85rem; opacity: 0.6; margin-bottom: 0.75rem; }
    .card-body p { margin-bottom: 0.5rem; }
    .card-primary { border-left: 3px solid $primary$; }
    .card-urgent { border-left: 3px solid #f59e0b; }
    .card-danger { border-left: 3px solid #ef4444; }
    .card-secondary { border-left: 3px solid #64748b; }
    .card-muted { opacity: 0.6; }

    .divider { border: none; border-top: 1px solid $border$; margin: 1.5rem 0; }
    .spacer { height: 1.5rem; }

    .conditional-else { display: none; }

    @media (max-width: 768px) {
      .sidebar { display: none; }
      .content { margin-left: 0; }
      main { padding: 1.5rem 1rem; }
      .beside { flex-direction: column; }
      .form { max-width: 100%; }
    }
  )css";

struct ThemeValue {
  std::string_view name;
  std::string_view value;
};

}  // namespace

std::string stylesheet(const HtmlTheme& theme) {
  const bool dark = theme.is_dark();
  const ThemeValue values[] = {
      {"font", theme.font},
      {"background", theme.background_color},
      {"text", theme.text_color},
      {"sidebar", dark ? kDarkSidebar : kLightSidebar},
      {"border", dark ? kDarkBorder : kLightBorder},
      {"radius", theme.radius},
      {"primary", theme.primary_color},
      {"hover", dark ? kDarkHover : kLightHover},
      {"surface", dark ? kDarkSurface : kLightSurface},
  };
  std::string out;
  out.reserve(kRules.size() + 512);
  std::size_t start = 0;
  while (true) {
    const std::size_t open = kRules.find('$', start);
    if (open == std::string_view::npos) break;
    const std::size_t close = kRules.find('$', open + 1);
    out.append(kRules, start, open - start);
    const std::string_view name = kRules.substr(open + 1, close - open - 1);
    for (const ThemeValue& value : values) {
      if (value.name == name) out += value.value;
    }
    start = close + 1;
  }
  out.append(kRules, start);
  return out;
}

}  // namespace pellix
