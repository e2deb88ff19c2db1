// Turns arbitrary bytes into well-formed UTF-8 before they reach the JSON parser.
#pragma once

#include <string>
#include <string_view>

namespace utf8 {

[[nodiscard]] bool isValid(std::string_view bytes) noexcept;

// Replaces each maximal subpart of an ill-formed sequence with one U+FFFD,
// the Unicode recommended practice; well-formed sequences pass unchanged.
[[nodiscard]] std::string repaired(std::string_view bytes);

// Code points in well-formed UTF-8 (lead bytes; continuation bytes are not counted).
[[nodiscard]] size_t codePoints(std::string_view text) noexcept;

// Appends the UTF-8 encoding of a Unicode scalar value.
void append(std::string& out, char32_t codePoint);

}  // namespace utf8
