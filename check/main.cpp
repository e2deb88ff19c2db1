// indicator-check: tells a producer, line by line, what the indicator makes of its
// report lines, and can preview what it would show or sit in a live pipeline.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "check/line_check.h"
#include "check/preview.h"
#include "base/text.h"
#include "report/line_framer.h"
#include "report/stdin_reader.h"

namespace check {
namespace {

constexpr std::string_view usage =
    "usage: indicator-check [--preview [--last]] [--pass] [FILE...]\n"
    "Reads report lines from the FILEs (standard input when none, or for -) and says for\n"
    "each whether the indicator accepts it, and if not, why.\n"
    "\n"
    "  --preview  after each accepted line, draw what the indicator would show\n"
    "  --last     with --preview, draw only the last accepted line\n"
    "  --pass     copy the input unchanged to standard output as it arrives, and write\n"
    "             only rejections and warnings, to standard error:\n"
    "               producer | indicator-check --pass | indicator\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "\n"
    "Exit status: 0 when every line was accepted, 1 when any was rejected, 2 for a usage\n"
    "or input/output error.\n";

struct Options {
  bool preview = false;
  bool last = false;
  bool pass = false;
  std::vector<std::string> files;
};

enum Exit { allAccepted = 0, someRejected = 1, trouble = 2 };

void complain(std::string_view message) {
  (void)base::writeAll(STDERR_FILENO, "indicator-check: " + std::string(message) + "\n");
}

// A read's verdicts are gathered and written together once it is checked, so that a
// pipeline or a file being followed sees them as they are made. In --pass mode the input
// itself goes out at once (from the reading thread), and the verdicts go to standard
// error, each line marked as this program's among the indicator's own.
class Output {
 public:
  explicit Output(const Options& options) : options_(options) {}

  void verdicts(std::string_view text) {
    if (!options_.pass) {
      buffer_.append(text);
      return;
    }
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = std::min(text.find('\n', start), text.size());
      buffer_.append("indicator-check: ").append(text.substr(start, end - start)).push_back('\n');
    }
  }
  void input(std::string_view bytes) { write(STDOUT_FILENO, bytes); }
  void flush() {
    write(options_.pass ? STDERR_FILENO : STDOUT_FILENO, buffer_);
    buffer_.clear();
  }
  [[nodiscard]] bool healthy() const { return failure_ == 0; }
  // What went wrong with the first write that failed, in words.
  [[nodiscard]] std::string failure() const {
    return std::string("cannot write ") + (failedFd_ == STDOUT_FILENO ? "standard output" : "standard error") + ": " +
           std::strerror(failure_);
  }

 private:
  // Called from the reading thread (the copy of the input) and the main thread.
  void write(int fd, std::string_view bytes) {
    errno = 0;
    if (failure_ != 0 || base::writeAll(fd, bytes)) return;
    const int why = errno != 0 ? errno : EIO;  // a write that took nothing sets none
    int none = 0;
    if (failure_.compare_exchange_strong(none, why)) failedFd_ = fd;
  }

  const Options& options_;
  std::string buffer_;
  std::atomic<int> failure_ = 0;  // errno of the first write that failed
  std::atomic<int> failedFd_ = -1;
};

// One line as the reading thread leaves it, or something to say about an input; in order.
struct Checked {
  std::string place;               // "3: ", or "file:3: " with several inputs
  std::optional<LineCheck> check;  // none for a line past the longest kept
  std::string complaint;           // an input that could not be opened or read
  std::string notice;              // something to know about an input, on standard error
};

// From the reading thread to the main thread, a few reads' worth at a time: decoding is
// half the work, and the verdicts and warnings the other half.
class Handoff {
 public:
  // False once the main thread has stopped taking.
  bool put(std::vector<Checked>&& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return batches_.size() < capacity || stopped_; });
    if (stopped_) return false;
    batches_.push_back(std::move(batch));
    changed_.notify_all();
    return true;
  }
  // False at the end of every input.
  bool take(std::vector<Checked>& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !batches_.empty() || ended_; });
    if (batches_.empty()) return false;
    batch = std::move(batches_.front());
    batches_.pop_front();
    changed_.notify_all();
    return true;
  }
  void end() {
    const std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }
  void stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }
  [[nodiscard]] bool stopped() {
    const std::lock_guard lock(mutex_);
    return stopped_;
  }

 private:
  static constexpr size_t capacity = 8;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<Checked>> batches_;
  bool ended_ = false;
  bool stopped_ = false;
};

// The reading thread: every input in turn, framed and decoded.
void readInputs(const Options& options, Output& out, Handoff& handoff) {
  report::ReportDecoder decoder;
  const bool named = options.files.size() > 1;
  for (const std::string& file : options.files) {
    const std::string prefix = named ? file + ":" : std::string();
    size_t lineNumber = 0;
    std::vector<Checked> batch;
    auto place = [&] { return prefix + std::to_string(++lineNumber) + ": "; };
    auto onLine = [&](const report::Line& line) { batch.push_back({place(), checkLine(line, decoder), {}}); };
    auto onOverlong = [&] { batch.push_back({place(), std::nullopt, {}}); };
    const bool standardInput = file == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      batch.push_back({{}, {}, "cannot open " + file + ": " + std::strerror(errno), {}});
      if (!handoff.put(std::move(batch))) break;
      continue;
    }
    bool endedWithLineFeed = true;
    const int failure = report::readLines(
        fd, {.line = onLine,
             .overlong = onOverlong,
             .read =
                 [&](std::string_view bytes) {
                   if (options.pass) out.input(bytes);
                   endedWithLineFeed = bytes.back() == '\n';
                   return out.healthy() && !handoff.stopped();
                 },
             .afterRead = [&] { return batch.empty() || handoff.put(std::exchange(batch, {})); }});
    if (failure != 0) batch.push_back({{}, {}, "cannot read " + file + ": " + std::strerror(failure), {}});
    const std::string input = standardInput ? "standard input" : file;
    if (lineNumber == 0 && failure == 0 && out.healthy()) batch.push_back({{}, {}, {}, input + ": no lines read"});
    // Once the output has broken, the input is no longer read to its end: nothing is said of it.
    if (!endedWithLineFeed && out.healthy()) {
      batch.push_back({{}, {}, {}, input + ": line " + std::to_string(lineNumber) + " has no line feed after it; the "
                                   "indicator shows such a line only once its input ends"});
    }
    if (!standardInput) ::close(fd);
    if (!handoff.put(std::move(batch)) || !out.healthy()) break;
  }
  handoff.end();
}

// The main thread: the verdicts, warnings and previews, written in order.
class Verdicts {
 public:
  Verdicts(const Options& options, Output& out) : options_(options), out_(out) {}

  void write(Checked& checked) {
    if (!checked.notice.empty()) {
      out_.flush();  // after the verdicts it follows
      complain(checked.notice);
      return;
    }
    if (!checked.complaint.empty()) {
      unreadable_ = true;
      complain(checked.complaint);
      return;
    }
    if (!checked.check) {
      anyRejected_ = true;
      out_.verdicts(checked.place + "rejected  longer than " + std::to_string(report::LineFramer::defaultMaxLineBytes) +
                    " bytes (1 GiB); the rest of it was skipped\n");
      return;
    }
    LineCheck& check = *checked.check;
    explain(check);
    std::string text;
    if (!check.report) anyRejected_ = true;
    if (!check.report || !options_.pass) text.append(checked.place).append(check.verdict).append("\n").append(check.excerpt);
    for (const std::string& warning : check.warnings) text.append(checked.place).append("warning  ").append(warning).append("\n");
    if (check.report && options_.preview) {
      if (options_.last) {
        lastAccepted_ = std::move(check.report);
      } else {
        text.append(preview(*check.report, colour()));
      }
    }
    if (!text.empty()) out_.verdicts(text);
  }

  void finish() {
    if (options_.preview && options_.last && lastAccepted_) out_.verdicts(preview(*lastAccepted_, colour()));
    out_.flush();
  }

  [[nodiscard]] bool anyRejected() const { return anyRejected_; }
  [[nodiscard]] bool unreadable() const { return unreadable_; }

 private:
  bool colour() const {
    const int fd = options_.pass ? STDERR_FILENO : STDOUT_FILENO;
    const char* noColour = std::getenv("NO_COLOR");
    return ::isatty(fd) && (noColour == nullptr || *noColour == '\0');
  }

  const Options& options_;
  Output& out_;
  bool anyRejected_ = false;
  bool unreadable_ = false;
  std::optional<report::Report> lastAccepted_;
};

}  // namespace
}  // namespace check

int main(int argc, char** argv) {
  using namespace check;
  // A reader that goes away ends the check with status 2, not with a signal.
  std::signal(SIGPIPE, SIG_IGN);
  Options options;
  bool onlyFiles = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (onlyFiles || argument == "-" || !argument.starts_with("-")) {
      options.files.emplace_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "--preview") {
      options.preview = true;
    } else if (argument == "--last") {
      options.last = true;
    } else if (argument == "--pass") {
      options.pass = true;
    } else if (argument == "--help") {
      return base::writeAll(STDOUT_FILENO, usage) ? allAccepted : trouble;
    } else if (argument == "--version") {
      return base::writeAll(STDOUT_FILENO, "indicator-check " INDICATOR_VERSION "\n") ? allAccepted : trouble;
    } else {
      complain("unknown option " + std::string(argument));
      (void)base::writeAll(STDERR_FILENO, usage);
      return trouble;
    }
  }
  if (options.last && !options.preview) {
    complain("--last goes with --preview");
    return trouble;
  }
  if (options.pass && options.files.size() > 1) {
    complain("--pass reads one input");
    return trouble;
  }

  if (options.files.empty()) options.files.emplace_back("-");
  Output out(options);
  Handoff handoff;
  std::thread reader(readInputs, std::cref(options), std::ref(out), std::ref(handoff));
  Verdicts verdicts(options, out);
  std::vector<Checked> batch;
  while (handoff.take(batch)) {
    for (Checked& checked : batch) verdicts.write(checked);
    out.flush();
    if (!out.healthy()) handoff.stop();
  }
  reader.join();
  verdicts.finish();
  if (!out.healthy()) complain(out.failure());
  if (verdicts.unreadable() || !out.healthy()) return trouble;
  return verdicts.anyRejected() ? someRejected : allAccepted;
}
