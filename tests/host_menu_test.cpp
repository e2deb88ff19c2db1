// The host's menu: what each report shape sends a desktop's host, and when.
#include <gtest/gtest.h>

#include "platform/tray/host_menu.h"
#include "render/render.h"
#include "selftest/sample_report.h"

namespace {

using namespace platform::tray;
using Kind = HostItem::Kind;

report::Report sections(size_t count, size_t rows, size_t labelLength, std::string value = "1%") {
  report::Report report{.title = "t", .sections = std::vector<report::Report::Section>(count)};
  for (size_t s = 0; s < count; ++s) {
    (*report.sections)[s].title = "section " + std::to_string(s);
    for (size_t r = 0; r < rows; ++r) {
      (*report.sections)[s].rows.push_back(
          report::Row{.label = std::to_string(r) + std::string(labelLength - 1, 'x'), .bar = "##--", .value = r == 0 ? value : "2%"});
    }
  }
  return report;
}

HostMenu sent(const report::Report& report, int screenHeight, const Desktop& desktop = desktopNamed("GNOME")) {
  std::vector<model::KeptMenuItem> items;
  rendering::buildMenu(report, [&](model::MenuItem&& item) { items.emplace_back(item); });
  return hostMenu(items, desktop, screenHeight);
}

std::string repeated(const std::string& unit, int times) { return times == 0 ? "" : unit + repeated(unit, times - 1); }

// A letter an item: separator, row (t where its bar is text, not a fill), folded section, other.
std::string kinds(const HostMenu& menu) {
  std::string letters;
  for (const HostItem& item : menu) letters += item.kind == Kind::row && !item.fill ? 't' : "-r>o"[static_cast<int>(item.kind)];
  return letters;
}

TEST(HostMenu, SaysEachRowValueFirstAndFoldsSectionsPastTheScreen) {
  const std::string fig = "\u2007";
  const struct {
    const char* name;
    report::Report report;
    int screenHeight;
    std::string kinds;
    std::vector<std::pair<size_t, std::string>> texts;
  } cases[] = {
      {"empty", {}, 1080, "o-o", {{0, "no measurement yet"}, {2, "Quit indicator"}}},
      {"the sample", selftest::sampleReport(), 1080, "orr-orr-oo",
       {{1, "22.7%  codex  \u00B7  91.2K sent"}, {2, fig + fig + fig + fig + fig + "  claude  no requests yet"},
        {5, "36.7%  all agents  \u00B7   2.3M sent"}, {8, "Open Kestrelwick console"}}},
      {"the sample on a short screen", selftest::sampleReport(), 300, ">rr->rr-oo", {}},
      {"3x8, one value wider", sections(3, 8, 10, "100%"), 1200, repeated("orrrrrrrr-", 3) + "o",
       {{1, "100%  0xxxxxxxxx"}, {2, fig + fig + "2%  1xxxxxxxxx"}}},
      {"6x12, long labels", sections(6, 12, 60), 1080, repeated(">rrrrrrrrrrrr-", 6) + "o", {{1, "1%  0" + std::string(59, 'x')}}},
      {"one row, as tall as the screen", sections(1, 1, 1), 3 * 36 + 13 + 64, "or-o", {{1, "1%  0"}}},
      {"one row, a pixel taller", sections(1, 1, 1), 3 * 36 + 13 + 63, ">r-o", {}},
      {"a right-to-left label, a mark in a value, a bar that is no fill",
       report::Report{.sections = std::vector{report::Report::Section{"S", {
           report::Row{.label = "\u05E9\u05DC\u05D5\u05DD", .bar = "##--", .value = "5\u0301%"},
           report::Row{.label = "b", .bar = " ~ ", .value = "10%"}}}}},
       1080, "ort-o", {{1, "\u200E" + fig + "\u20685\u0301%\u2069  \u2068\u05E9\u05DC\u05D5\u05DD\u2069"}, {2, "10%  b  ~"}}},
  };
  for (const auto& c : cases) {
    const HostMenu menu = sent(c.report, c.screenHeight);
    EXPECT_EQ(kinds(menu), c.kinds) << c.name;
    for (const auto& [index, text] : c.texts) EXPECT_EQ(menu.at(index).text, text) << c.name << " item " << index;
  }
  EXPECT_EQ(kinds(sent(sections(6, 12, 60), 1080, desktopNamed("KDE"))), repeated("orrrrrrrrrrrr-", 6) + "o");
}

TEST(HostMenu, AnOpenMenuKeepsItsShapeAndWidthUntilTheHostNextAsksForIt) {
  const HostMenu shown = sent(selftest::sampleReport(), 1080);
  report::Report narrower = selftest::sampleReport();
  (*narrower.sections)[0].rows[0].value = "2%";
  report::Report wider = selftest::sampleReport();
  (*wider.sections)[0].rows[1].detail = std::string(80, 'w');
  const auto [layout, inPlace, held] = std::tuple(HostUpdate::layout, HostUpdate::inPlace, HostUpdate::held);
  const struct { const char* name; HostMenu next; HostUpdate closed, open, opening, settling; } cases[] = {
      {"the same", shown, inPlace, inPlace, inPlace, inPlace},
      {"narrower", sent(narrower, 1080), inPlace, inPlace, inPlace, inPlace},
      {"wider", sent(wider, 1080), inPlace, held, inPlace, inPlace},
      {"empty", sent({}, 1080), layout, held, layout, held},
      {"3x8", sent(sections(3, 8, 10), 1080), layout, held, layout, held},
      {"6x12", sent(sections(6, 12, 60), 1080), layout, held, layout, held},
      {"shrunk to one row", sent(sections(1, 1, 1), 1080), layout, held, layout, held},
      {"folded", sent(selftest::sampleReport(), 300), layout, held, layout, held},
      {"another command in a place", [&] { HostMenu other = shown; other[8].action = {}; return other; }(), layout, held, layout, held},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hostUpdate(c.next, shown, HostMenuState::closed), c.closed) << c.name;
    EXPECT_EQ(hostUpdate(c.next, shown, HostMenuState::open), c.open) << c.name;
    EXPECT_EQ(hostUpdate(c.next, shown, HostMenuState::opening), c.opening) << c.name;
    EXPECT_EQ(hostUpdate(c.next, shown, HostMenuState::settling), c.settling) << c.name;
  }
}

TEST(Desktops, AreFoundByTheFirstKnownNameInTheSessionsList) {
  const struct { const char *current, *found; bool showsLabel, saysClosed, scrolls, takesLayout; } cases[] = {
      {"GNOME", "GNOME", true, true, false, true},     {"ubuntu:GNOME", "GNOME", true, true, false, true},
      {"Unity", "Unity", true, true, false, false},    {"GNOME-Flashback:GNOME", "GNOME", true, true, false, true},
      {"KDE", "KDE", false, true, true, false},        {"KDE:GNOME", "KDE", false, true, true, false},
      {"XFCE", "XFCE", false, false, false, false},    {"X-Cinnamon", "", false, false, false, false},
      {"", "", false, false, false, false},
  };
  for (const auto& c : cases) {
    const Desktop& d = desktopNamed(c.current);
    EXPECT_EQ(std::tuple(d.name, d.showsLabel, d.saysMenuClosed, d.scrollsMenu, d.takesLayoutAsItOpens),
              std::tuple(std::string_view(c.found), c.showsLabel, c.saysClosed, c.scrolls, c.takesLayout))
        << c.current;
  }
}

}  // namespace
