// The colour values behind the named colours, for platforms that draw them themselves.
#pragma once

#include <optional>

#include "model/styled_text.h"

namespace model {

struct RGBA {
  double red, green, blue, alpha;  // 0 to 1

  bool operator==(const RGBA&) const = default;
};

enum class Appearance { light, dark };

[[nodiscard]] RGBA namedColorValue(NamedColor color, Appearance appearance);

// Each component is (1 - fraction) times base's plus fraction times with's;
// none when the blend cannot be made.
[[nodiscard]] std::optional<RGBA> blended(const RGBA& base, double fraction, const RGBA& with);

// A colour as drawn in the given appearance; a blend that cannot be made gives the base.
[[nodiscard]] RGBA resolve(const Color& color, Appearance appearance);

// A component as the nearest whole number from 0 to full (a byte's 255 unless a format
// takes more), clamped first, so that a colour is written alike wherever it is written.
[[nodiscard]] int channel(double component, int full = 255);

}  // namespace model
