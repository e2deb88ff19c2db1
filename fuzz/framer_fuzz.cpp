// Fuzz target for line framing: however the input is cut into reads, the same lines come
// out; with a limit on line length, exactly the lines longer than it are dropped.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/line_framer.h"

namespace {

using Lines = std::vector<std::optional<std::string>>;  // nullopt for a line dropped as too long

Lines frame(std::string_view input, const std::vector<size_t>& cuts,
            size_t limit = report::LineFramer::defaultMaxLineBytes) {
  Lines lines;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  auto overlong = [&] { lines.emplace_back(std::nullopt); };
  report::LineFramer framer(limit);
  size_t at = 0;
  for (size_t cut : cuts) {
    framer.feed(input.substr(at, cut - at), collect, overlong);
    at = cut;
  }
  framer.feed(input.substr(at), collect, overlong);
  framer.finish(collect, overlong);
  return lines;
}

void fail(const char* what) {
  std::fprintf(stderr, "framer_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte seeds where the reads are cut; the rest is the stream.
  const unsigned seed = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<size_t> cuts;
  for (size_t at = seed % 7; at < input.size(); at += 1 + (at * 31 + seed) % 13) cuts.push_back(at);

  const Lines whole = frame(input, {});
  if (frame(input, cuts) != whole) fail("cutting the reads changed the lines");
  // Every line is the text between line feeds, less one CR before each LF.
  std::string rebuilt;
  for (const auto& line : whole) rebuilt += line.value_or("") + "\n";
  std::string expected;
  for (size_t i = 0; i < input.size(); ++i) {
    if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') continue;
    expected += input[i];
  }
  if (!expected.empty() && expected.back() != '\n') expected += '\n';
  if (rebuilt != expected) fail("lines do not rebuild the input");

  // With a small limit, a line whose bytes up to its LF (its CR included) are more than
  // the limit is dropped, wherever the reads are cut; every other line is kept as it is.
  const size_t limit = seed % 24;
  const Lines limited = frame(input, cuts, limit);
  if (limited.size() != whole.size()) fail("a limit on line length changed the number of lines");
  size_t start = 0;
  for (size_t i = 0; i < whole.size(); ++i) {
    const size_t end = std::min(input.find('\n', start), input.size());
    const bool tooLong = end - start > limit;
    if (limited[i] != (tooLong ? std::nullopt : whole[i])) fail("a limit on line length dropped the wrong line");
    start = end + 1;
  }
  return 0;
}
