// Framing lines out of a byte stream, however the stream is cut into reads.
#include <gtest/gtest.h>

#include "report/line_framer.h"

namespace {

using Lines = std::vector<std::string>;

Lines frame(const std::vector<std::string_view>& chunks) {
  Lines lines;
  LineFramer framer;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  for (auto chunk : chunks) framer.feed(chunk, collect);
  framer.finish(collect);
  return lines;
}

struct FramingCase {
  std::string input;
  Lines expected;
};

TEST(LineFramer, GivesTheSameLinesForEverySplitIntoReads) {
  const std::vector<FramingCase> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"\n\n", {"", ""}},
      {"\r\n", {""}},
      {"a\r", {"a\r"}},  // no line feed follows, so the CR belongs to the line
      {"a\r\r\n", {"a\r"}},
      {"a\rb\n", {"a\rb"}},
      {"\r\r\r", {"\r\r\r"}},
      {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
      {"{\"title\":\"a\"}\r\n{}\n last", {"{\"title\":\"a\"}", "{}", " last"}},
  };
  for (const auto& [input, expected] : cases) {
    const std::string_view all(input);
    EXPECT_EQ(frame({all}), expected) << testing::PrintToString(input);
    for (size_t first = 0; first <= all.size(); ++first) {
      for (size_t second = first; second <= all.size(); ++second) {
        EXPECT_EQ(frame({all.substr(0, first), all.substr(first, second - first), all.substr(second)}), expected)
            << testing::PrintToString(input) << " cut at " << first << " and " << second;
      }
    }
  }
}

TEST(LineFramer, GathersALineLongerThanManyReads) {
  const std::string longLine(16 << 20, 'x');
  const std::string input = longLine + "\r\nshort";
  std::vector<std::string_view> chunks;
  for (size_t at = 0; at < input.size(); at += 65536) chunks.push_back(std::string_view(input).substr(at, 65536));
  const Lines lines = frame(chunks);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), longLine.size());
  EXPECT_EQ(lines[0], longLine);
  EXPECT_EQ(lines[1], "short");
}

}  // namespace
