// Where a line went wrong, shown on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace check {

// A few dozen characters of the line around offset, made visible, and below them a
// caret under the character at offset, both indented by indent.
[[nodiscard]] std::string excerptWithCaret(std::string_view line, size_t offset, std::string_view indent);

}  // namespace check
