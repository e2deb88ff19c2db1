// indicator-check: tells a producer, line by line, what the indicator makes of its
// report lines, and can preview what it would show or sit in a live pipeline.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/line_check.h"
#include "check/preview.h"
#include "report/line_framer.h"

namespace {

constexpr size_t chunkSize = 1 << 16;
constexpr size_t flushAt = 1 << 16;

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

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// Verdicts are gathered and written in large pieces; in --pass mode the input itself
// goes out at once, and the verdicts to standard error line by line.
class Output {
 public:
  explicit Output(const Options& options) : options_(options) {}

  void verdicts(std::string_view text) {
    if (options_.pass) {
      healthy_ = writeAll(STDERR_FILENO, text) && healthy_;
      return;
    }
    buffer_.append(text);
    if (buffer_.size() >= flushAt) flush();
  }
  void input(std::string_view bytes) { healthy_ = writeAll(STDOUT_FILENO, bytes) && healthy_; }
  void flush() {
    healthy_ = writeAll(STDOUT_FILENO, buffer_) && healthy_;
    buffer_.clear();
  }
  [[nodiscard]] bool healthy() const { return healthy_; }

 private:
  const Options& options_;
  std::string buffer_;
  bool healthy_ = true;
};

class Checker {
 public:
  Checker(const Options& options, Output& out) : options_(options), out_(out) {}

  // Reads one input to its end; false when it could not be read.
  bool check(int fd, std::string_view name) {
    prefix_ = name.empty() ? std::string() : std::string(name) + ":";
    lineNumber_ = 0;
    const auto chunk = std::make_unique<char[]>(chunkSize);
    LineFramer framer;
    auto onLine = [&](std::string_view line) { this->line(line); };
    auto onOverlong = [&] { this->overlong(); };
    for (;;) {
      const ssize_t count = ::read(fd, chunk.get(), chunkSize);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) return false;
      if (count == 0) break;
      const std::string_view bytes(chunk.get(), static_cast<size_t>(count));
      if (options_.pass) out_.input(bytes);
      if (!out_.healthy()) return true;
      framer.feed(bytes, onLine, onOverlong);
    }
    framer.finish(onLine, onOverlong);
    return true;
  }

  void finish() {
    if (options_.preview && options_.last && lastAccepted_) {
      out_.verdicts(preview(*lastAccepted_, colour()));
    }
    if (!options_.pass) out_.flush();
  }

  [[nodiscard]] bool anyRejected() const { return anyRejected_; }

 private:
  void overlong() {
    ++lineNumber_;
    anyRejected_ = true;
    out_.verdicts(prefix_ + std::to_string(lineNumber_) + ": rejected  longer than " +
                  std::to_string(LineFramer::defaultMaxLineBytes) + " bytes (1 GiB); the rest of it was skipped\n");
  }

  void line(std::string_view line) {
    ++lineNumber_;
    LineCheck check = checkLine(line, decoder_);
    const std::string place = prefix_ + std::to_string(lineNumber_) + ": ";
    std::string text;
    if (!check.report) anyRejected_ = true;
    if (!check.report || !options_.pass) text.append(place).append(check.verdict).append("\n").append(check.excerpt);
    for (const std::string& warning : check.warnings) text.append(place).append("warning  ").append(warning).append("\n");
    if (check.report && options_.preview) {
      if (options_.last) {
        lastAccepted_ = std::move(check.report);
      } else {
        text.append(preview(*check.report, colour()));
      }
    }
    if (!text.empty()) out_.verdicts(text);
  }

  bool colour() const {
    const int fd = options_.pass ? STDERR_FILENO : STDOUT_FILENO;
    const char* noColour = std::getenv("NO_COLOR");
    return ::isatty(fd) && (noColour == nullptr || *noColour == '\0');
  }

  const Options& options_;
  Output& out_;
  ReportDecoder decoder_;
  std::string prefix_;
  size_t lineNumber_ = 0;
  bool anyRejected_ = false;
  std::optional<Report> lastAccepted_;
};

void complain(std::string_view message) {
  (void)writeAll(STDERR_FILENO, "indicator-check: " + std::string(message) + "\n");
}

}  // namespace

int main(int argc, char** argv) {
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
      return writeAll(STDOUT_FILENO, usage) ? allAccepted : trouble;
    } else if (argument == "--version") {
      return writeAll(STDOUT_FILENO, "indicator-check " INDICATOR_VERSION "\n") ? allAccepted : trouble;
    } else {
      complain("unknown option " + std::string(argument));
      (void)writeAll(STDERR_FILENO, usage);
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

  Output out(options);
  Checker checker(options, out);
  bool readable = true;
  if (options.files.empty()) options.files.emplace_back("-");
  const bool named = options.files.size() > 1;
  for (const std::string& file : options.files) {
    const bool standardInput = file == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      complain("cannot open " + file + ": " + std::strerror(errno));
      readable = false;
      continue;
    }
    if (!checker.check(fd, named ? file : std::string())) {
      complain("cannot read " + file + ": " + std::strerror(errno));
      readable = false;
    }
    if (!standardInput) ::close(fd);
    if (!out.healthy()) break;
  }
  checker.finish();
  if (!readable || !out.healthy()) return trouble;
  return checker.anyRejected() ? someRejected : allAccepted;
}
