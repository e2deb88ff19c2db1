// Styled runs as Pango markup: read back with Pango's parser, the text must be exactly
// the runs' text and each run must carry its own font and colour.
#include "platform/gtk/pango_markup.h"

#include <gtest/gtest.h>
#include <pango/pango.h>

#include <vector>

namespace platform {
namespace {

using namespace model;

// One run as Pango reads it: text, family, size, weight, features, colour, alpha.
using ParsedRun = std::tuple<std::string, std::string, int, int, std::string, std::string, int>;

template <typename Attribute>
Attribute* attribute(PangoAttrIterator* iterator, PangoAttrType type) {
  return reinterpret_cast<Attribute*>(pango_attr_iterator_get(iterator, type));
}

// GLib's automatic cleanup frees what Pango returns on every way out.
std::pair<std::string, std::vector<ParsedRun>> parse(const std::string& markup) {
  g_autoptr(PangoAttrList) attributes = nullptr;
  g_autofree char* text = nullptr;
  EXPECT_TRUE(pango_parse_markup(markup.c_str(), -1, 0, &attributes, &text, nullptr, nullptr)) << markup;
  if (text == nullptr) return {};
  std::vector<ParsedRun> runs;
  g_autoptr(PangoAttrIterator) iterator = pango_attr_list_get_iterator(attributes);
  do {
    int start = 0, end = 0;
    pango_attr_iterator_range(iterator, &start, &end);
    if (end == G_MAXINT || start == end) continue;
    g_autofree char* color = pango_color_to_string(&attribute<PangoAttrColor>(iterator, PANGO_ATTR_FOREGROUND)->color);
    auto* features = attribute<PangoAttrFontFeatures>(iterator, PANGO_ATTR_FONT_FEATURES);
    runs.emplace_back(std::string(text + start, text + end),
                      attribute<PangoAttrString>(iterator, PANGO_ATTR_FAMILY)->value,
                      attribute<PangoAttrInt>(iterator, PANGO_ATTR_SIZE)->value,
                      attribute<PangoAttrInt>(iterator, PANGO_ATTR_WEIGHT)->value,
                      features ? features->features : "", color,
                      attribute<PangoAttrInt>(iterator, PANGO_ATTR_FOREGROUND_ALPHA)->value);
  } while (pango_attr_iterator_next(iterator));
  return {text, runs};
}

const FontFamilies families{.system = "Cantarell", .monospaced = "DejaVu Sans Mono"};

TEST(PangoMarkup, TextComesBackExactlyWhateverItHolds) {
  const Font font{FontDesign::monospaced, 12, FontWeight::regular};
  for (const std::string text : {"<b>not bold</b> & 'quotes' \"too\"", "&amp; stays &amp;", "under_score _q",
                                 "\xE2\x8C\x81 23% \xE2\x96\x88\xE2\x94\x80", "tab\tand\x01control\x1F", ""}) {
    EXPECT_EQ(parse(pangoMarkup({{{}, text, font, {NamedColor::label}}}, Appearance::light, families)).first, text);
  }
  const StyledText withNul{{{}, std::string_view("nul\0inside", 10), font, {NamedColor::label}}};
  EXPECT_EQ(parse(pangoMarkup(withNul, Appearance::light, families)).first, "nul\xE2\x90\x80inside");
}

TEST(PangoMarkup, EachRunCarriesItsFontAndColourForTheAppearance) {
  const StyledText text = {
      {"  ", "row", {FontDesign::monospaced, 12, FontWeight::semibold}, {NamedColor::label}},
      {"  ", "\xE2\x96\x88", {FontDesign::monospaced, 12, FontWeight::regular},
       {NamedColor::systemBlue, Color::Blend{0.25, NamedColor::systemGray}}},
      {{}, "Header", {FontDesign::system, 11, FontWeight::semibold}, {NamedColor::secondaryLabel}},
      {{}, "23%", {FontDesign::monospacedDigit, 13, FontWeight::regular}, {NamedColor::systemGreen}},
  };
  const std::string mono = families.monospaced, system = families.system;
  // Blue blended a quarter with grey (142,142,147): light (0,122,255) -> (36,127,228),
  // dark (10,132,255) -> (43,135,228). Label alpha 0.85, secondary 0.6.
  const std::vector<std::pair<Appearance, std::vector<ParsedRun>>> cases = {
      {Appearance::light,
       {{"  row", mono, 12 * 1024, 600, "", "#000000000000", 55705},
        {"  \xE2\x96\x88", mono, 12 * 1024, 400, "", "#24247f7fe4e4", 65535},
        {"Header", system, 11 * 1024, 600, "", "#3c3c3c3c4343", 39321},
        {"23%", system, 13 * 1024, 400, "tnum", "#3434c7c75959", 65535}}},
      {Appearance::dark,
       {{"  row", mono, 12 * 1024, 600, "", "#ffffffffffff", 55705},
        {"  \xE2\x96\x88", mono, 12 * 1024, 400, "", "#2b2b8787e4e4", 65535},
        {"Header", system, 11 * 1024, 600, "", "#ebebebebf5f5", 39321},
        {"23%", system, 13 * 1024, 400, "tnum", "#3030d1d15858", 65535}}},
  };
  for (const auto& [appearance, expected] : cases) {
    const auto [plain, runs] = parse(pangoMarkup(text, appearance, families));
    EXPECT_EQ(plain, plainText(text));
    EXPECT_EQ(runs, expected);
  }
}

}  // namespace
}  // namespace platform
