// Writes report lines for the pipeline benchmarks: `write_lines typical N` or `write_lines large`.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/report_lines.h"

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "typical") == 0) {
    const long count = std::atol(argv[2]);
    for (long i = 0; i < count; ++i) std::printf("%s\n", bench::typicalLine(static_cast<unsigned>(i)).c_str());
  } else if (argc >= 2 && std::strcmp(argv[1], "large") == 0) {
    std::printf("%s\n", bench::largeLine().c_str());
  } else {
    std::fprintf(stderr, "usage: write_lines typical N | write_lines large\n");
    return 2;
  }
  return 0;
}
