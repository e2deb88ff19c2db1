#include "base/text.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/utf8.h"

namespace base {
namespace {

// In well-formed UTF-8 a C1 control is 0xC2 followed by 0x80 to 0x9F.
bool isC1At(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size() &&
         static_cast<unsigned char>(text[i + 1]) < 0xA0;
}

// In UTF-8, U+202A to U+202E are E2 80 AA to AE, and U+2066 to U+2069 are E2 81 A6 to A9.
bool isBidiControlAt(std::string_view text, size_t i) {
  if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xE2) return false;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const auto third = static_cast<unsigned char>(text[i + 2]);
  return (second == 0x80 && third >= 0xAA && third <= 0xAE) || (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

void appendEscape(std::string& out, char32_t code) {
  out.append("\\u");
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(hexDigits[(code >> shift) & 15]);
}

}  // namespace

bool holdsTerminalControls(std::string_view text) noexcept {
  if (holdsControlCharacters(text)) return true;
  for (size_t i = text.find('\xE2'); i != std::string_view::npos; i = text.find('\xE2', i + 1)) {
    if (isBidiControlAt(text, i)) return true;
  }
  return false;
}

bool holdsControlCharacters(std::string_view text, bool lineBreaksAllowed) noexcept {
  // Most text has none of the bytes involved, which a loop without early exits finds at
  // vector speed.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  unsigned suspect = 0;
  for (size_t i = 0; i < text.size(); ++i) suspect |= (bytes[i] < 0x20) | (bytes[i] == 0x7F) | (bytes[i] == 0xC2);
  if (suspect == 0) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((bytes[i] < 0x20 && !(lineBreaksAllowed && bytes[i] == '\n')) || bytes[i] == 0x7F || isC1At(text, i)) return true;
  }
  return false;
}

std::string visible(std::string_view text, ShownOn where, size_t maxCharacters) {
  // A long text is looked at, and repaired, only as far as it can be shown: a generous
  // 32 bytes a character, cut back to where a code point starts.
  const bool limited = maxCharacters != std::string_view::npos;
  const bool trimmed = limited && maxCharacters < text.size() / 32;
  if (trimmed) {
    size_t end = std::min(32 * (maxCharacters + 1), text.size() - 1);
    while (end > 0 && utf8::isContinuation(text[end])) --end;
    text = text.substr(0, end);
  }
  const std::string wellFormed = utf8::repaired(text);
  std::string out;
  out.reserve(wellFormed.size());
  utf8::CharacterCounter counter;
  size_t characters = 0;
  bool cut = trimmed;
  for (size_t i = 0; i < wellFormed.size(); ++i) {
    const auto byte = static_cast<unsigned char>(wellFormed[i]);
    // Cut only where a character starts: a mark or a joined emoji stays with its own.
    if (limited && !utf8::isContinuation(wellFormed[i]) && counter.startsCharacter(wellFormed, i) &&
        ++characters > maxCharacters) {
      cut = true;
      break;
    }
    if (byte == 0 || (where == ShownOn::terminal && byte < 0x20)) {
      utf8::append(out, 0x2400 + byte);
    } else if (where == ShownOn::toolkit) {
      out.push_back(static_cast<char>(byte));
    } else if (byte == 0x7F) {
      utf8::append(out, 0x2421);
    } else if (isC1At(wellFormed, i)) {
      appendEscape(out, static_cast<unsigned char>(wellFormed[++i]));
    } else if (isBidiControlAt(wellFormed, i)) {
      appendEscape(out, 0x2000 | ((wellFormed[i + 1] & 0x3F) << 6) | (wellFormed[i + 2] & 0x3F));
      i += 2;
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  if (cut) out.append(ellipsis);
  return out;
}

void appendCut(std::string& out, std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) {
    out.append(text);
    return;
  }
  size_t end = maxBytes;
  while (end > 0 && utf8::isContinuation(text[end])) --end;
  out.append(text.substr(0, end)).append(ellipsis).append(" (").append(std::to_string(text.size())).append(" bytes)");
}

std::string_view trimmedSpaces(std::string_view text) noexcept {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool writeAll(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace base
