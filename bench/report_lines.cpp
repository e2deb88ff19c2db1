// The line generator shared by the Google Benchmark suite and the pipeline script.
#include "bench/report_lines.h"

#include <string_view>

namespace bench {
namespace {

std::string repeated(std::string_view piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

std::string row(std::string_view label, int filled, unsigned number, bool withExtras) {
  const std::string percent = std::to_string(number % 100) + "." + std::to_string(number % 10) + "%";
  std::string text = R"({"label":")" + std::string(label) + R"(","bar":")" + repeated("\u2588", filled) +
                     repeated("\u2500", 10 - filled) + R"(","value":" )" + percent + R"(")";
  if (withExtras) {
    text += R"(,"detail":"\u00b7  )" + std::to_string(number % 1000) + R"(.2K sent","tone":")" +
            (number % 3 == 0 ? "good" : number % 3 == 1 ? "strong" : "light") +
            R"(","hint":"measured over \"the last hour\"\nper agent","emphasis":)" +
            (number % 2 ? "true" : "false");
  }
  return text + "}";
}

}  // namespace

std::string typicalLine(unsigned seed) {
  static constexpr std::string_view labels[] = {"codex     ", "claude    ", "cursor    ",
                                                "all agents", "gemini    ", "aider     "};
  std::string line = R"({"title":"\u2301 )" + std::to_string(seed % 100) +
                     R"(%","tone":"good","console":"http://127.0.0.1:8180","build":{"id":"x)" +
                     std::to_string(seed) + R"(","flags":[1,2.5,null,true]},"sections":[)";
  for (int section = 0; section < 2; ++section) {
    line += section ? "," : "";
    line += section ? R"({"title":"Today","rows":[)"
                    : R"({"title":"Running now \u00b7 2 windows \u00b7 22.7% together","rows":[)";
    const int rows = section ? 6 : 2 + static_cast<int>(seed % 3);
    for (int i = 0; i < rows; ++i) {
      line += i ? "," : "";
      line += row(labels[i], (static_cast<int>(seed) + i) % 11, seed * 7 + static_cast<unsigned>(i), i % 2 == 0);
    }
    line += "]}";
  }
  return line + "]}";
}

std::string largeLine() {
  std::string line = R"({"title":"large","sections":[)";
  for (int section = 0; section < 8; ++section) {
    line += section ? "," : "";
    line += R"({"title":"section )" + std::to_string(section) + R"(","rows":[)";
    for (int i = 0; i < 650; ++i) {
      line += i ? "," : "";
      line += row("row       ", i % 11, static_cast<unsigned>(i * 13 + section), true);
    }
    line += "]}";
  }
  return line + "]}";
}

}  // namespace bench
