// A row's tone: the few colours a producer may give a bar, each with the name a report
// writes it with and the word a screen reader says for it.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "model/styled_text.h"

namespace model {

enum class Tone { none, strong, good, light };

struct ToneMeaning {
  Tone tone;
  std::string_view name;  // in a report's "tone"
  NamedColor base;        // blended a quarter with grey
  std::string_view word;  // the bar's colour, as said
};

// Every tone but none, which has no name: a bar without a tone is secondary grey and its
// colour goes unsaid.
inline constexpr std::array<ToneMeaning, 3> tones{{
    {Tone::strong, "strong", NamedColor::systemGreen, "green"},
    {Tone::good, "good", NamedColor::systemBlue, "blue"},
    {Tone::light, "light", NamedColor::systemOrange, "orange"},
}};

// The tone a report names; a name that is none of the tones (they are matched exactly),
// or no name, is none.
[[nodiscard]] Tone decodeTone(std::optional<std::string_view> name);

// What the table says of a tone; null for none.
[[nodiscard]] const ToneMeaning* meaningOf(Tone tone);

// The colour a bar of the tone is drawn in.
[[nodiscard]] Color toneColor(Tone tone);

}  // namespace model
