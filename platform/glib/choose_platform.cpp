// The application object on Linux: the desktop's tray when a display can be opened,
// otherwise the headless status bar.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "base/log.h"
#include "platform/glib/application.h"
#include "platform/glib/desktop_module.h"

namespace platform {
namespace {

// The folder of the running executable, links resolved, with a trailing slash.
std::string executableFolder() {
  char executable[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
  if (length <= 0) return {};
  std::string path(executable, static_cast<size_t>(length));
  path.resize(path.rfind('/') + 1);
  return path;
}

// Installed, the module is in ../lib/indicator/modules/ beside bin/ (a folder of its own,
// so that packaging tools take it for the plugin it is, not a library); in the build tree
// it sits beside the executable.
struct Loaded {
  void* module = nullptr;
  std::string whyNot;
};

Loaded loadModule() {
  const std::string folder = executableFolder();
  std::string looked;
  for (const std::string& path : {folder + "../lib/indicator/modules/" + desktopModuleFile, folder + desktopModuleFile}) {
    if (::access(path.c_str(), F_OK) != 0) {
      looked += (looked.empty() ? "" : " or ") + path;
      continue;
    }
    if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return {module, {}};
    const char* error = ::dlerror();
    return {nullptr, "cannot load " + path + ": " + (error != nullptr ? error : "unknown error")};
  }
  return {nullptr, "the desktop module is not installed (no " + looked + ")"};
}

Application* desktopApplication() {
  // Loading GTK costs some 11 MB and 40 ms before it can even find out that there is no
  // display; a session that names no display server does not pay for it.
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (x11 == nullptr && wayland == nullptr) return nullptr;
  std::string whyNot;
  Loaded loaded = loadModule();
  if (loaded.module == nullptr) {
    whyNot = loaded.whyNot;
  } else if (auto* entry = reinterpret_cast<decltype(&indicatorDesktopApplication)>(
                 ::dlsym(loaded.module, desktopModuleEntry))) {
    if (Application* application = entry()) return application;
    whyNot = std::string("cannot open display ") + (x11 != nullptr ? x11 : wayland);
  } else {
    whyNot = "the desktop module has no entry point";
  }
  // A session that names a display expects to see something: saying nothing here would
  // leave "status item created" to report a success that nobody can see.
  base::writeLogLine("no desktop tray: " + whyNot + "; nothing is shown on screen");
  return nullptr;
}

}  // namespace

Application& sharedApplication() {
  // Never destroyed, like the platform's own application object: the delegate and
  // its status item may outlive every other static at exit.
  static Application* application = [] {
    Application* desktop = desktopApplication();
    return desktop != nullptr ? desktop : new HeadlessApplication();
  }();
  return *application;
}

}  // namespace platform
