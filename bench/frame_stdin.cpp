// Frames standard input into lines and does nothing else: the reader without decoding.
#include <cstdio>

#include "report/stdin_reader.h"

int main() {
  size_t lines = 0;
  report::readLines(0, {.line = [&](std::string_view) { ++lines; }});
  std::fprintf(stderr, "%zu lines\n", lines);
  return 0;
}
