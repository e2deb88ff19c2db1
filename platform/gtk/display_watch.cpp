// Xlib's and Wayland's declarations stay in this file.
#include "platform/gtk/display_watch.h"

#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>
#include <wayland-client.h>

#include "platform/gtk/application.h"

namespace platform {
namespace {

TrayApplication* watched = nullptr;

// Xlib ends the process when this returns, and nothing may be asked of the X server here.
int xConnectionLost(Display*) { watched->endWithDisplay("the X server went away"); }

// GDK's own source for the compositor's events ends the process, without a word, as it
// finds the connection closed; this one, at a higher priority, is looked at first.
struct CompositorWatch {
  GSource source;
  GPollFD connection;
};

gboolean compositorGone(GSource* source) {
  if ((reinterpret_cast<CompositorWatch*>(source)->connection.revents & (G_IO_HUP | G_IO_ERR)) != 0) {
    watched->endWithDisplay("the Wayland compositor went away");
  }
  return FALSE;
}

GSourceFuncs compositorWatchFuncs{nullptr, compositorGone, nullptr, nullptr, nullptr, nullptr};

}  // namespace

void watchDisplay(TrayApplication& app) {
  watched = &app;
  GdkDisplay* display = gdk_display_get_default();
  if (GDK_IS_X11_DISPLAY(display)) {
    XSetIOErrorHandler(xConnectionLost);
  } else if (GDK_IS_WAYLAND_DISPLAY(display)) {
    GSource* source = g_source_new(&compositorWatchFuncs, sizeof(CompositorWatch));
    auto* watch = reinterpret_cast<CompositorWatch*>(source);
    watch->connection = {wl_display_get_fd(gdk_wayland_display_get_wl_display(display)), G_IO_HUP | G_IO_ERR, 0};
    g_source_add_poll(source, &watch->connection);
    g_source_set_priority(source, G_PRIORITY_HIGH);
    g_source_attach(source, nullptr);
    g_source_unref(source);
  }
}

}  // namespace platform
