// Turns one Report into what is shown: the status title and the menu, as plain values.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "model/menu_item.h"
#include "model/styled_text.h"
#include "report/report.h"

namespace rendering {

// Shown while a report has no title: U+2026 HORIZONTAL ELLIPSIS.
inline constexpr std::string_view placeholderTitle = base::ellipsis;
inline constexpr std::string_view nothingYetTitle = "no measurement yet";
inline constexpr std::string_view consoleCommandTitle = "Open Kestrelwick console";
inline constexpr std::string_view quitCommandTitle = "Quit indicator";

// The status title's font: the system font with fixed-width digits, so that a changing
// number does not make the status item jitter.
inline constexpr model::Font statusFont{model::FontDesign::monospacedDigit, 13, model::FontWeight::regular};

// The titles, runs and menu items made here refer to the report's own text: they are
// valid as long as the report is, and no text is copied.

// The report's title; an empty title is shown as is, only a missing one becomes the placeholder.
[[nodiscard]] std::string_view statusTitleText(std::optional<std::string_view> title);
[[nodiscard]] model::StyledText statusTitle(std::string_view text);

// "title=<text> width=<width> sections=<count>", into out (cleared first), so that one
// buffer serves every report.
void titleLogMessage(std::string& out, std::string_view text, double width, size_t sectionCount);
// The shortest decimal that reads back as the same double, always with a decimal point.
[[nodiscard]] std::string formatWidth(double width);

[[nodiscard]] model::MenuItem header(std::string_view title);
[[nodiscard]] model::Font rowFont(std::optional<bool> emphasis);
// A row item's runs are its label, bar, value and, where it has text, detail; its fields
// say the same for platforms that draw rows their own way.
[[nodiscard]] model::MenuItem rowItem(const report::Row& row);

// A menu shows at most this many sections and rows: 16 sections, each a header and a
// separator, with the commands fit a 1080-pixel screen in the tallest host's items, and
// 100 rows are three screens of them, where a host folds sections into submenus, and
// what a desktop's host takes in well under a frame's time to copy. A report past
// either is shown that far, and what is left is summed up in one disabled item
// ("… 19,950 more rows") before the commands, which stay in reach; building the menu
// and a host's copy of it then takes bounded time whatever the report holds.
inline constexpr size_t maxShownSections = 16;
inline constexpr size_t maxShownRows = 100;

// The whole menu, rebuilt from nothing but this report: each item in order, handed
// to add as it is made.
void buildMenu(const report::Report& report, const std::function<void(model::MenuItem&&)>& add);
// The same, each item owning its texts.
[[nodiscard]] std::vector<model::KeptMenuItem> menuItems(const report::Report& report);

}  // namespace rendering
