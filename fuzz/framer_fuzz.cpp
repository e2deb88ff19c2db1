// Fuzz target for line framing: however the input is cut into reads, the same lines come out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "report/line_framer.h"

namespace {

std::vector<std::string> frame(std::string_view input, const std::vector<size_t>& cuts) {
  std::vector<std::string> lines;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  LineFramer framer;
  size_t at = 0;
  for (size_t cut : cuts) {
    framer.feed(input.substr(at, cut - at), collect);
    at = cut;
  }
  framer.feed(input.substr(at), collect);
  framer.finish(collect);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte seeds where the reads are cut; the rest is the stream.
  const unsigned seed = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<size_t> cuts;
  for (size_t at = seed % 7; at < input.size(); at += 1 + (at * 31 + seed) % 13) cuts.push_back(at);

  const auto whole = frame(input, {});
  if (frame(input, cuts) != whole) {
    std::fprintf(stderr, "framer_fuzz: cutting the reads changed the lines\n");
    std::abort();
  }
  // Every line is the text between line feeds, less one CR before each LF.
  std::string rebuilt;
  for (size_t i = 0; i < whole.size(); ++i) rebuilt += whole[i] + "\n";
  std::string expected;
  for (size_t i = 0; i < input.size(); ++i) {
    if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') continue;
    expected += input[i];
  }
  if (!expected.empty() && expected.back() != '\n') expected += '\n';
  if (rebuilt != expected) {
    std::fprintf(stderr, "framer_fuzz: lines do not rebuild the input\n");
    std::abort();
  }
  return 0;
}
