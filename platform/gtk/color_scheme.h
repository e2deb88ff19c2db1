// The desktop's light or dark preference, as the settings portal gives it (GNOME's
// "prefer-dark", Plasma's Breeze Dark): GTK 3 does not follow it by itself.
#pragma once

namespace platform {

// Asks the portal once and follows its changes, choosing the theme's dark variant while
// the desktop prefers dark. Without a portal the theme stays as GTK's settings give it.
void followColorScheme();

}  // namespace platform
