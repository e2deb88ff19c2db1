// What one report looks like: status title, menu shape, row runs, fonts and colours.
#include <gtest/gtest.h>

#include "model/row_meaning.h"
#include "render/render.h"

namespace {

using namespace model;

// One line per menu item, enough to see a menu's shape at a glance.
std::vector<std::string> shape(const std::vector<KeptMenuItem>& items) {
  std::vector<std::string> lines;
  for (const auto& kept : items) {
    const MenuItem& item = kept.item();
    if (item.isSeparator) {
      lines.push_back("---");
    } else if (!item.enabled) {
      lines.push_back("header " + std::string(item.title));
    } else if (item.action == MenuAction::none) {
      lines.push_back("row " + std::string(item.title));
    } else {
      lines.push_back("command " + std::string(item.title) +
                      (item.keyEquivalent.empty() ? "" : " [" + std::string(item.keyEquivalent) + "]"));
    }
  }
  return lines;
}

report::Report::Section section(std::string title, std::vector<std::string> labels) {
  report::Report::Section result{std::move(title), {}};
  for (auto& label : labels) result.rows.push_back(report::Row{.label = std::move(label), .bar = "#", .value = "1"});
  return result;
}

TEST(MenuItems, HasOneOfTwoShapes) {
  const std::vector<std::string> nothingYet = {"header no measurement yet", "---", "command Quit indicator [q]"};
  const std::vector<std::string> nothingYetWithConsole = {"header no measurement yet", "---",
                                                          "command Open Kestrelwick console", "command Quit indicator [q]"};
  const std::vector<std::tuple<std::string, report::Report, std::vector<std::string>>> cases = {
      {"empty report", report::Report{}, nothingYet},
      {"empty sections", report::Report{.sections = std::vector<report::Report::Section>{}}, nothingYet},
      {"console only", report::Report{.console = "http://x"}, nothingYetWithConsole},
      {"empty console still counts", report::Report{.console = ""}, nothingYetWithConsole},
      {"section without rows", report::Report{.sections = std::vector{section("Now", {})}},
       {"header Now", "---", "command Quit indicator [q]"}},
      {"two sections", report::Report{.sections = std::vector{section("A", {"a1", "a2"}), section("B", {"b1"})}, .console = "c"},
       {"header A", "row a1", "row a2", "---", "header B", "row b1", "---", "command Open Kestrelwick console",
        "command Quit indicator [q]"}},
  };
  for (const auto& [name, report, expected] : cases) EXPECT_EQ(shape(rendering::menuItems(report)), expected) << name;
}

// Past 16 sections or 100 rows, what is left is summed up before the commands.
TEST(MenuItems, SumsUpWhatIsPastTheLimits) {
  const auto sections = [](size_t n, size_t rows) {
    return report::Report{.sections = std::vector(n, section("S", std::vector<std::string>(rows, "r")))};
  };
  const std::vector<std::tuple<report::Report, size_t, std::string>> cases = {
      {sections(8, 12), 8 * 14 + 1, "command Quit indicator [q]"},
      {sections(17, 1), 16 * 3 + 3, "header \u2026 1 more row"},
      {sections(1, 20'150), 102 + 3, "header \u2026 20,050 more rows"},
      {sections(2, 99), 104 + 3, "header \u2026 98 more rows"},
      {sections(2'000, 1), 16 * 3 + 3, "header \u2026 1,984 more rows"},
      {sections(20, 0), 16 * 2 + 3, "header \u2026 4 more sections"},
      {sections(2, 101), 102 + 3, "header \u2026 102 more rows"},
  };
  for (const auto& [report, size, summary] : cases) {
    const auto lines = shape(rendering::menuItems(report));
    ASSERT_EQ(lines.size(), size) << summary;
    EXPECT_EQ(lines[lines.size() - (summary.starts_with("header") ? 3 : 1)], summary);
  }
}

// A row item: its runs, font, bar colour and tool tip, and what a screen reader says of it,
// which is the fields, the bar's colour and fill, then the hint.
TEST(RowItem, ShowsEveryFieldAsItCameInTheRowsFontAndTheBarInItsToneAndSaysThem) {
  struct Case {
    report::Row row;
    std::vector<std::string> runs;  // gap and text
    FontWeight weight;
    Color bar;
    std::optional<std::string> toolTip;
    std::string spoken;
  };
  const Color secondary{NamedColor::secondaryLabel, {}};
  const auto toned = [](NamedColor base) { return Color{base, Color::Blend{0.25, NamedColor::systemGray}}; };
  const std::vector<Case> cases = {
      {report::Row{.label = " cpu ", .bar = "\u2588\u258C\u2500\u2500", .value = " 42% ", .detail = "\u00B7  now  on",
                   .tone = "good", .hint = "busy", .emphasis = true},
       {"   cpu ", "  \u2588\u258C\u2500\u2500", "   42% ", "  \u00B7  now  on"}, FontWeight::semibold,
       toned(NamedColor::systemBlue), "busy", "cpu, 42%, now on, blue bar 38% full, busy"},
      {report::Row{.label = "mem", .bar = "#---", .value = "", .detail = "", .hint = "resident"},
       {"  mem", "  #---", "  "}, FontWeight::regular, secondary, "resident", "mem, bar 25% full, resident"},
      {report::Row{.label = "disk", .bar = "\u00B7\u00B7", .value = "0%", .tone = "strong"},
       {"  disk", "  \u00B7\u00B7", "  0%"}, FontWeight::regular, toned(NamedColor::systemGreen), std::nullopt,
       "disk, 0%, green bar 0% full"},
      {report::Row{.label = "", .bar = "", .value = "", .tone = "loud"}, {"  ", "  ", "  "}, FontWeight::regular,
       secondary, std::nullopt, ""},
      {report::Row{.label = "a", .bar = "b", .value = "c", .detail = " ", .tone = "light", .emphasis = false},
       {"  a", "  b", "  c", "   "}, FontWeight::regular, toned(NamedColor::systemOrange), std::nullopt,
       "a, c, orange bar b"},
      {report::Row{.label = " x ", .bar = "\u2588\u2500", .value = "v", .detail = "d\ne", .hint = "", .emphasis = true},
       {"   x ", "  \u2588\u2500", "  v", "  d\ne"}, FontWeight::semibold, secondary, "", "x, v, d\ne, bar 50% full"},
  };
  for (const auto& [row, runs, weight, bar, toolTip, spoken] : cases) {
    const MenuItem item = rendering::rowItem(row);
    std::vector<std::string> texts;
    for (size_t i = 0; i < item.attributedTitle->size(); ++i) {
      const StyledRun& run = (*item.attributedTitle)[i];
      texts.push_back(std::string(run.gap) + std::string(run.text));
      EXPECT_EQ(run.font, (Font{FontDesign::monospaced, 12, weight}));
      EXPECT_EQ(run.color, i == 1 ? bar : (Color{NamedColor::label, {}}));
    }
    EXPECT_EQ(texts, runs);
    EXPECT_EQ(item.toolTip, toolTip);
    EXPECT_EQ(accessibleName(item), spoken);
  }
  // A header is no row: a screen reader says its title alone.
  EXPECT_EQ(accessibleName(rendering::header("Now")), std::nullopt);
}

// Block elements in eighths, the common fills, and any run of one glyph then another,
// framed in brackets or not; nothing else is a bar.
TEST(BarFill, IsReadFromKnownCharactersOrATwoGlyphRun) {
  const std::vector<std::pair<std::string, std::optional<double>>> cases = {
      {"\u2588\u2588\u258C\u2500\u2500", 0.5}, {" [####......] ", 0.4}, {"\u25B0\u25B0\u25B0\u25B1\u25B1\u25B1", 0.5},
      {"\u28FF\u28FF\u28FF\u28FF\u28C0\u28C0\u28C0\u28C0\u28C0\u28C0", 0.4}, {"(\u28FF\u28C0)", 0.5}, {"|==--|", 0.5},
      {"{\u2591\u2591}", 0.0}, {"\u28FF\u28C0\u28FF", std::nullopt}, {"\u28FF\u28FF", std::nullopt},
      {"abc", std::nullopt}, {"[]", std::nullopt}, {"", std::nullopt},
  };
  for (const auto& [bar, fill] : cases) EXPECT_EQ(barFill(bar), fill) << bar;
}

TEST(StatusTitle, OnlyAMissingTitleBecomesThePlaceholder) {
  EXPECT_EQ(rendering::statusTitleText(std::nullopt), "\u2026");
  EXPECT_EQ(rendering::statusTitleText(" 42%\n"), " 42%\n");
  EXPECT_EQ(rendering::statusTitle("42%"),
            (StyledText{{{}, "42%", {FontDesign::monospacedDigit, 13, FontWeight::regular}, {NamedColor::label, {}}}}));
}

TEST(TitleLog, WritesTheShortestWidthWithAPoint) {
  const std::vector<std::pair<double, std::string>> widths = {
      {41, "41.0"}, {37.5, "37.5"}, {0, "0.0"}, {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"},
      {123.456, "123.456"}, {1e6, "1000000.0"}, {2.5e-5, "0.000025"}, {-4, "-4.0"},
      {-0.0, "-0.0"}, {0.5, "0.5"}, {9.87654321e-3, "0.00987654321"}, {1e22, "10000000000000000000000.0"},
      // Past 2^53 digits are no longer exact, and past 15 decimals the long way is taken.
      {1e15 + 0.5, "1000000000000000.5"}, {1e-15, "0.000000000000001"}, {1e-20, "0.00000000000000000001"},
  };
  for (const auto& [width, text] : widths) EXPECT_EQ(rendering::formatWidth(width), text);
  // One buffer serves every line: nothing of the line before is left in it. A long title
  // is cut before a whole character, its length said.
  const std::vector<std::tuple<std::string, double, size_t, std::string>> lines = {
      {std::string(4095, 'x') + "\u00e9" + "x", 1, 0, "title=" + std::string(4095, 'x') + "\u2026 (4098 bytes) width=1.0 sections=0"},
      {std::string(4096, 'x'), 1, 0, "title=" + std::string(4096, 'x') + " width=1.0 sections=0"}};
  for (std::string message; const auto& [title, width, sections, line] : lines) {
    rendering::titleLogMessage(message, title, width, sections);
    EXPECT_EQ(message, line);
  }
}

}  // namespace
