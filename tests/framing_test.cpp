// Framing lines out of a byte stream, however the stream is cut into reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "report/line_framer.h"
#include "report/stdin_reader.h"

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

// Runs the reader loop on a pipe fed by another thread, as the indicator does.
std::vector<Report> readFromPipe(const std::string& input) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    for (size_t at = 0; at < input.size();) {
      const ssize_t written = write(fds[1], input.data() + at, std::min<size_t>(input.size() - at, 4093));
      if (written <= 0) break;
      at += static_cast<size_t>(written);
    }
    close(fds[1]);
  });
  std::vector<Report> reports;
  readReports(fds[0], [&](Report&& report) { reports.push_back(std::move(report)); });
  writer.join();
  close(fds[0]);
  return reports;
}

TEST(ReadReports, HandsOnDecodedReportsInOrderAndSkipsTheRest) {
  const std::string input =
      "{\"title\":\"1\"}\r\n"
      "\n"
      "   \n"
      "{\"title\":\"skipped\"} {}\n"
      "{\"title\":\n\"spread\"}\n"
      "{\"title\":\"2\",\"sections\":[]}\n"
      "\xFF\n"
      "{\"title\":\"3\xFF\"}\n"
      "{}\n"
      "{\"title\":\"last\"}";  // ended by the end of input, not a line feed
  const std::vector<Report> expected = {
      Report{.title = "1"},
      Report{.title = "2", .sections = std::vector<Report::Section>{}},
      Report{.title = "3\uFFFD"},
      Report{},
      Report{.title = "last"},
  };
  EXPECT_EQ(readFromPipe(input), expected);
}

TEST(ReadReports, ABurstArrivesWhole) {
  std::string input;
  for (int i = 0; i < 20000; ++i) input += "{\"title\":\"" + std::to_string(i) + "\"}\n";
  const std::vector<Report> reports = readFromPipe(input);
  ASSERT_EQ(reports.size(), 20000u);
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(reports[i].title, std::to_string(i));
}

TEST(ReadReports, InputThatCannotBeReadEndsLikeEndOfInput) {
  const int directory = open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  const int nullDevice = open("/dev/null", O_RDONLY);
  ASSERT_GE(nullDevice, 0);
  for (int fd : {directory, nullDevice, -1}) {
    int delivered = 0;
    readReports(fd, [&](Report&&) { ++delivered; });
    EXPECT_EQ(delivered, 0) << fd;
  }
  close(directory);
  close(nullDevice);
}

}  // namespace
