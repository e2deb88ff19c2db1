// Blocking reads in large chunks; framing and decoding happen on the reading thread.
#include "report/stdin_reader.h"

#include <unistd.h>

#include <cerrno>
#include <memory>

#include "report/decode.h"
#include "report/line_framer.h"

namespace {
constexpr size_t chunkSize = 1 << 16;
}  // namespace

void readLines(int fd, const std::function<void(std::string_view)>& onLine) {
  const auto chunk = std::make_unique<char[]>(chunkSize);
  LineFramer framer;
  for (;;) {
    const ssize_t count = ::read(fd, chunk.get(), chunkSize);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;  // end of input, or input that can no longer be read
    framer.feed(std::string_view(chunk.get(), static_cast<size_t>(count)), onLine);
  }
  framer.finish(onLine);
}

void readReports(int fd, const std::function<void(Report&&)>& deliver) {
  ReportDecoder decoder;
  readLines(fd, [&](std::string_view line) {
    DecodeResult result = decoder.decode(line);
    if (result.ok()) deliver(std::move(result).report());
  });
}
