#include "model/row_meaning.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "base/text.h"
#include "base/utf8.h"

namespace model {
namespace {

constexpr std::array<std::pair<std::string_view, double>, 25> barCharacters{{
    {"\u2588", 1}, {"\u2589", 7 / 8.0}, {"\u258A", 6 / 8.0}, {"\u258B", 5 / 8.0}, {"\u258C", 4 / 8.0},
    {"\u258D", 3 / 8.0}, {"\u258E", 2 / 8.0}, {"\u258F", 1 / 8.0},
    {"#", 1}, {"=", 1}, {"\u25A0", 1}, {"\u25CF", 1}, {"\u25B0", 1}, {"\u25AE", 1},
    {"\u2500", 0}, {"-", 0}, {"\u00B7", 0}, {"\u22C5", 0}, {".", 0}, {" ", 0}, {"_", 0},
    {"\u2591", 0}, {"\u25A1", 0}, {"\u25CB", 0}, {"\u25B1", 0},
}};

// Bars come framed by a pair of these, as "[####......]".
constexpr std::array<std::pair<char, char>, 4> brackets{{{'[', ']'}, {'(', ')'}, {'{', '}'}, {'|', '|'}}};

// The fill of known characters, or none when any is unknown or there is none.
std::optional<double> knownFill(std::string_view bar) {
  double filled = 0;
  size_t cells = 0;
  while (!bar.empty()) {
    const auto* known = std::find_if(barCharacters.begin(), barCharacters.end(),
                                     [&](const auto& character) { return bar.starts_with(character.first); });
    if (known == barCharacters.end()) return std::nullopt;
    filled += known->second;
    ++cells;
    bar.remove_prefix(known->first.size());
  }
  if (cells == 0) return std::nullopt;
  return filled / static_cast<double>(cells);
}

// A run of one glyph then a run of another, as "⣿⣿⣿⣿⣀⣀⣀⣀⣀⣀": the first is the filled part.
std::optional<double> twoGlyphFill(std::string_view bar) {
  const auto glyphAt = [&](size_t at) {
    size_t end = std::min(at + 1, bar.size());
    while (end < bar.size() && base::utf8::isContinuation(bar[end])) ++end;
    return bar.substr(at, end - at);
  };
  const std::string_view filled = glyphAt(0);
  size_t at = 0, filledCells = 0, cells = 0;
  for (; at < bar.size() && bar.substr(at).starts_with(filled); at += filled.size()) ++filledCells;
  const std::string_view empty = glyphAt(at);
  for (; at < bar.size() && !empty.empty() && bar.substr(at).starts_with(empty); at += empty.size()) ++cells;
  if (at < bar.size() || filledCells == 0 || cells == 0) return std::nullopt;
  return static_cast<double>(filledCells) / static_cast<double>(filledCells + cells);
}

// A field as said: without the producer's padding, a column mark that leads it ("·  91.2K
// sent") or runs of spaces that line columns up, none of which means anything aloud.
std::string spoken(std::string_view field) {
  field = base::trimmedSpaces(field);
  for (std::string_view mark : {"\u00B7", "\u2022", "|"}) {
    if (field.starts_with(mark) && field.size() > mark.size() && field[mark.size()] == ' ') {
      field = base::trimmedSpaces(field.substr(mark.size()));
    }
  }
  std::string words;
  for (char character : field) {
    if (character != ' ' || words.empty() || words.back() != ' ') words += character;
  }
  return words;
}

}  // namespace

std::optional<double> barFill(std::string_view bar) {
  bar = base::trimmedSpaces(bar);
  for (const auto& [open, close] : brackets) {
    if (bar.size() >= 2 && bar.front() == open && bar.back() == close) bar = bar.substr(1, bar.size() - 2);
  }
  if (const std::optional<double> fill = knownFill(bar)) return fill;
  return twoGlyphFill(bar);
}

std::optional<std::string> accessibleName(const MenuItem& item) {
  if (!item.row) return std::nullopt;
  std::string text;
  const auto say = [&](std::string_view words) {
    if (words.empty()) return;
    if (!text.empty()) text += ", ";
    text += words;
  };
  const RowFields& row = *item.row;
  for (std::string_view field : {row.label, row.value, row.detail}) say(spoken(field));
  const ToneMeaning* tone = meaningOf(row.tone);
  const std::string bar = spoken(row.bar);
  if (!bar.empty() || tone != nullptr) {
    std::string words = tone != nullptr ? std::string(tone->word) + " bar" : "bar";
    // A bar whose fill cannot be told is said as the text it is.
    if (const std::optional<double> fill = barFill(row.bar)) {
      words += " " + std::to_string(std::lround(*fill * 100)) + "% full";
    } else if (!bar.empty()) {
      words += " " + bar;
    }
    say(words);
  }
  if (item.toolTip) say(spoken(*item.toolTip));
  return text;
}

}  // namespace model
