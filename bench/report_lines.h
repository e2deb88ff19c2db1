// Realistic report lines for the benchmarks, generated in code.
#pragma once

#include <string>

namespace bench {

// About 1 KB: title, tone, console, two sections of two to six rows with box-drawing
// bars, middle dots, escapes and an unknown nested key. seed varies the numbers.
[[nodiscard]] std::string typicalLine(unsigned seed);

// About 1 MB: thousands of rows in a handful of sections.
[[nodiscard]] std::string largeLine();

}  // namespace bench
