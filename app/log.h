// Diagnostics: one line on standard error per message, "indicator: " + message + LF.
#pragma once

#include <string>
#include <string_view>

[[nodiscard]] std::string logLine(std::string_view message);

// One write(2) of the whole line (the rest retried if the write was partial). A closed
// or broken standard error drops the line: logging never stops the indicator.
void writeLogLine(std::string_view message) noexcept;
