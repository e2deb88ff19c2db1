// The display's connection, watched: X11's or the Wayland compositor's, whose loss GDK
// and Xlib would end the process on without a word.
#pragma once

namespace platform {

class TrayApplication;

// When the display goes, app ends with it (TrayApplication::endWithDisplay).
void watchDisplay(TrayApplication& app);

}  // namespace platform
