// The reader loop on real file descriptors: pipes fed by another thread, and input
// that cannot be read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "report/stdin_reader.h"

namespace {

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
  readReports(fds[0], [&](std::vector<Report>&& batch) {
    for (Report& report : batch) reports.push_back(std::move(report));
  });
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

TEST(ReadReports, InputThatCannotBeReadEndsLikeEndOfInput) {
  const int directory = open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  const int nullDevice = open("/dev/null", O_RDONLY);
  ASSERT_GE(nullDevice, 0);
  for (int fd : {directory, nullDevice, -1}) {
    int delivered = 0;
    readReports(fd, [&](std::vector<Report>&& batch) { delivered += static_cast<int>(batch.size()); });
    EXPECT_EQ(delivered, 0) << fd;
  }
  close(directory);
  close(nullDevice);
}

}  // namespace
