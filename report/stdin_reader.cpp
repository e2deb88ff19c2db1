// Blocking reads in large chunks; framing and decoding happen on the reading thread.
#include "report/stdin_reader.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <utility>

#include "base/text.h"
#include "report/decode.h"
#include "report/line_framer.h"

namespace report {

namespace {

constexpr size_t chunkSize = 1 << 20;
// A pause gives idle memory back after each of these many seconds without input.
constexpr std::array idleSeconds{1, 2, 4, 8, 16, 32, 64};
constexpr size_t maxReplacedPerBurst = 4096;

// Waits until fd has input, calling whenIdle each time a pause reaches the next interval.
void waitForInput(int fd, const std::function<void()>& whenIdle) {
  if (!whenIdle) return;
  for (const int seconds : idleSeconds) {
    pollfd input{fd, POLLIN, 0};
    const int polled = ::poll(&input, 1, seconds * 1000);
    if (polled != 0) return;  // input, end of input, or an error that read will report
    whenIdle();
  }
}

}  // namespace

int readLines(int fd, const LineHandlers& handlers) {
  // Not zeroed (new without braces), so only the pages a read fills are ever resident.
  const std::unique_ptr<char[]> chunk(new char[chunkSize + linePadding]);
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

void Burst::replace(const Report& report) {
  if (report.title) titles_.append(*report.title);
  replaced_.push_back({titles_.size(), report.title.has_value(), report.sections ? report.sections->size() : 0});
}

Burst::Replaced Burst::replaced(size_t index) const {
  const Entry& entry = replaced_[index];
  const size_t start = index == 0 ? 0 : replaced_[index - 1].titleEnd;
  if (!entry.titled) return {std::nullopt, entry.sectionCount};
  return {std::string_view(titles_).substr(start, entry.titleEnd - start), entry.sectionCount};
}

int readReports(int fd, const std::function<void(Burst&&)>& deliver, const std::function<void()>& whenIdle) {
  ReportDecoder decoder;
  // Lines decode over two reused reports in turn, so that their buffers stay warm: the
  // latest report waits in pending until the next replaces it or the read ends.
  Report decoded, pending;
  bool hasPending = false, grewLarge = false;
  Burst burst;
  const auto handOver = [&] {
    if (!std::exchange(hasPending, false)) return;
    // A large report is handed over, not copied; small ones keep pending's buffers warm.
    if (grewLarge) {
      burst.last = std::move(pending);
    } else {
      burst.last = pending;
    }
    deliver(std::exchange(burst, {}));
  };
  return readLines(fd, {.line =
                     [&](const Line& line) {
                       grewLarge = grewLarge || line.text().size() > base::keptBufferCapacity;
                       if (decoder.decodeInto(line, decoded)) return;
                       if (hasPending) burst.replace(pending);
                       std::swap(pending, decoded);
                       hasPending = true;
                       // A read of many small reports is handed over in parts, so that
                       // one hand-over's log lines stay a small part of what may be owed.
                       if (burst.replacedCount() >= maxReplacedPerBurst) handOver();
                     },
                 .afterRead =
                     [&] {
                       handOver();
                       // Text a very long line grew is not kept for the short lines after it.
                       if (std::exchange(grewLarge, false)) decoded = pending = Report{};
                       return true;
                     },
                 .whenIdle = whenIdle});
}

}  // namespace report
