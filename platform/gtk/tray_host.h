// Whether any host shows the item: a StatusNotifierItem host on the session bus, or an X
// system tray for the XEmbed icon an AppIndicator falls back to.
#pragma once

#include <libayatana-appindicator/app-indicator.h>

namespace platform {

// A few seconds from now, and again a few seconds after a host lets the item go, asks
// whether anything shows the item, and says once on standard error when nothing does:
// nothing on screen would tell. A host that takes the item after that is said too.
void watchTrayHost(AppIndicator* indicator);

}  // namespace platform
