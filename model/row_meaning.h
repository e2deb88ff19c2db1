// What a measurement row means, for platforms that cannot show its characters as drawn:
// how full its bar is, and the row as a screen reader should say it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/menu_item.h"

namespace model {

// How full a bar drawn in characters is, 0 to 1: block elements (partial blocks in
// eighths) and the common ASCII and geometric fills over lines, dots and spaces. None when
// the bar is empty or holds a character that says neither.
[[nodiscard]] std::optional<double> barFill(std::string_view bar);

// A row as a screen reader should say it, where its drawn text would be read character by
// character: label, value, detail, the bar as its colour and fill, then the hint, without
// the spaces that pad the producer's columns. None for other items: their title says it.
[[nodiscard]] std::optional<std::string> accessibleName(const MenuItem& item);

}  // namespace model
