// Whether another client holds the pointer: on X11 an open popup menu grabs it, and a
// panel that never says that it closed its menu is seen closing it this way.
#pragma once

namespace platform {

// True while another X11 client has grabbed the pointer; false once nobody has, or where
// the display is not X11. Costs one round trip to the X server.
[[nodiscard]] bool pointerGrabbedElsewhere();

}  // namespace platform
