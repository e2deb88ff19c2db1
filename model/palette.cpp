// Apple's published values for the system colours, so that every platform draws the
// indicator in the colours it has on macOS.
#include "model/palette.h"

#include <algorithm>
#include <cmath>

namespace model {
namespace {

constexpr RGBA rgb(int red, int green, int blue, double alpha = 1.0) {
  return {red / 255.0, green / 255.0, blue / 255.0, alpha};
}

}  // namespace

RGBA namedColorValue(NamedColor color, Appearance appearance) {
  const bool dark = appearance == Appearance::dark;
  switch (color) {
    case NamedColor::label: return dark ? rgb(255, 255, 255, 0.85) : rgb(0, 0, 0, 0.85);
    case NamedColor::secondaryLabel: return dark ? rgb(235, 235, 245, 0.6) : rgb(60, 60, 67, 0.6);
    case NamedColor::systemGreen: return dark ? rgb(48, 209, 88) : rgb(52, 199, 89);
    case NamedColor::systemBlue: return dark ? rgb(10, 132, 255) : rgb(0, 122, 255);
    case NamedColor::systemOrange: return dark ? rgb(255, 159, 10) : rgb(255, 149, 0);
    case NamedColor::systemGray: return rgb(142, 142, 147);
  }
  return rgb(0, 0, 0);
}

std::optional<RGBA> blended(const RGBA& base, double fraction, const RGBA& with) {
  if (!(fraction >= 0.0 && fraction <= 1.0)) return std::nullopt;
  auto mix = [fraction](double from, double to) { return (1.0 - fraction) * from + fraction * to; };
  const RGBA result{mix(base.red, with.red), mix(base.green, with.green), mix(base.blue, with.blue),
                    mix(base.alpha, with.alpha)};
  for (double component : {result.red, result.green, result.blue, result.alpha}) {
    if (!std::isfinite(component)) return std::nullopt;
  }
  return result;
}

RGBA resolve(const Color& color, Appearance appearance) {
  const RGBA base = namedColorValue(color.base, appearance);
  if (!color.blend) return base;
  return blended(base, color.blend->fraction, namedColorValue(color.blend->with, appearance))
      .value_or(base);
}

int channel(double component, int full) { return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * full)); }

}  // namespace model
