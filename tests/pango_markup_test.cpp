// Styled runs as Pango markup: read back with Pango's parser, the text must be exactly
// the runs' text and each run must carry its own font and colour.
#include "platform/pango_markup.h"

#include <gtest/gtest.h>
#include <pango/pango.h>

#include <vector>

namespace platform {
namespace {

struct ParsedRun {
  std::string text;
  std::string family;
  int size = 0;
  int weight = 0;
  std::string features;
  std::string foreground;
  int alpha = 0;
};

// The markup as Pango reads it: its plain text, and the attributes of each run.
std::pair<std::string, std::vector<ParsedRun>> parse(const std::string& markup) {
  PangoAttrList* attributes = nullptr;
  char* text = nullptr;
  GError* error = nullptr;
  EXPECT_TRUE(pango_parse_markup(markup.c_str(), -1, 0, &attributes, &text, nullptr, &error))
      << (error ? error->message : "") << "\n" << markup;
  if (error != nullptr) {
    g_error_free(error);
    return {};
  }
  std::vector<ParsedRun> runs;
  PangoAttrIterator* iterator = pango_attr_list_get_iterator(attributes);
  do {
    int start = 0, end = 0;
    pango_attr_iterator_range(iterator, &start, &end);
    if (end == G_MAXINT || start == end) continue;
    ParsedRun run{.text = std::string(text + start, text + end)};
    if (auto* family = pango_attr_iterator_get(iterator, PANGO_ATTR_FAMILY)) run.family = reinterpret_cast<PangoAttrString*>(family)->value;
    if (auto* size = pango_attr_iterator_get(iterator, PANGO_ATTR_SIZE)) run.size = reinterpret_cast<PangoAttrInt*>(size)->value;
    if (auto* weight = pango_attr_iterator_get(iterator, PANGO_ATTR_WEIGHT)) run.weight = reinterpret_cast<PangoAttrInt*>(weight)->value;
    if (auto* features = pango_attr_iterator_get(iterator, PANGO_ATTR_FONT_FEATURES)) run.features = reinterpret_cast<PangoAttrFontFeatures*>(features)->features;
    if (auto* color = pango_attr_iterator_get(iterator, PANGO_ATTR_FOREGROUND)) {
      char* spec = pango_color_to_string(&reinterpret_cast<PangoAttrColor*>(color)->color);
      run.foreground = spec;
      g_free(spec);
    }
    if (auto* alpha = pango_attr_iterator_get(iterator, PANGO_ATTR_FOREGROUND_ALPHA)) run.alpha = reinterpret_cast<PangoAttrInt*>(alpha)->value;
    runs.push_back(run);
  } while (pango_attr_iterator_next(iterator));
  pango_attr_iterator_destroy(iterator);
  pango_attr_list_unref(attributes);
  std::string plain(text);
  g_free(text);
  return {plain, runs};
}

const FontFamilies families{.system = "Cantarell", .monospaced = "DejaVu Sans Mono"};

TEST(PangoMarkup, TextComesBackExactlyWhateverItHolds) {
  const Font font{FontDesign::monospaced, 12, FontWeight::regular};
  const Color label{NamedColor::label};
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain", "plain"},
      {"<b>not bold</b> & 'quotes' \"too\"", "<b>not bold</b> & 'quotes' \"too\""},
      {"&amp; stays &amp;", "&amp; stays &amp;"},
      {"under_score _q", "under_score _q"},
      {"\xE2\x8C\x81 23% \xE2\x96\x88\xE2\x94\x80", "\xE2\x8C\x81 23% \xE2\x96\x88\xE2\x94\x80"},
      {"tab\tand\x01control\x1F", "tab\tand\x01control\x1F"},
      {std::string("nul\0inside", 10), "nul\xE2\x90\x80inside"},
      {"", ""},
  };
  for (const auto& [text, shown] : cases) {
    SCOPED_TRACE(text);
    const auto [plain, runs] = parse(pangoMarkup({{text, font, label}}, Appearance::light, families));
    EXPECT_EQ(plain, shown);
  }
}

TEST(PangoMarkup, EachRunCarriesItsFontAndColour) {
  const StyledText text = {
      {"  row", {FontDesign::monospaced, 12, FontWeight::semibold}, {NamedColor::label}},
      {"  \xE2\x96\x88", {FontDesign::monospaced, 12, FontWeight::regular},
       {NamedColor::systemBlue, Color::Blend{0.25, NamedColor::systemGray}}},
      {"Header", {FontDesign::system, 11, FontWeight::semibold}, {NamedColor::secondaryLabel}},
      {"23%", {FontDesign::monospacedDigit, 13, FontWeight::regular}, {NamedColor::systemGreen}},
  };
  struct Expected {
    Appearance appearance;
    std::vector<ParsedRun> runs;
  };
  // Blue blended a quarter with grey (142,142,147): light (0,122,255) -> (36,127,228),
  // dark (10,132,255) -> (43,135,228).
  const std::vector<Expected> cases = {
      {Appearance::light,
       {{"  row", "DejaVu Sans Mono", 12 * 1024, 600, "", "#000000000000", 55705},
        {"  \xE2\x96\x88", "DejaVu Sans Mono", 12 * 1024, 400, "", "#24247f7fe4e4", 65535},
        {"Header", "Cantarell", 11 * 1024, 600, "", "#3c3c3c3c4343", 39321},
        {"23%", "Cantarell", 13 * 1024, 400, "tnum", "#3434c7c75959", 65535}}},
      {Appearance::dark,
       {{"  row", "DejaVu Sans Mono", 12 * 1024, 600, "", "#ffffffffffff", 55705},
        {"  \xE2\x96\x88", "DejaVu Sans Mono", 12 * 1024, 400, "", "#2b2b8787e4e4", 65535},
        {"Header", "Cantarell", 11 * 1024, 600, "", "#ebebebebf5f5", 39321},
        {"23%", "Cantarell", 13 * 1024, 400, "tnum", "#3030d1d15858", 65535}}},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.appearance == Appearance::light ? "light" : "dark");
    const auto [plain, runs] = parse(pangoMarkup(text, expected.appearance, families));
    EXPECT_EQ(plain, plainText(text));
    ASSERT_EQ(runs.size(), expected.runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
      SCOPED_TRACE(runs[i].text);
      EXPECT_EQ(runs[i].text, expected.runs[i].text);
      EXPECT_EQ(runs[i].family, expected.runs[i].family);
      EXPECT_EQ(runs[i].size, expected.runs[i].size);
      EXPECT_EQ(runs[i].weight, expected.runs[i].weight);
      EXPECT_EQ(runs[i].features, expected.runs[i].features);
      EXPECT_EQ(runs[i].foreground, expected.runs[i].foreground);
      EXPECT_EQ(runs[i].alpha, expected.runs[i].alpha);
    }
  }
}

TEST(DisplayText, CutsLongTextAtACodePointAndShowsNul) {
  const std::string ellipsis = "\xE2\x80\xA6";
  const std::string arrow = "\xE2\x8C\x81";
  struct Case {
    std::string text;
    size_t limit;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"abc", 3, "abc"},
      {"abcd", 3, "abc" + ellipsis},
      {arrow + arrow + arrow, 2, arrow + arrow + ellipsis},
      {arrow + arrow, 2, arrow + arrow},
      {std::string("a\0b", 3), 3, "a\xE2\x90\x80" "b"},
      {std::string("\0\0", 2), 1, "\xE2\x90\x80" + ellipsis},
      {"", 0, ""},
      {std::string(3 * maxDisplayedCodePoints, 'x'), maxDisplayedCodePoints,
       std::string(maxDisplayedCodePoints, 'x') + ellipsis},
  };
  for (const auto& [text, limit, shown] : cases) {
    SCOPED_TRACE(text.substr(0, 20));
    EXPECT_EQ(displayText(text, limit), shown);
  }
}

}  // namespace
}  // namespace platform
