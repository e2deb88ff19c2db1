// The tone table read both ways: from the name in a report, into a colour.
#include "model/tone.h"

namespace model {
namespace {

constexpr double toneGreyFraction = 0.25;

}  // namespace

Tone decodeTone(std::optional<std::string_view> name) {
  for (const ToneMeaning& meaning : tones) {
    if (name == meaning.name) return meaning.tone;
  }
  return Tone::none;
}

const ToneMeaning* meaningOf(Tone tone) {
  for (const ToneMeaning& meaning : tones) {
    if (meaning.tone == tone) return &meaning;
  }
  return nullptr;
}

Color toneColor(Tone tone) {
  const ToneMeaning* meaning = meaningOf(tone);
  if (meaning == nullptr) return {NamedColor::secondaryLabel, {}};
  return {meaning->base, Color::Blend{toneGreyFraction, NamedColor::systemGray}};
}

}  // namespace model
