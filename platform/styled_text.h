// Styled text as plain values: each run carries exactly a font and a foreground colour.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class FontDesign {
  system,           // the system font
  monospaced,       // the monospaced system font
  monospacedDigit,  // the system font with fixed-width digits
};

enum class FontWeight { regular, semibold };

struct Font {
  FontDesign design;
  double size;  // points
  FontWeight weight;

  bool operator==(const Font&) const = default;
};

// The platform's named colours; they follow the system's light or dark appearance.
enum class NamedColor { label, secondaryLabel, systemGreen, systemBlue, systemOrange, systemGray };

// A named colour, optionally blended with another. When the platform cannot make the
// blend, the base colour is drawn unblended.
struct Color {
  struct Blend {
    double fraction;
    NamedColor with;

    bool operator==(const Blend&) const = default;
  };

  NamedColor base;
  std::optional<Blend> blend;

  bool operator==(const Color&) const = default;
};

struct StyledRun {
  std::string text;
  Font font;
  Color color;

  bool operator==(const StyledRun&) const = default;
};

using StyledText = std::vector<StyledRun>;

// The runs' texts joined, as a plain label.
[[nodiscard]] inline std::string plainText(const StyledText& text) {
  std::string plain;
  for (const StyledRun& run : text) plain += run.text;
  return plain;
}

}  // namespace platform
