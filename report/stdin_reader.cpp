// Blocking reads in large chunks; framing and decoding happen on the reading thread.
#include "report/stdin_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "report/decode.h"
#include "report/line_framer.h"

namespace report {

namespace {

constexpr size_t chunkSize = 1 << 16;
constexpr int maxIdleSeconds = 64;

// Waits until fd has input, calling whenIdle each time a pause reaches the next interval.
void waitForInput(int fd, const std::function<void()>& whenIdle) {
  if (!whenIdle) return;
  for (int seconds = 1; seconds <= maxIdleSeconds; seconds *= 2) {
    pollfd input{fd, POLLIN, 0};
    const int polled = ::poll(&input, 1, seconds * 1000);
    if (polled != 0) return;  // input, end of input, or an error that read will report
    whenIdle();
  }
}

}  // namespace

int readLines(int fd, const LineHandlers& handlers) {
  const auto chunk = std::make_unique<char[]>(chunkSize);
  const auto overlong = [&] {
    if (handlers.overlong) handlers.overlong();
  };
  LineFramer framer;
  int failure = 0;
  for (;;) {
    waitForInput(fd, handlers.whenIdle);
    const ssize_t count = ::read(fd, chunk.get(), chunkSize);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) failure = errno;
    if (count <= 0) break;  // end of input, or input that can no longer be read
    const std::string_view bytes(chunk.get(), static_cast<size_t>(count));
    if (handlers.read && !handlers.read(bytes)) break;
    framer.feed(bytes, handlers.line, overlong);
    if (handlers.afterRead && !handlers.afterRead()) break;
  }
  framer.finish(handlers.line, overlong);
  if (handlers.afterRead) handlers.afterRead();
  return failure;
}

void readReports(int fd, const std::function<void(std::vector<Report>&&)>& deliver,
                 const std::function<void()>& whenIdle) {
  ReportDecoder decoder;
  std::vector<Report> batch;
  readLines(fd, {.line =
                     [&](std::string_view line) {
                       DecodeResult result = decoder.decode(line);
                       if (result.ok()) batch.push_back(std::move(result).report());
                     },
                 .afterRead =
                     [&] {
                       if (!batch.empty()) deliver(std::exchange(batch, {}));
                       return true;
                     },
                 .whenIdle = whenIdle});
}

}  // namespace report
