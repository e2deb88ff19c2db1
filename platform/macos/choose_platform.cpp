// The application object on macOS: AppKit's status bar in a graphical login session,
// otherwise the headless status bar, so that the indicator still reads, renders, logs
// and ends with its input where AppKit could not even connect.
#include <CoreGraphics/CoreGraphics.h>

#include "base/log.h"
#include "platform/macos/applications.h"
#include "platform/macos/ending_signals.h"
#include "platform/platform.h"

namespace platform {
namespace {

// Outside a graphical login session there is no window server: an SSH login is a session
// of its own, headless even while someone is logged in at the screen; so is a LaunchDaemon.
// AppKit would fail to connect there, then hang or throw.
bool inGraphicalSession() {
  CFDictionaryRef session = CGSessionCopyCurrentDictionary();
  if (session == nullptr) return false;
  CFRelease(session);
  return true;
}

}  // namespace

Application& sharedApplication() {
  // Never destroyed, like NSApp itself.
  static Application* application = [] {
    endOnSignals();
    if (inGraphicalSession()) return appKitApplication();
    base::writeLogLine("no status bar: not in a graphical login session; nothing is shown on screen");
    return headlessGCDApplication();
  }();
  return *application;
}

}  // namespace platform
