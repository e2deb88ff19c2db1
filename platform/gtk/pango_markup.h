// Styled runs as Pango markup, for the Linux desktop, which draws menus with Pango.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"
#include "model/palette.h"
#include "model/styled_text.h"

namespace platform {

// The families behind the font designs on this desktop.
struct FontFamilies {
  std::string system = "Sans";
  std::string monospaced = "Monospace";
};

// The most of one text a desktop panel or menu shows, as base::visible's limit for text
// shown on a toolkit. Longer text is cut there and ends in an ellipsis: GTK would lay out
// (and D-Bus carry) every byte of a 256 MiB label, taking gigabytes, and a message bus
// drops a client whose message is over its size limit.
inline constexpr size_t maxDisplayedCharacters = 2000;
[[nodiscard]] inline std::string gtkText(std::string_view text) {
  return base::visible(text, base::ShownOn::toolkit, maxDisplayedCharacters);
}

// One span per run, carrying exactly its font (family, size, weight, fixed-width digits)
// and its colour as resolved for the appearance. Text is escaped: nothing in it is markup.
[[nodiscard]] std::string pangoMarkup(const model::StyledText& text, model::Appearance appearance, const FontFamilies& families);

}  // namespace platform
