// What one report looks like: status title, menu shape, row runs, fonts and colours.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/palette.h"
#include "render/render.h"
#include "selftest/sample_report.h"

namespace {

using namespace platform;

// One line per menu item, enough to see a menu's shape at a glance.
std::vector<std::string> shape(const std::vector<MenuItem>& items) {
  std::vector<std::string> lines;
  for (const auto& item : items) {
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

Report::Section section(std::string title, std::vector<std::string> labels) {
  Report::Section result{std::move(title), {}};
  for (auto& label : labels) result.rows.push_back(Row{.label = std::move(label), .bar = "#", .value = "1"});
  return result;
}

struct ShapeCase {
  const char* name;
  Report report;
  std::vector<std::string> expected;
};

TEST(MenuItems, HasOneOfTwoShapes) {
  const std::vector<ShapeCase> cases = {
      {"empty report", Report{}, {"header no measurement yet", "---", "command Quit indicator [q]"}},
      {"empty sections", Report{.sections = std::vector<Report::Section>{}},
       {"header no measurement yet", "---", "command Quit indicator [q]"}},
      {"console only", Report{.console = "http://x"},
       {"header no measurement yet", "---", "command Open Kestrelwick console", "command Quit indicator [q]"}},
      {"empty console still counts", Report{.console = ""},
       {"header no measurement yet", "---", "command Open Kestrelwick console", "command Quit indicator [q]"}},
      {"section without rows", Report{.sections = std::vector{section("Now", {})}},
       {"header Now", "---", "command Quit indicator [q]"}},
      {"two sections", Report{.sections = std::vector{section("A", {"a1", "a2"}), section("B", {"b1"})}, .console = "c"},
       {"header A", "row a1", "row a2", "---", "header B", "row b1", "---", "command Open Kestrelwick console",
        "command Quit indicator [q]"}},
  };
  for (const auto& [name, report, expected] : cases) EXPECT_EQ(shape(render::menuItems(report)), expected) << name;
}

TEST(RowItem, MatchesTheWorkedExample) {
  const Font semibold{FontDesign::monospaced, 12, FontWeight::semibold};
  const Font regular{FontDesign::monospaced, 12, FontWeight::regular};
  const Color label{NamedColor::label, {}};
  const Color blueGrey{NamedColor::systemBlue, Color::Blend{0.25, NamedColor::systemGray}};
  const Color secondary{NamedColor::secondaryLabel, {}};

  const Row cpuRow{.label = "cpu", .bar = "##--", .value = "42%", .tone = "good", .emphasis = true};
  EXPECT_EQ(render::rowItem(cpuRow), (MenuItem{.title = "cpu",
                                               .attributedTitle = StyledText{{"  ", "cpu", semibold, label},
                                                                             {"  ", "##--", semibold, blueGrey},
                                                                             {"  ", "42%", semibold, label}},
                                               .enabled = true}));

  const Row memRow{.label = "mem", .bar = "#---", .value = "10%", .detail = "", .hint = "resident"};
  EXPECT_EQ(render::rowItem(memRow), (MenuItem{.title = "mem",
                                               .attributedTitle = StyledText{{"  ", "mem", regular, label},
                                                                             {"  ", "#---", regular, secondary},
                                                                             {"  ", "10%", regular, label}},
                                               .enabled = true,
                                               .toolTip = "resident"}));
}

TEST(RowItem, ShowsEveryFieldAsItCame) {
  struct Case {
    Row row;
    std::vector<std::string> runs;
    std::optional<std::string> toolTip;
    FontWeight weight;
  };
  const std::vector<Case> cases = {
      {Row{.label = "", .bar = "", .value = ""}, {"  ", "  ", "  "}, std::nullopt, FontWeight::regular},
      {Row{.label = "a", .bar = "b", .value = "c", .detail = " ", .emphasis = false}, {"  a", "  b", "  c", "   "},
       std::nullopt, FontWeight::regular},
      {Row{.label = " x ", .bar = "\u2588\u2500", .value = "v", .detail = "d\ne", .hint = "", .emphasis = true},
       {"   x ", "  \u2588\u2500", "  v", "  d\ne"}, "", FontWeight::semibold},
  };
  for (const auto& [row, runs, toolTip, weight] : cases) {
    const MenuItem item = render::rowItem(row);
    std::vector<std::string> texts;
    for (const auto& run : *item.attributedTitle) {
      texts.push_back(std::string(run.gap) + std::string(run.text));
      EXPECT_EQ(run.font, (Font{FontDesign::monospaced, 12, weight}));
    }
    EXPECT_EQ(texts, runs);
    EXPECT_EQ(item.toolTip, toolTip);
    EXPECT_EQ(item.title, row.label);
  }
}

TEST(ToneColor, MatchesOnlyTheExactNames) {
  const auto greyed = [](NamedColor base) { return Color{base, Color::Blend{0.25, NamedColor::systemGray}}; };
  const Color fallback{NamedColor::secondaryLabel, {}};
  const std::vector<std::pair<std::optional<std::string>, Color>> cases = {
      {"strong", greyed(NamedColor::systemGreen)}, {"good", greyed(NamedColor::systemBlue)},
      {"light", greyed(NamedColor::systemOrange)}, {std::nullopt, fallback}, {"", fallback},
      {"Strong", fallback}, {"GOOD", fallback}, {" good", fallback}, {"good ", fallback}, {"bad", fallback},
  };
  for (const auto& [tone, expected] : cases) EXPECT_EQ(render::toneColor(tone), expected) << tone.value_or("(absent)");
}

// The blended values themselves are checked where they are drawn (pango_markup_test).
TEST(Palette, ABlendThatCannotBeMadeDrawsTheBase) {
  const RGBA blue = namedColorValue(NamedColor::systemBlue, Appearance::light);
  const RGBA grey = namedColorValue(NamedColor::systemGray, Appearance::light);
  EXPECT_FALSE(blended(blue, 1.5, grey));
  EXPECT_FALSE(blended(blue, 0.25, RGBA{std::nan(""), 0, 0, 1}));
  EXPECT_EQ(resolve(Color{NamedColor::systemGreen, Color::Blend{-1, NamedColor::systemGray}}, Appearance::dark),
            namedColorValue(NamedColor::systemGreen, Appearance::dark));
}

TEST(StatusTitle, OnlyAMissingTitleBecomesThePlaceholder) {
  EXPECT_EQ(render::statusTitleText(Report{}), "\u2026");
  EXPECT_EQ(render::statusTitleText(Report{.title = ""}), "");
  EXPECT_EQ(render::statusTitleText(Report{.title = " 42%\n"}), " 42%\n");
  EXPECT_EQ(render::statusTitle("42%"),
            (StyledText{{{}, "42%", {FontDesign::monospacedDigit, 13, FontWeight::regular}, {NamedColor::label, {}}}}));
}

TEST(TitleLog, WritesTheShortestWidthWithAPoint) {
  const std::vector<std::pair<double, std::string>> widths = {
      {41, "41.0"}, {37.5, "37.5"}, {0, "0.0"}, {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"},
      {123.456, "123.456"}, {1e6, "1000000.0"}, {2.5e-5, "0.000025"}, {-4, "-4.0"},
      {-0.0, "-0.0"}, {0.5, "0.5"}, {9.87654321e-3, "0.00987654321"}, {1e22, "10000000000000000000000.0"},
  };
  for (const auto& [width, text] : widths) EXPECT_EQ(render::formatWidth(width), text);
  EXPECT_EQ(render::titleLogMessage("42%", 41, 3), "title=42% width=41.0 sections=3");
  EXPECT_EQ(render::titleLogMessage("", 10, 0), "title= width=10.0 sections=0");
}

TEST(SampleReport, HasItsExactCharacters) {
  const Report sample = selftest::sampleReport();
  EXPECT_EQ(sample.title, "\u2301 23%");
  EXPECT_EQ(sample.tone, "good");
  EXPECT_EQ(sample.console, "http://127.0.0.1:8180");
  ASSERT_TRUE(sample.sections);
  ASSERT_EQ(sample.sections->size(), 2u);
  const auto& now = (*sample.sections)[0];
  const auto& today = (*sample.sections)[1];
  EXPECT_EQ(now.title, "Running now \u00B7 2 windows \u00B7 22.7% together");
  EXPECT_EQ(today.title, "Today");

  const std::vector<Row> rows = {now.rows.at(0), now.rows.at(1), today.rows.at(0), today.rows.at(1)};
  const std::vector<Row> expected = {
      {"codex     ", "\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500", " 22.7%",
       "\u00B7  91.2K sent", "good", std::nullopt, std::nullopt},
      {"claude    ", "\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7", "      ", "no requests yet",
       std::nullopt, std::nullopt, std::nullopt},
      {"all agents", "\u2588\u2588\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500", " 36.7%",
       "\u00B7   2.3M sent", "good", std::nullopt, true},
      {"cursor    ", "\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2500\u2500\u2500", " 66.2%",
       "\u00B7  44.3K sent", "strong", std::nullopt, std::nullopt},
  };
  EXPECT_EQ(rows, expected);
}

}  // namespace
