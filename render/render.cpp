// Presentation rules: fonts, colours, run layout and the shape of the menu.
#include "render/render.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>

#include "base/text.h"
#include "base/utf8.h"
#include "model/tone.h"

namespace rendering {
namespace {

using model::Color;
using model::Font;
using model::FontDesign;
using model::FontWeight;
using model::MenuItem;
using model::NamedColor;
using model::StyledRun;

constexpr Font headerFont{FontDesign::system, 11, FontWeight::semibold};
constexpr std::string_view runGap = "  ";

// Streams in the classic locale, so that a desktop toolkit that adopts the user's
// locale cannot turn the decimal point into a comma.
std::string fixed(double value, int decimals) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.setf(std::ios::fixed, std::ios::floatfield);
  out.precision(decimals);
  out << value;
  return out.str();
}

bool readsBackAs(const std::string& text, double value) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double parsed = 0;
  in >> parsed;
  return parsed == value;
}

}  // namespace

std::string_view statusTitleText(std::optional<std::string_view> title) { return title.value_or(placeholderTitle); }

model::StyledText statusTitle(std::string_view text) {
  return {StyledRun{{}, text, statusFont, Color{NamedColor::label, {}}}};
}

namespace {

// Widths are small numbers with few decimals, so the shortest text is found with
// integers: digits / 10^decimals is the double itself when both are exact and their
// correctly rounded quotient gives the width back, which is what reading the text does.
std::optional<std::string> shortWidth(double width) {
  constexpr double exactIntegers = 9007199254740992.0;  // 2^53
  double scale = 1;
  for (int decimals = 1; decimals <= 15; ++decimals) {
    scale *= 10;
    const double nearest = std::round(width * scale);
    for (double digits : {nearest - 1, nearest, nearest + 1}) {
      if (std::fabs(digits) >= exactIntegers || digits / scale != width) continue;
      std::string text = std::to_string(static_cast<long long>(std::fabs(digits)));
      if (text.size() <= static_cast<size_t>(decimals)) text.insert(0, decimals + 1 - text.size(), '0');
      text.insert(text.size() - decimals, ".");
      if (std::signbit(width)) text.insert(0, "-");
      return text;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string formatWidth(double width) {
  if (!std::isfinite(width)) return fixed(width, 1);
  if (auto text = shortWidth(width)) return *text;
  // Past 1100 decimals every double is written exactly.
  for (int decimals = 1; decimals < 1100; ++decimals) {
    std::string text = fixed(width, decimals);
    if (readsBackAs(text, width)) return text;
  }
  return fixed(width, 1100);
}

void titleLogMessage(std::string& out, std::string_view text, double width, size_t sectionCount) {
  out.assign("title=");
  base::appendCut(out, text);
  out.append(" width=").append(formatWidth(width));
  out.append(" sections=").append(std::to_string(sectionCount));
}

MenuItem header(std::string_view title) {
  return MenuItem{.title = title,
                  .attributedTitle = model::StyledText{{{}, title, headerFont, {NamedColor::secondaryLabel, {}}}},
                  .enabled = false};
}

Font rowFont(std::optional<bool> emphasis) {
  return {FontDesign::monospaced, 12, emphasis.value_or(false) ? FontWeight::semibold : FontWeight::regular};
}

MenuItem rowItem(const report::Row& row) {
  const Font font = rowFont(row.emphasis);
  const Color label{NamedColor::label, {}};
  const model::Tone tone = model::decodeTone(row.tone);
  MenuItem item{.title = row.label,
                .attributedTitle = model::StyledText{{runGap, row.label, font, label},
                                                        {runGap, row.bar, font, model::toneColor(tone)},
                                                        {runGap, row.value, font, label}},
                .enabled = true};
  if (row.hint) item.toolTip = *row.hint;
  const std::string_view detail = row.detail ? std::string_view(*row.detail) : std::string_view();
  if (!detail.empty()) item.attributedTitle->push_back({runGap, detail, font, label});
  item.row = model::RowFields{row.label, row.bar, row.value, detail, tone};
  return item;
}

// "… 19,950 more rows", or sections where only empty ones are left out.
std::string leftOut(size_t rows, size_t sections) {
  const size_t count = rows > 0 ? rows : sections;
  std::string digits = std::to_string(count);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  const std::string_view noun = rows > 0 ? (rows == 1 ? "row" : "rows") : (sections == 1 ? "section" : "sections");
  return std::string(base::ellipsis) + " " + digits + " more " + std::string(noun);
}

void buildMenu(const report::Report& report, const std::function<void(MenuItem&&)>& add) {
  if (report.sections) {
    size_t rowsLeft = maxShownRows;
    size_t hiddenRows = 0, hiddenSections = 0;
    for (size_t index = 0; index < report.sections->size(); ++index) {
      const auto& section = (*report.sections)[index];
      if (index >= maxShownSections || rowsLeft == 0) {
        hiddenRows += section.rows.size();
        ++hiddenSections;
        continue;
      }
      add(header(section.title));
      const size_t shown = std::min(section.rows.size(), rowsLeft);
      for (size_t row = 0; row < shown; ++row) add(rowItem(section.rows[row]));
      rowsLeft -= shown;
      hiddenRows += section.rows.size() - shown;
      add(MenuItem::separatorItem());
    }
    if (hiddenRows > 0 || hiddenSections > 0) {
      const std::string summary = leftOut(hiddenRows, hiddenSections);
      add(MenuItem{.title = summary, .enabled = false});
      add(MenuItem::separatorItem());
    }
  }
  if (!report.sections || report.sections->empty()) {
    add(header(nothingYetTitle));
    add(MenuItem::separatorItem());
  }
  if (report.console) add(MenuItem{.title = consoleCommandTitle, .action = model::MenuAction::openConsole});
  add(MenuItem{.title = quitCommandTitle, .action = model::MenuAction::quit, .keyEquivalent = "q"});
}

std::vector<model::KeptMenuItem> menuItems(const report::Report& report) {
  std::vector<model::KeptMenuItem> items;
  buildMenu(report, [&](MenuItem&& item) { items.emplace_back(item); });
  return items;
}

}  // namespace rendering
