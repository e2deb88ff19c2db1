// The application object on Linux: the desktop's tray when a display can be opened,
// otherwise the in-memory status bar.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/application_memory.h"
#include "platform/desktop_module.h"

namespace platform {
namespace {

// The module sits beside the executable.
std::string modulePath() {
  char executable[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
  if (length <= 0) return {};
  std::string path(executable, static_cast<size_t>(length));
  path.resize(path.rfind('/') + 1);
  return path + desktopModuleFile;
}

Application* desktopApplication() {
  // Loading GTK costs some 11 MB and 40 ms before it can even find out that there is no
  // display; a session that names no display server does not pay for it.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return nullptr;
  void* module = ::dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return nullptr;
  auto* entry = reinterpret_cast<decltype(&indicatorDesktopApplication)>(::dlsym(module, desktopModuleEntry));
  return entry != nullptr ? entry() : nullptr;
}

}  // namespace

Application& sharedApplication() {
  // Never destroyed, like the platform's own application object: the delegate and
  // its status item may outlive every other static at exit.
  static Application* application = [] {
    Application* desktop = desktopApplication();
    return desktop != nullptr ? desktop : new MemoryApplication();
  }();
  return *application;
}

}  // namespace platform
