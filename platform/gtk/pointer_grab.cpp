// Xlib's macros (None, Status, Bool) stay in this file.
#include "platform/gtk/pointer_grab.h"

#include <gdk/gdkx.h>

namespace platform {

// A grab of our own fails with AlreadyGrabbed exactly while another client's is active;
// one that succeeds is let go at once, with no event asked for, so nobody sees it.
bool pointerGrabbedElsewhere() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return false;
  Display* x = gdk_x11_display_get_xdisplay(display);
  const int status = XGrabPointer(x, DefaultRootWindow(x), False, 0, GrabModeAsync, GrabModeAsync, None, None,
                                  CurrentTime);
  if (status == GrabSuccess) XUngrabPointer(x, CurrentTime);
  XFlush(x);
  return status == AlreadyGrabbed;
}

}  // namespace platform
