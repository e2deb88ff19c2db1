// The built-in report that the self-test shows.
#pragma once

#include "report/report.h"

namespace selftest {

[[nodiscard]] report::Report sampleReport();

}  // namespace selftest
