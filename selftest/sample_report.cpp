// The sample is built from code points rather than typed, so that every block, line
// and dot is exactly the character intended and every column has its exact width.
#include "selftest/sample_report.h"

#include "base/utf8.h"

namespace selftest {
namespace {

constexpr char32_t electricArrow = 0x2301;
constexpr char32_t middleDot = 0x00B7;
constexpr char32_t fullBlock = 0x2588;
constexpr char32_t lightHorizontal = 0x2500;
constexpr int columnWidth = 10;

std::string repeated(char32_t codePoint, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) base::utf8::append(text, codePoint);
  return text;
}

std::string padded(std::string name) {
  name.append(columnWidth - name.size(), ' ');  // the names are ASCII
  return name;
}

std::string bar(int filled) {
  return repeated(fullBlock, filled) + repeated(lightHorizontal, columnWidth - filled);
}

std::string percent(std::string_view digits) { return " " + std::string(digits) + "%"; }

// "· " + the amount right-aligned in six columns + " sent"
std::string sent(std::string_view amount) {
  return repeated(middleDot, 1) + " " + std::string(6 - amount.size(), ' ') + std::string(amount) + " sent";
}

}  // namespace

report::Report sampleReport() {
  const std::string dot = " " + repeated(middleDot, 1) + " ";
  report::Report::Section now{
      .title = "Running now" + dot + "2 windows" + dot + "22.7% together",
      .rows = {
          report::Row{.label = padded("codex"), .bar = bar(2), .value = percent("22.7"),
              .detail = sent("91.2K"), .tone = "good"},
          report::Row{.label = padded("claude"), .bar = repeated(middleDot, columnWidth),
              .value = std::string(6, ' '), .detail = "no requests yet"},
      },
  };
  report::Report::Section today{
      .title = "Today",
      .rows = {
          report::Row{.label = "all agents", .bar = bar(4), .value = percent("36.7"),
              .detail = sent("2.3M"), .tone = "good", .emphasis = true},
          report::Row{.label = padded("cursor"), .bar = bar(7), .value = percent("66.2"),
              .detail = sent("44.3K"), .tone = "strong"},
      },
  };
  return report::Report{
      .title = repeated(electricArrow, 1) + " 23%",
      .tone = "good",
      .sections = std::vector<report::Report::Section>{std::move(now), std::move(today)},
      .console = "http://127.0.0.1:8180",
  };
}

}  // namespace selftest
