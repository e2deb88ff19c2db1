// Process entry: chooses the mode, makes the one Indicator the delegate and runs the loop.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>

#include "app/arguments.h"
#include "app/idle_memory.h"
#include "app/indicator.h"
#include "platform/platform.h"

namespace {

// A standard stream that was closed at start would become the first file the process
// opens (an event loop's wake-up descriptor, say), and be read as input or written to as
// standard error. /dev/null holds its place: no input, and log lines go nowhere. Taken in
// order, each closed one is the lowest free descriptor, which open(2) returns.
void reserveStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A standard error whose reader has gone must cost a log line, not the process.
  std::signal(SIGPIPE, SIG_IGN);
  reserveStandardStreams();

  // Set once, here on the main thread, before the event loop starts.
  const bool selftest = app::selftestRequested(argc, argv);
  platform::Application& app = platform::sharedApplication();
  // Keeps the Indicator alive for the whole process, and is never destroyed: the process
  // may end inside one of its commands (the platform's terminate), with the reader still
  // blocked in read, when destructors would take the status item and menu away from under
  // both. A static reference, so that leak checkers see it held.
  static const auto& delegate = *new std::shared_ptr<app::Indicator>(std::make_shared<app::Indicator>(
      app, app::Indicator::Options{.selftest = selftest, .whenInputPauses = app::releaseIdleMemory}));
  app.setDelegate(delegate.get());
  app.setActivationPolicy(platform::ActivationPolicy::accessory);
  app.run();
  return 0;
}
