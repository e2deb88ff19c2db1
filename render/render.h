// Turns one Report into what is shown: the status title and the menu, as plain values.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/menu_item.h"
#include "platform/styled_text.h"
#include "report/report.h"

namespace render {

// Shown while a report has no title: U+2026 HORIZONTAL ELLIPSIS.
inline constexpr std::string_view placeholderTitle = "\xE2\x80\xA6";
inline constexpr std::string_view nothingYetTitle = "no measurement yet";
inline constexpr std::string_view consoleCommandTitle = "Open Kestrelwick console";
inline constexpr std::string_view quitCommandTitle = "Quit indicator";

// The status title's font: the system font with fixed-width digits, so that a changing
// number does not make the status item jitter.
inline constexpr platform::Font statusFont{platform::FontDesign::monospacedDigit, 13, platform::FontWeight::regular};

// The titles, runs and menu items made here refer to the report's own text: they are
// valid as long as the report is, and no text is copied.

// The report's title; an empty title is shown as is, only a missing one becomes the placeholder.
[[nodiscard]] std::string_view statusTitleText(const Report& report);
[[nodiscard]] platform::StyledText statusTitle(std::string_view text);

// "title=<text> width=<width> sections=<count>", into out (cleared first), so that one
// buffer serves every report.
void titleLogMessage(std::string& out, std::string_view text, double width, size_t sectionCount);
[[nodiscard]] std::string titleLogMessage(std::string_view text, double width, size_t sectionCount);
// The shortest decimal that reads back as the same double, always with a decimal point.
[[nodiscard]] std::string formatWidth(double width);

[[nodiscard]] platform::MenuItem header(std::string_view title);
[[nodiscard]] platform::Color toneColor(const std::optional<std::string>& tone);
[[nodiscard]] platform::Font rowFont(std::optional<bool> emphasis);
// A row item's runs, in this order; a detail run only where the detail has text.
enum RowRun : size_t { rowLabelRun, rowBarRun, rowValueRun, rowDetailRun };
[[nodiscard]] platform::MenuItem rowItem(const Row& row);

// The whole menu, rebuilt from nothing but this report: each item in order, handed
// to add as it is made.
void buildMenu(const Report& report, const std::function<void(platform::MenuItem&&)>& add);
[[nodiscard]] std::vector<platform::MenuItem> menuItems(const Report& report);

}  // namespace render
