// The one entry point of the Linux desktop module, which is loaded at run time so that
// a session without a display never maps GTK and the seventy libraries it brings.
#pragma once

namespace platform {
class Application;
}

// The desktop's application object, or null when no display can be opened.
extern "C" platform::Application* indicatorDesktopApplication();

inline constexpr const char* desktopModuleEntry = "indicatorDesktopApplication";
inline constexpr const char* desktopModuleFile = "indicator-gtk.so";
