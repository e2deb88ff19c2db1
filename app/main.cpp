// Process entry: chooses the mode, makes the one Indicator the delegate and runs the loop.
#include <csignal>
#include <memory>

#include "app/arguments.h"
#include "app/idle_memory.h"
#include "app/indicator.h"
#include "platform/platform.h"

namespace {
// Set once, on the main thread, before the event loop starts.
bool selftest = false;
platform::Application* app = nullptr;
std::shared_ptr<Indicator> delegate;  // keeps the Indicator alive for the whole process
}  // namespace

int main(int argc, char** argv) {
  // A standard error whose reader has gone must cost a log line, not the process.
  std::signal(SIGPIPE, SIG_IGN);

  selftest = selftestRequested(argc, argv);
  app = &platform::sharedApplication();
  delegate = std::make_shared<Indicator>(
      *app, Indicator::Options{.selftest = selftest, .whenInputPauses = releaseIdleMemory});
  app->setDelegate(delegate.get());
  app->setActivationPolicy(platform::ActivationPolicy::accessory);
  app->run();
  return 0;
}
