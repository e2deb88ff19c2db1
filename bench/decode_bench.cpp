// Google Benchmark suite: decoding against bare simdjson, rendering against decoding,
// and framing. bench/run.py turns the results into ratios measured in the same run.
#include <benchmark/benchmark.h>
#include <simdjson.h>

#include "bench/report_lines.h"
#include "platform/headless/status_bar.h"
#include "render/render.h"
#include "report/decode.h"
#include "report/line_framer.h"

namespace {

const std::string& typical() {
  static const std::string line = bench::typicalLine(42);
  return line;
}

const std::string& large() {
  static const std::string line = bench::largeLine();
  return line;
}

void decodeLine(benchmark::State& state, const std::string& line) {
  report::ReportDecoder decoder;
  for (auto _ : state) {
    report::DecodeResult result = decoder.decode(line);
    if (!result.ok()) state.SkipWithError("line rejected");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

// The least any DOM decoder must do: parse, then copy out every string value, since a
// decoded report owns its text.
void extractStrings(simdjson::dom::element element, std::vector<std::string>& texts) {
  simdjson::dom::object object;
  simdjson::dom::array array;
  std::string_view text;
  if (!element.get(object)) {
    for (auto field : object) extractStrings(field.value, texts);
  } else if (!element.get(array)) {
    for (auto child : array) extractStrings(child, texts);
  } else if (!element.get(text)) {
    texts.emplace_back(text);
  }
}

void simdjsonParseAndExtract(benchmark::State& state, const std::string& line) {
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element root;
    if (parser.parse(line.data(), line.size()).get(root)) state.SkipWithError("parse failed");
    std::vector<std::string> texts;
    extractStrings(root, texts);
    benchmark::DoNotOptimize(texts);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

void simdjsonParseOnly(benchmark::State& state, const std::string& line) {
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element root;
    if (parser.parse(line.data(), line.size()).get(root)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(root);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

// What the main thread does for the last report of a hand-over, as the Indicator does it:
// the status title and its log line (appended to the text owed to the log's writer
// thread, which writes it in pieces of many lines), and the menu handed item by item to
// the headless status bar.
void renderReport(benchmark::State& state) {
  const report::Report report = report::decodeReport(typical()).report();
  platform::HeadlessStatusButton button;
  platform::HeadlessMenu menu;
  struct : platform::MenuTarget {
    void openConsole() override {}
    void quit() override {}
  } target;
  std::string message, owed;
  for (auto _ : state) {
    const std::string_view title = rendering::statusTitleText(report.title);
    button.setAttributedTitle(rendering::statusTitle(title));
    rendering::titleLogMessage(message, title, button.frameWidth(), report.sections->size());
    if (owed.size() > (64 << 10)) owed.clear();
    owed.append("indicator: ").append(message).push_back('\n');
    menu.removeAllItems();
    rendering::buildMenu(report, [&](model::MenuItem&& entry) { menu.addItem(entry, target); });
    benchmark::DoNotOptimize(menu.size());
    benchmark::DoNotOptimize(owed.data());
  }
}

void frameLines(benchmark::State& state) {
  std::string stream;
  for (unsigned i = 0; stream.size() < (8 << 20); ++i) stream += bench::typicalLine(i) + "\n";
  for (auto _ : state) {
    report::LineFramer framer;
    size_t lines = 0;
    for (size_t at = 0; at < stream.size(); at += 65536) {
      framer.feed(std::string_view(stream).substr(at, 65536), [&](std::string_view) { ++lines; });
    }
    framer.finish([&](std::string_view) { ++lines; });
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}

BENCHMARK_CAPTURE(decodeLine, typical, typical());
BENCHMARK_CAPTURE(simdjsonParseAndExtract, typical, typical());
BENCHMARK_CAPTURE(decodeLine, large, large());
BENCHMARK_CAPTURE(simdjsonParseOnly, large, large());
BENCHMARK(renderReport);
BENCHMARK(frameLines);

}  // namespace

BENCHMARK_MAIN();
