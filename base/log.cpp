// Log lines are made on whichever thread logs and written by a thread of their own, so
// that a reader of standard error that is slow, paused or gone never holds up the menu.
//
// Whole lines go out in pieces no larger than PIPE_BUF, each written only once there is
// room for it (which no write of that size into a pipe then blocks on);
// a reader that takes nothing for a whole patience is taken as stalled, and so is one
// so far behind that the owed text passes a bound: its lines are dropped until it has
// room again. Lines owed at exit are written first, within the same patience.
#include "base/log.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "base/text.h"

namespace base {
namespace {

constexpr std::chrono::milliseconds patience{30000};
// A reader this far behind is taken as stalled: some 400,000 lines of a typical report.
constexpr size_t owedAtMost = size_t{24} << 20;
// Threads making reports wait past this, well short of it.
constexpr size_t owedWhileKeepingUp = size_t{12} << 20;
constexpr std::string_view linePrefix = "indicator: ";

class Writer {
 public:
  explicit Writer(int fd) : fd_(fd) {
    std::thread([this] {
      // Signals go to the other threads, so that no wait or write here is interrupted.
      sigset_t all;
      sigfillset(&all);
      pthread_sigmask(SIG_BLOCK, &all, nullptr);
      run();
    }).detach();
    std::atexit([] { instance().waitUntilOwedAtMost(0); });
  }

  // Never destroyed: the writer thread may still be waiting for lines while the process exits.
  static Writer& instance() {
    static Writer& writer = *new Writer(STDERR_FILENO);
    return writer;
  }

  void add(std::string_view message) {
    const std::lock_guard lock(mutex_);
    // While stalled, a line is kept only when nothing else is owed: the writer thread
    // then tries it at once, so the first line the reader has room for gets through.
    // Neither what the writer thread holds nor the longest line owed counts against the
    // bound: one line of a huge title does not make the reader far behind.
    if (owed_.size() > owedAtMost + longestOwed_ || (stalled_ && owed_.size() + inHand_ > 0)) {
      stalled_ = true;
      return;
    }
    const size_t start = owed_.size();
    // A report's text in a line could end it early or drive the reader's terminal.
    owed_.append(linePrefix);
    owed_.append(holdsTerminalControls(message) ? visible(message, ShownOn::terminal) : message).push_back('\n');
    longestOwed_ = std::max(longestOwed_, owed_.size() - start);
    if (batchDepth == 0 && writerWaiting_) owedChanged_.notify_one();
  }

  void handOn() {
    const std::lock_guard lock(mutex_);
    if (!owed_.empty() && writerWaiting_) owedChanged_.notify_one();
  }

  static thread_local int batchDepth;

  // Returns once at most bound bytes are owed, the reader is stalled, or the time given is
  // up; a reader that takes nothing for a patience meanwhile is taken as stalled, even if
  // the writer thread is held in a write (to a terminal whose output is paused, say).
  void waitUntilOwedAtMost(size_t bound, std::chrono::milliseconds atMost = std::chrono::hours(24)) {
    const auto end = std::chrono::steady_clock::now() + atMost;
    std::unique_lock lock(mutex_);
    while (!stalled_ && owed_.size() + inHand_ > bound) {
      const uint64_t before = progress_;
      const auto moved = [&] { return progress_ != before || stalled_ || owed_.size() + inHand_ <= bound; };
      const auto now = std::chrono::steady_clock::now();
      if (now >= end) return;
      if (!progressed_.wait_until(lock, std::min(now + patience, end), moved) && now + patience <= end) stalled_ = true;
    }
  }

 private:
  void run() {
    std::string batch;
    for (;;) {
      bool stalled;
      {
        std::unique_lock lock(mutex_);
        inHand_ = 0;
        progressed_.notify_all();
        writerWaiting_ = true;
        owedChanged_.wait(lock, [&] { return !owed_.empty(); });
        writerWaiting_ = false;
        batch.swap(owed_);
        longestOwed_ = 0;
        inHand_ = batch.size();
        stalled = stalled_;
      }
      // A line that a stalled reader left unfinished is ended before the next one starts.
      if (cutOff_) batch.insert(0, 1, '\n');
      writeOut(batch, stalled);
      batch.clear();
      releaseIfLarge(batch);
    }
  }

  // An error or hang-up is room too: the write then fails at once and the lines are dropped.
  bool roomWithin(std::chrono::milliseconds wait) const {
    pollfd ready{fd_, POLLOUT, 0};
    return ::poll(&ready, 1, static_cast<int>(wait.count())) == 1;
  }

  // Whole lines, at most PIPE_BUF, except a longer line, which goes in PIPE_BUF pieces.
  static size_t pieceOf(std::string_view rest) {
    if (rest.size() <= PIPE_BUF) return rest.size();
    const size_t lastEnd = rest.rfind('\n', PIPE_BUF - 1);
    return lastEnd == std::string_view::npos ? PIPE_BUF : lastEnd + 1;
  }

  // Writes as much of text as the reader takes; the rest is dropped.
  void writeOut(std::string_view text, bool stalled) {
    size_t done = 0;
    while (done < text.size()) {
      if (!roomWithin(stalled ? std::chrono::milliseconds(0) : patience)) {
        stalled = true;
        break;
      }
      stalled = false;
      const size_t piece = pieceOf(text.substr(done));
      const ssize_t written = ::write(fd_, text.data() + done, piece);
      // A standard error someone else made non-blocking may have less room than polled.
      if (written < 0 && errno == EAGAIN) continue;
      if (written <= 0) break;  // closed or broken: what is owed is dropped
      done += static_cast<size_t>(written);
      const std::lock_guard lock(mutex_);
      inHand_ = text.size() - done;
      ++progress_;
      stalled_ = false;
      progressed_.notify_all();
    }
    if (done > 0) cutOff_ = text[done - 1] != '\n';
    const std::lock_guard lock(mutex_);
    stalled_ = stalled;
  }

  const int fd_;
  std::mutex mutex_;
  std::condition_variable owedChanged_, progressed_;
  std::string owed_;    // whole lines the writer thread has not taken yet
  size_t longestOwed_ = 0;
  size_t inHand_ = 0;  // what the writer thread has taken and not yet written
  uint64_t progress_ = 0;
  bool stalled_ = false;
  bool writerWaiting_ = false;
  bool cutOff_ = false;  // the writer thread's own
};

thread_local int Writer::batchDepth = 0;

}  // namespace

void waitWhileLogBehind() noexcept {
  try {
    Writer::instance().waitUntilOwedAtMost(owedWhileKeepingUp);
  } catch (...) {
    // No writer, so nothing is owed.
  }
}

namespace {

// Long enough for a reader that keeps up to take what is owed, short enough that the
// ending is still prompt when it does not.
void writeOwedLinesBriefly() noexcept {
  constexpr std::chrono::milliseconds forOwedLines{300};
  try {
    Writer::instance().waitUntilOwedAtMost(0, forOwedLines);
  } catch (...) {
    // No writer, so nothing is owed.
  }
}

}  // namespace

void endNow(int status) noexcept {
  writeOwedLinesBriefly();
  std::_Exit(status);
}

void endBySignal(int signal) noexcept {
  writeOwedLinesBriefly();
  std::signal(signal, SIG_DFL);
  // Delivered here and now, also on a thread that blocks it (a dispatch queue's worker).
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  std::raise(signal);
  std::_Exit(128 + signal);  // not reached
}

LogBatch::LogBatch() noexcept { ++Writer::batchDepth; }

LogBatch::~LogBatch() {
  if (--Writer::batchDepth > 0) return;
  try {
    Writer::instance().handOn();
  } catch (...) {
    // No writer, so nothing was owed.
  }
}

void writeLogLine(std::string_view message) noexcept {
  try {
    Writer::instance().add(message);
  } catch (...) {
    // Out of memory for the line, or no thread to write it: it is dropped like any
    // line that cannot be written.
  }
}

}  // namespace base
