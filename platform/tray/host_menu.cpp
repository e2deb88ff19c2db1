#include "platform/tray/host_menu.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"
#include "base/utf8.h"
#include "model/row_meaning.h"

namespace platform::tray {
namespace {

// U+2007 FIGURE SPACE: as wide as a digit, where a narrow space would put a column out of line.
constexpr std::string_view figureSpace = "\u2007";

// U+2068 FIRST STRONG ISOLATE ... U+2069 POP DIRECTIONAL ISOLATE around each field, led by
// the desktop's direction mark (U+200E or U+200F), where any field is right-to-left:
// otherwise a Hebrew or Arabic label would turn the whole row, and its columns, around.
constexpr std::string_view isolateStart = "\u2068", isolateEnd = "\u2069";
constexpr std::string_view leftToRightMark = "\u200E", rightToLeftMark = "\u200F";

[[nodiscard]] std::string rowText(const model::RowFields& row, std::optional<double> fill, size_t valueWidth,
                                  bool rightToLeftDesktop) {
  const std::string_view value = base::trimmedSpaces(row.value);
  std::vector<std::string_view> fields{value, base::trimmedSpaces(row.label), base::trimmedSpaces(row.detail)};
  if (!fill) fields.push_back(base::trimmedSpaces(row.bar));
  const bool isolated = std::any_of(fields.begin(), fields.end(), base::utf8::holdsRightToLeft);
  const auto append = [&](std::string& text, std::string_view field) {
    if (isolated) {
      text.append(isolateStart).append(field).append(isolateEnd);
    } else {
      text += field;
    }
  };
  std::string text;
  for (size_t width = base::utf8::characters(value); width < valueWidth; ++width) text += figureSpace;
  if (!value.empty()) append(text, value);
  for (size_t index = 1; index < fields.size(); ++index) {
    if (fields[index].empty()) continue;
    if (!text.empty()) text += "  ";
    append(text, fields[index]);
  }
  if (isolated) text.insert(0, rightToLeftDesktop ? rightToLeftMark : leftToRightMark);
  return text;
}

[[nodiscard]] size_t widest(const HostMenu& menu) {
  size_t width = 0;
  for (const HostItem& item : menu) width = std::max(width, base::utf8::characters(item.text));
  return width;
}

}  // namespace

HostMenu hostMenu(std::span<const model::KeptMenuItem> items, const Desktop& desktop, int screenHeight,
                  bool rightToLeftDesktop) {
  int height = desktop.menuFrame;
  for (const model::KeptMenuItem& kept : items) {
    height += kept.item().isSeparator ? desktop.separatorHeight : desktop.itemHeight;
  }
  const bool fold = height > screenHeight && !desktop.scrollsMenu;
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
          valueWidth = std::max(valueWidth, base::utf8::characters(base::trimmedSpaces(items[row].item().row->value)));
        }
      }
      const std::optional<double> fill = model::barFill(item.row->bar);
      menu.push_back({HostItem::Kind::row, rowText(*item.row, fill, valueWidth, rightToLeftDesktop), item.action, fill});
      continue;
    }
    // A section's header is the disabled item its rows follow.
    const bool opensRows = index + 1 < items.size() && items[index + 1].item().row;
    const bool folds = fold && !item.enabled && opensRows;
    menu.push_back({folds ? HostItem::Kind::foldedSection : HostItem::Kind::other, std::string(item.title), item.action});
  }
  return menu;
}

HostUpdate hostUpdate(const HostMenu& next, const HostMenu& shown, HostMenuState state) {
  const bool sameShape = std::equal(next.begin(), next.end(), shown.begin(), shown.end(),
                                    [](const HostItem& a, const HostItem& b) { return a.kind == b.kind && a.action == b.action; });
  switch (state) {
    case HostMenuState::closed:
    case HostMenuState::opening:
      return sameShape ? HostUpdate::inPlace : HostUpdate::layout;
    case HostMenuState::settling:
      return sameShape ? HostUpdate::inPlace : HostUpdate::held;
    case HostMenuState::open:
      break;
  }
  return sameShape && widest(next) <= widest(shown) ? HostUpdate::inPlace : HostUpdate::held;
}

}  // namespace platform::tray
