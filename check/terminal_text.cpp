#include "check/terminal_text.h"

#include "report/utf8.h"

namespace terminal {
namespace {

constexpr size_t excerptBefore = 40;
constexpr size_t excerptAfter = 30;
constexpr std::string_view cut = "\xE2\x80\xA6";  // …

bool isContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Moves back from offset to the start of its character, at most `count` characters.
size_t stepBack(std::string_view text, size_t offset, size_t count) {
  while (offset > 0 && count > 0) {
    --offset;
    while (offset > 0 && isContinuation(text[offset])) --offset;
    --count;
  }
  return offset;
}

size_t stepForward(std::string_view text, size_t offset, size_t count) {
  while (offset < text.size() && count > 0) {
    ++offset;
    while (offset < text.size() && isContinuation(text[offset])) ++offset;
    --count;
  }
  return offset;
}

}  // namespace

std::string visible(std::string_view text) {
  const std::string wellFormed = utf8::repaired(text);
  std::string out;
  out.reserve(wellFormed.size());
  for (size_t i = 0; i < wellFormed.size(); ++i) {
    const auto byte = static_cast<unsigned char>(wellFormed[i]);
    if (byte < 0x20) {
      utf8::append(out, 0x2400 + byte);
    } else if (byte == 0x7F) {
      utf8::append(out, 0x2421);
    } else if (byte == 0xC2 && i + 1 < wellFormed.size() && static_cast<unsigned char>(wellFormed[i + 1]) < 0xA0) {
      static const char* hex = "0123456789ABCDEF";
      const auto code = static_cast<unsigned char>(wellFormed[++i]);
      out.append("\\u00").push_back(hex[code >> 4]);
      out.push_back(hex[code & 15]);
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  return out;
}

std::string excerptWithCaret(std::string_view line, size_t offset, std::string_view indent) {
  // Ill-formed bytes are repaired first, so the caret counts characters as they are shown.
  const std::string before = visible(line.substr(0, std::min(offset, line.size())));
  const std::string after = visible(line.substr(std::min(offset, line.size())));
  const size_t from = stepBack(before, before.size(), excerptBefore);
  const size_t to = stepForward(after, 0, excerptAfter);
  std::string shownBefore = (from > 0 ? std::string(cut) : std::string()) + before.substr(from);
  std::string out(indent);
  out.append(shownBefore).append(after.substr(0, to));
  if (to < after.size()) out.append(cut);
  out.append("\n").append(indent).append(utf8::codePoints(shownBefore), ' ').append("^\n");
  return out;
}

}  // namespace terminal
