// What the indicator would show for a report, drawn as text for a terminal.
#pragma once

#include <string>

#include "report/report.h"

namespace check {

// The status title, then the menu: the same render values every platform draws. With
// colour, runs are drawn in their tone colours (24-bit), headers and disabled items dim,
// emphasis bold; without, as plain text.
[[nodiscard]] std::string preview(const report::Report& report, bool colour);

}  // namespace check
