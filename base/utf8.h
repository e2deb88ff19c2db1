// UTF-8: checking it, repairing it, counting and writing code points.
#pragma once

#include <string>
#include <string_view>

namespace base::utf8 {

// A byte that continues a character rather than starting one.
[[nodiscard]] constexpr bool isContinuation(char byte) noexcept { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

[[nodiscard]] bool isValid(std::string_view bytes) noexcept;

// Replaces each maximal subpart of an ill-formed sequence with one U+FFFD,
// the Unicode recommended practice; well-formed sequences pass unchanged.
[[nodiscard]] std::string repaired(std::string_view bytes);

// Code points in well-formed UTF-8 (lead bytes; continuation bytes are not counted).
[[nodiscard]] size_t codePoints(std::string_view text) noexcept;

// Characters as a reader counts them in well-formed UTF-8: code points, less those that
// join the one before (combining marks, variation selectors, emoji modifiers and tags, the
// second of a flag's two letters, a zero-width joiner and what it joins), so that an "é"
// written as e and U+0301 counts one, as does a family emoji of seven code points. The
// common marks of Latin, Greek, Cyrillic, Hebrew, Arabic, Devanagari and Thai are known.
class CharacterCounter {
 public:
  // Whether the code point that starts at text[at] begins a new character.
  [[nodiscard]] bool startsCharacter(std::string_view text, size_t at) noexcept;

 private:
  bool afterJoiner_ = false;
  bool oddFlagLetter_ = false;
};
[[nodiscard]] size_t characters(std::string_view text) noexcept;

// Whether well-formed text holds a letter of a right-to-left script: Hebrew, Arabic,
// Syriac, Thaana, NKo and their neighbours to U+08FF, their presentation forms, and the
// right-to-left blocks of the supplementary planes.
[[nodiscard]] bool holdsRightToLeft(std::string_view text) noexcept;

// Appends the UTF-8 encoding of a Unicode scalar value.
void append(std::string& out, char32_t codePoint);

}  // namespace base::utf8
