#include "model/row_meaning.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "base/text.h"

namespace model {
namespace {

constexpr std::array<std::pair<std::string_view, double>, 25> barCharacters{{
    {"\u2588", 1}, {"\u2589", 7 / 8.0}, {"\u258A", 6 / 8.0}, {"\u258B", 5 / 8.0}, {"\u258C", 4 / 8.0},
    {"\u258D", 3 / 8.0}, {"\u258E", 2 / 8.0}, {"\u258F", 1 / 8.0},
    {"#", 1}, {"=", 1}, {"\u25A0", 1}, {"\u25CF", 1}, {"\u25B0", 1}, {"\u25AE", 1},
    {"\u2500", 0}, {"-", 0}, {"\u00B7", 0}, {"\u22C5", 0}, {".", 0}, {" ", 0}, {"_", 0},
    {"\u2591", 0}, {"\u25A1", 0}, {"\u25CB", 0}, {"\u25B1", 0},
}};

}  // namespace

std::optional<double> barFill(std::string_view bar) {
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

std::optional<std::string> accessibleName(const MenuItem& item) {
  if (!item.row) return std::nullopt;
  std::string text;
  const auto say = [&](std::string_view words) {
    if (words.empty()) return;
    if (!text.empty()) text += ", ";
    text += words;
  };
  const RowFields& row = *item.row;
  for (std::string_view field : {row.label, row.value, row.detail}) say(base::trimmedSpaces(field));
  const ToneMeaning* tone = meaningOf(row.tone);
  const std::string_view colour = tone != nullptr ? tone->word : std::string_view();
  const std::optional<double> fill = barFill(row.bar);
  if (!colour.empty() || fill) {
    std::string bar = colour.empty() ? "bar" : std::string(colour) + " bar";
    if (fill) bar += " " + std::to_string(std::lround(*fill * 100)) + "% full";
    say(bar);
  }
  if (item.toolTip) say(base::trimmedSpaces(*item.toolTip));
  return text;
}

}  // namespace model
