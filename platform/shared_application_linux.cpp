// The application object on Linux: the in-memory status bar, until a desktop is found.
#include "platform/application_memory.h"

namespace platform {

Application& sharedApplication() {
  // Never destroyed, like the platform's own application object: the delegate and
  // its status item may outlive every other static at exit.
  static auto* application = new MemoryApplication();
  return *application;
}

}  // namespace platform
