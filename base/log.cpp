// Unbuffered, so each line reaches standard error whole and in order with no flush at exit.
//
// A reader of standard error that is slow is waited for; one that has stopped reading
// must not stall the indicator. So a pipe or socket gets the line in pieces no larger
// than PIPE_BUF, each written only once there is room for it (which no write of that size
// can then block on), and a reader that takes nothing for a while is taken as stalled:
// its lines are dropped until it has room again. Called on the main thread only.
#include "base/log.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>

#include "base/text.h"

namespace base {
namespace {

constexpr int patienceMilliseconds = 30000;

enum class Sink { pipe, socket, other };

struct LogState {
  bool stalled = false;  // the reader took nothing for a whole patience
  bool cutOff = false;   // a line was left unfinished when the reader stalled
};
LogState state;

Sink sinkOf(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return Sink::other;
  if (S_ISFIFO(status.st_mode)) return Sink::pipe;
  if (S_ISSOCK(status.st_mode)) return Sink::socket;
  return Sink::other;
}

bool roomWithin(int fd, int milliseconds) {
  pollfd ready{fd, POLLOUT, 0};
  int polled;
  do polled = ::poll(&ready, 1, milliseconds);
  while (polled < 0 && errno == EINTR);
  // An error or hang-up is room too: the write then fails at once and the line is dropped.
  return polled > 0;
}

// Writes as much of data as the reader takes; returns how much that was.
size_t writeToReader(int fd, Sink sink, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    if (sink != Sink::other) {
      if (!roomWithin(fd, state.stalled ? 0 : patienceMilliseconds)) {
        state.stalled = true;
        break;
      }
      state.stalled = false;
    }
    const size_t piece = sink == Sink::other ? data.size() - done : std::min<size_t>(data.size() - done, PIPE_BUF);
    const ssize_t written = sink == Sink::socket ? ::send(fd, data.data() + done, piece, MSG_DONTWAIT)
                                                 : ::write(fd, data.data() + done, piece);
    if (written < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (written <= 0) break;
    done += static_cast<size_t>(written);
  }
  return done;
}

}  // namespace

void writeLogLine(std::string_view message) noexcept {
  try {
    static const Sink sink = sinkOf(STDERR_FILENO);
    // A line that a stalled reader left unfinished is ended before the next one starts.
    const std::string_view ending = state.cutOff ? "\n" : "";
    static std::string line;  // one buffer for every line; a very long one is not kept
    line.assign(ending).append("indicator: ").append(message).push_back('\n');
    const size_t written = writeToReader(STDERR_FILENO, sink, line);
    if (written >= ending.size()) state.cutOff = false;
    if (written > ending.size() && written < line.size()) state.cutOff = true;
    releaseIfLarge(line);
  } catch (...) {
    // Out of memory for the line: it is dropped like any line that cannot be written.
  }
}

}  // namespace base
