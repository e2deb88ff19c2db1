// One report line judged as the indicator judges it, with the reason for a rejection
// and warnings about what the indicator accepts but likely shows otherwise than meant.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/decode.h"
#include "report/report.h"

namespace check {

struct LineCheck {
  std::optional<report::Report> report;  // present when the indicator accepts the line
  std::string verdict;           // "ok  title ..." or "rejected  <reason>", one line
  std::string excerpt;           // for a line that is not JSON: where, with a caret
  std::vector<std::string> warnings;
  bool illFormedUTF8 = false;  // the line had bytes the decoder showed as U+FFFD
};

// Titles longer than this many characters are cut or shrunk by some status bars.
inline constexpr size_t recommendedTitleLength = 8;

// Decodes with the indicator's own decoder; everything else only explains. In two steps,
// so that two threads can share the work: checkLine needs the line (the rejection's
// reason, the keys as written), explain only the decoded report (the verdict of an
// accepted line and the warnings about what it holds).
[[nodiscard]] LineCheck checkLine(const report::Line& line, report::ReportDecoder& decoder);
void explain(LineCheck& check);

}  // namespace check
