#include "platform/tray/host_menu.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"
#include "base/utf8.h"

namespace platform::tray {
namespace {

// U+2007 FIGURE SPACE: as wide as a digit, where a narrow space would put a column out of line.
constexpr std::string_view figureSpace = "\u2007";

[[nodiscard]] std::string rowText(const model::RowFields& row, size_t valueWidth) {
  std::string text;
  const std::string_view value = base::trimmedSpaces(row.value);
  for (size_t width = base::utf8::codePoints(value); width < valueWidth; ++width) text += figureSpace;
  text += value;
  for (std::string_view field : {row.label, row.detail}) {
    field = base::trimmedSpaces(field);
    if (field.empty()) continue;
    if (!text.empty()) text += "  ";
    text += field;
  }
  return text;
}

[[nodiscard]] bool isSectionHeader(const model::MenuItem& item) {
  return !item.isSeparator && !item.row && !item.enabled;
}

[[nodiscard]] size_t widest(const HostMenu& menu) {
  size_t width = 0;
  for (const HostItem& item : menu) width = std::max(width, base::utf8::codePoints(item.text));
  return width;
}

}  // namespace

HostMenu hostMenu(std::span<const model::KeptMenuItem> items, const Desktop& desktop, int screenHeight) {
  int height = desktop.menuFrame;
  for (const model::KeptMenuItem& kept : items) {
    height += kept.item().isSeparator ? desktop.separatorHeight : desktop.itemHeight;
  }
  const bool fold = height > screenHeight;
  HostMenu menu;
  menu.reserve(items.size());
  size_t valueWidth = 0;
  for (size_t index = 0; index < items.size(); ++index) {
    const model::MenuItem& item = items[index].item();
    if (item.isSeparator) {
      menu.push_back({HostItem::Kind::separator, {}});
      continue;
    }
    if (item.row) {
      // The first row of a run finds the widest value of the run: the run is its section.
      if (index == 0 || !items[index - 1].item().row) {
        valueWidth = 0;
        for (size_t row = index; row < items.size() && items[row].item().row; ++row) {
          valueWidth = std::max(valueWidth, base::utf8::codePoints(base::trimmedSpaces(items[row].item().row->value)));
        }
      }
      menu.push_back({HostItem::Kind::row, rowText(*item.row, valueWidth)});
      continue;
    }
    const bool opensRows = index + 1 < items.size() && items[index + 1].item().row;
    const bool folds = fold && isSectionHeader(item) && opensRows;
    menu.push_back({folds ? HostItem::Kind::foldedSection : HostItem::Kind::other, std::string(item.title), item.action});
  }
  return menu;
}

HostUpdate hostUpdate(const HostMenu& next, const HostMenu& shown, HostMenuState state) {
  const bool sameShape = std::equal(next.begin(), next.end(), shown.begin(), shown.end(),
                                    [](const HostItem& a, const HostItem& b) { return a.kind == b.kind && a.action == b.action; });
  if (state != HostMenuState::open) return sameShape ? HostUpdate::inPlace : HostUpdate::layout;
  return sameShape && widest(next) <= widest(shown) ? HostUpdate::inPlace : HostUpdate::held;
}

}  // namespace platform::tray
