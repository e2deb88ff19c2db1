#include "platform/gtk/tray_host.h"

#include <gdk/gdkx.h>
#include <gio/gio.h>

#include <string>
#include <utility>

#include "base/log.h"
#include "platform/glib/owned.h"

namespace platform {
namespace {

// Long enough for a panel that starts beside the indicator, as a session's panel does.
constexpr guint hostWaitSeconds = 5;
constexpr const char* watcher = "org.kde.StatusNotifierWatcher";

bool systemTrayOnDisplay() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return false;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(x));
  return XGetSelectionOwner(x, XInternAtom(x, selection.c_str(), False)) != None;
}

// What the log said last: a host that goes and comes back is told of once each way.
bool saidNotShown = false;

void sayNoHost() {
  if (std::exchange(saidNotShown, true)) return;
  base::writeLogLine("no desktop tray: no StatusNotifierItem host or system tray has taken the item; "
                     "nothing is shown on screen");
}

void watcherAnswered(GObject* bus, GAsyncResult* result, gpointer) {
  const Owned<GVariant, g_variant_unref> reply(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr));
  gboolean hostRegistered = FALSE;
  if (reply) {
    const Owned<GVariant, g_variant_unref> value(g_variant_get_child_value(reply.get(), 0));
    const Owned<GVariant, g_variant_unref> inner(g_variant_get_variant(value.get()));
    if (g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_BOOLEAN)) hostRegistered = g_variant_get_boolean(inner.get());
  }
  if (!hostRegistered) sayNoHost();
}

gboolean askForAHost(gpointer) {
  if (systemTrayOnDisplay()) return G_SOURCE_REMOVE;
  // The AppIndicator has connected to the bus already, if there is one: no wait here.
  const GObjectPtr<GDBusConnection> bus{g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)};
  if (!bus) {
    sayNoHost();
    return G_SOURCE_REMOVE;
  }
  g_dbus_connection_call(bus.get(), watcher, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", watcher, "IsStatusNotifierHostRegistered"), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, nullptr, watcherAnswered, nullptr);
  return G_SOURCE_REMOVE;
}

// A host that goes (a panel restarting) leaves the item to an X system tray, if there is
// one; whether anything shows it is asked again after the same wait as at launch.
void connectionChanged(AppIndicator*, gboolean taken, gpointer) {
  if (!taken) {
    g_timeout_add_seconds(hostWaitSeconds, askForAHost, nullptr);
  } else if (std::exchange(saidNotShown, false)) {
    base::writeLogLine("desktop tray: a StatusNotifierItem host has taken the item; it is shown again");
  }
}

}  // namespace

void watchTrayHost(AppIndicator* indicator) {
  g_signal_connect(indicator, "connection-changed", G_CALLBACK(connectionChanged), nullptr);
  g_timeout_add_seconds(hostWaitSeconds, askForAHost, nullptr);
}

}  // namespace platform
