// Text as people read it in a log, a terminal or a menu: the characters that would act
// instead of showing, and the few constants every layer writes text with.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace base {

// U+2026 HORIZONTAL ELLIPSIS: what stands for text left out.
inline constexpr std::string_view ellipsis = "\xE2\x80\xA6";
inline constexpr std::string_view hexDigits = "0123456789ABCDEF";

// Control characters are C0 (U+0000 to U+001F), DEL and C1 (U+0080 to U+009F): a terminal
// acts on them, and menus and status bars show them differently or not at all. A line
// feed counts unless lineBreaksAllowed (tooltips may break their lines).
[[nodiscard]] bool holdsControlCharacters(std::string_view text, bool lineBreaksAllowed = false) noexcept;

// Control characters, and the bidirectional controls (U+202A to U+202E, U+2066 to U+2069),
// which reorder what a terminal shows around them, so that a line could read other than it is.
[[nodiscard]] bool holdsTerminalControls(std::string_view text) noexcept;

// Where text is shown, which decides what in it would act instead of showing.
enum class ShownOn {
  // A terminal, or a log read in one: C0 controls and DEL become their visible symbols
  // (U+2400...), C1 and bidirectional controls \u0080... and \u202E..., so that no text can
  // move the cursor, colour or reorder the terminal of whoever reads it.
  terminal,
  // A menu, label or tooltip a toolkit draws (GTK, over D-Bus too): it draws other
  // controls its own way, and a line feed in a tooltip is wanted, so only a NUL, which
  // would cut a C string short, becomes U+2400 SYMBOL FOR NULL.
  toolkit,
};

// The text as shown on where: ill-formed UTF-8 as U+FFFD (a toolkit takes UTF-8 only),
// what would act there made visible as above, and past maxCharacters characters (as
// utf8::characters counts them) "…" in place of the rest.
[[nodiscard]] std::string visible(std::string_view text, ShownOn where,
                                  size_t maxCharacters = std::numeric_limits<size_t>::max());

// A log line or a verdict holds at most this much of one text: a text of megabytes would
// make a line of megabytes (copied whole, and scrolling past whoever reads it), and its
// length says more than its every byte.
inline constexpr size_t loggedTextBytes = 4096;

// Appends text, or where it is longer than maxBytes its start, cut before a whole
// character, then "… (N bytes)".
void appendCut(std::string& out, std::string_view text, size_t maxBytes = loggedTextBytes);

// A buffer that one very long line grew is given back rather than kept for the short
// lines after it.
inline constexpr size_t keptBufferCapacity = size_t{1} << 20;
template <class Buffer>
void releaseIfLarge(Buffer& buffer) noexcept {
  if (buffer.capacity() > keptBufferCapacity) Buffer().swap(buffer);
}

// The text without the spaces (U+0020) that pad it at either end.
[[nodiscard]] std::string_view trimmedSpaces(std::string_view text) noexcept;

// Writes all of bytes to fd, resuming after interruptions; false when fd takes no more.
[[nodiscard]] bool writeAll(int fd, std::string_view bytes) noexcept;

}  // namespace base
