// One report line judged as the indicator judges it, with the reason for a rejection
// and warnings about what the indicator accepts but likely shows otherwise than meant.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/decode.h"
#include "report/report.h"

struct LineCheck {
  std::optional<Report> report;  // present when the indicator accepts the line
  std::string verdict;           // "ok  title ..." or "rejected  <reason>", one line
  std::string excerpt;           // for a line that is not JSON: where, with a caret
  std::vector<std::string> warnings;
};

// Titles longer than this many characters are cut or shrunk by some status bars.
inline constexpr size_t recommendedTitleLength = 8;

// Decodes with the indicator's own decoder; everything else only explains.
[[nodiscard]] LineCheck checkLine(std::string_view line, ReportDecoder& decoder);
