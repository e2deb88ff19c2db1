// The two application objects macOS chooses between at start (choose_platform_appkit.cpp).
#pragma once

namespace platform {

class Application;

// AppKit's status bar. Connects to the window server: only in a graphical login session.
[[nodiscard]] Application* appKitApplication();

// The headless status bar on Grand Central Dispatch, for everywhere else (an SSH login, a
// LaunchDaemon).
[[nodiscard]] Application* headlessGCDApplication();

}  // namespace platform
