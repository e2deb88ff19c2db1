// Diagnostics: one line on standard error per message, "indicator: " + message + LF.
#pragma once

#include <string_view>

namespace base {

// Writes the line at once (to a pipe or socket in pieces of at most PIPE_BUF, so that
// a line of up to PIPE_BUF bytes is one write). A closed or broken standard error drops
// the line, and so does a reader that has taken nothing for 30 seconds, until it has
// room again: logging never stops the indicator and never stalls it for long.
void writeLogLine(std::string_view message) noexcept;

}  // namespace base
