#include "check/terminal_text.h"

#include "base/text.h"
#include "base/utf8.h"

namespace check {
namespace {

using base::utf8::isContinuation;

constexpr size_t excerptBefore = 40;
constexpr size_t excerptAfter = 30;

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

std::string excerptWithCaret(std::string_view line, size_t offset, std::string_view indent) {
  // Ill-formed bytes are repaired first, so the caret counts characters as they are shown.
  const std::string before = base::visible(line.substr(0, std::min(offset, line.size())), base::ShownOn::terminal);
  const std::string after = base::visible(line.substr(std::min(offset, line.size())), base::ShownOn::terminal);
  const size_t from = stepBack(before, before.size(), excerptBefore);
  const size_t to = stepForward(after, 0, excerptAfter);
  std::string shownBefore = (from > 0 ? std::string(base::ellipsis) : std::string()) + before.substr(from);
  std::string out(indent);
  out.append(shownBefore).append(after.substr(0, to));
  if (to < after.size()) out.append(base::ellipsis);
  out.append("\n").append(indent).append(base::utf8::codePoints(shownBefore), ' ').append("^\n");
  return out;
}

}  // namespace check
