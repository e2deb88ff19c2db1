// Whether any host shows the item: a StatusNotifierItem host on the session bus, or an X
// system tray for the XEmbed icon an AppIndicator falls back to.
#pragma once

namespace platform {

// A few seconds from now, asks whether a host has taken the item, and says once on
// standard error when none has: nothing on screen would tell.
void sayIfNoHostTakesTheItem();

}  // namespace platform
