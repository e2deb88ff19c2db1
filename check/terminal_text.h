// Report text made safe and readable on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace terminal {

// The text with ill-formed UTF-8 as U+FFFD, C0 controls and DEL as their visible
// symbols (U+2400...) and C1 controls as \u0080..., so that no report can move the
// cursor or colour the terminal of whoever reads the output.
[[nodiscard]] std::string visible(std::string_view text);

// A few dozen characters of the line around offset, made visible, and below them a
// caret under the character at offset, both indented by indent.
[[nodiscard]] std::string excerptWithCaret(std::string_view line, size_t offset, std::string_view indent);

}  // namespace terminal
