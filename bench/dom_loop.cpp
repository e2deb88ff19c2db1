// The floor for the whole indicator: on one thread, frame standard input into lines and
// parse each with one reused simdjson DOM parser, reading every string, and nothing else.
#include <simdjson.h>

#include <cstdio>

#include "report/stdin_reader.h"

namespace {

size_t readEverything(simdjson::dom::element value) {
  size_t bytes = 0;
  std::string_view text;
  simdjson::dom::array array;
  simdjson::dom::object object;
  if (!value.get(text)) return text.size();
  if (!value.get(array)) {
    for (simdjson::dom::element entry : array) bytes += readEverything(entry);
  } else if (!value.get(object)) {
    for (auto field : object) bytes += field.key.size() + readEverything(field.value);
  }
  return bytes;
}

}  // namespace

int main() {
  simdjson::dom::parser parser;
  size_t lines = 0, bytes = 0;
  report::readLines(0, {.line = [&](std::string_view line) {
    simdjson::dom::element root;
    if (!parser.parse(line.data(), line.size()).get(root)) bytes += readEverything(root);
    ++lines;
  }});
  std::fprintf(stderr, "%zu lines, %zu bytes of text\n", lines, bytes);
  return 0;
}
