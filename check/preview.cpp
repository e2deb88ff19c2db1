#include "check/preview.h"

#include <algorithm>

#include "base/text.h"
#include "check/menu_shortcut.h"
#include "model/palette.h"
#include "render/render.h"
#include "base/utf8.h"

namespace check {

namespace {

using model::MenuItem;
using model::NamedColor;
using model::StyledRun;

constexpr std::string_view reset = "\x1b[0m";
constexpr std::string_view menuIndent = "    ";
constexpr std::string_view hintMark = "  \xE2\x80\x94 ";  // " — "

std::string sgr(std::string_view codes) { return "\x1b[" + std::string(codes) + "m"; }

// The label colour is the terminal's own text colour and the secondary one its dim
// text, so both stay legible on light and dark terminals; tone colours are exact.
std::string runStyle(const StyledRun& run) {
  std::string codes;
  if (run.font.weight == model::FontWeight::semibold) codes += "1;";
  if (run.color.blend || (run.color.base != NamedColor::label && run.color.base != NamedColor::secondaryLabel)) {
    const model::RGBA rgba = model::resolve(run.color, model::Appearance::dark);
    const auto byte = [](double component) { return std::to_string(model::channel(component)); };
    codes += "38;2;" + byte(rgba.red) + ";" + byte(rgba.green) + ";" + byte(rgba.blue) + ";";
  } else if (run.color.base == NamedColor::secondaryLabel) {
    codes += "2;";
  }
  if (codes.empty()) return {};
  codes.pop_back();
  return sgr(codes);
}

std::string styled(const model::StyledText& runs, bool colour) {
  std::string out;
  for (const StyledRun& run : runs) {
    const std::string style = colour ? runStyle(run) : std::string();
    std::string text;
    run.appendTo(text);
    out.append(style).append(base::visible(text, base::ShownOn::terminal));
    if (!style.empty()) out.append(reset);
  }
  return out;
}

std::string itemLine(const MenuItem& item, bool colour) {
  std::string line;
  if (item.attributedTitle) {
    line = styled(*item.attributedTitle, colour);
  } else {
    line = base::visible(item.title, base::ShownOn::terminal);
  }
  if (!item.keyEquivalent.empty()) {
    std::string key(item.keyEquivalent);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    line.append("  ").append(shortcutModifier).append(base::visible(key, base::ShownOn::terminal));
  }
  if (!item.enabled && colour) line = sgr("2") + line + std::string(reset);
  if (item.toolTip) {
    std::string hint = std::string(hintMark) + base::visible(*item.toolTip, base::ShownOn::terminal);
    line += colour ? sgr("2") + hint + std::string(reset) : hint;
  }
  return line;
}

size_t plainWidth(const MenuItem& item) {
  if (item.isSeparator) return 0;
  return base::utf8::codePoints(base::visible(
      item.attributedTitle ? model::plainText(*item.attributedTitle) : item.title, base::ShownOn::terminal));
}

}  // namespace

std::string preview(const report::Report& report, bool colour) {
  const std::vector<model::KeptMenuItem> items = rendering::menuItems(report);
  size_t width = 0;
  for (const model::KeptMenuItem& kept : items) width = std::max(width, plainWidth(kept.item()));
  std::string out = "  status  " + styled(rendering::statusTitle(rendering::statusTitleText(report.title)), colour) + "\n";
  out += "  menu\n";
  for (const model::KeptMenuItem& kept : items) {
    const MenuItem& item = kept.item();
    out.append(menuIndent);
    if (item.isSeparator) {
      for (size_t i = 0; i < std::max<size_t>(width, 8); ++i) out.append("\xE2\x94\x80");  // ─
    } else {
      out.append(itemLine(item, colour));
    }
    out.append("\n");
  }
  return out;
}

}  // namespace check
