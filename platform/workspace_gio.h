// URL parsing and opening through GLib and GIO, shared by the Linux platforms.
#pragma once

#include <string>

namespace platform::gio {

// GLib's strict URI parser: an absolute URI, or nothing.
[[nodiscard]] bool acceptsURL(const std::string& text);

// Hands the address to the desktop's default handler for its scheme, without a shell.
// Failure is silent.
void openURL(const std::string& text);

}  // namespace platform::gio
