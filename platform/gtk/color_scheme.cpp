#include "platform/gtk/color_scheme.h"

#include <gtk/gtk.h>

#include "platform/glib/owned.h"

namespace platform {
namespace {

using VariantPtr = Owned<GVariant, g_variant_unref>;

constexpr const char* portal = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* settingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* appearance = "org.freedesktop.appearance";
enum : guint32 { noPreference, prefersDark, prefersLight };

// What GTK's own settings said before the portal was asked: KDE writes Breeze Dark there,
// and a portal without a preference leaves it standing.
gboolean settingsPreferDark = FALSE;

// The portal wraps the value in one variant or, in its older form, two.
void follow(GVariant* value) {
  VariantPtr inner(g_variant_ref(value));
  while (g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_VARIANT)) inner = VariantPtr(g_variant_get_variant(inner.get()));
  if (!g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_UINT32)) return;
  const guint32 scheme = g_variant_get_uint32(inner.get());
  const gboolean dark = scheme == noPreference ? settingsPreferDark : scheme == prefersDark;
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark, nullptr);
}

void answered(GObject* bus, GAsyncResult* result, gpointer) {
  const VariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr));
  if (reply) follow(VariantPtr(g_variant_get_child_value(reply.get(), 0)).get());
}

void changed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters, gpointer) {
  const gchar* group = nullptr;
  const gchar* key = nullptr;
  GVariant* value = nullptr;
  g_variant_get(parameters, "(&s&sv)", &group, &key, &value);
  const VariantPtr owned(value);
  if (g_str_equal(group, appearance) && g_str_equal(key, "color-scheme")) follow(value);
}

void connected(GObject*, GAsyncResult* result, gpointer) {
  // The session bus lives as long as the process, and so does the subscription.
  GDBusConnection* bus = g_bus_get_finish(result, nullptr);
  if (bus == nullptr) return;
  g_dbus_connection_signal_subscribe(bus, portal, settingsInterface, "SettingChanged", portalPath, nullptr,
                                     G_DBUS_SIGNAL_FLAGS_NONE, changed, nullptr, nullptr);
  g_dbus_connection_call(bus, portal, portalPath, settingsInterface, "Read",
                         g_variant_new("(ss)", appearance, "color-scheme"), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                         nullptr, answered, nullptr);
}

}  // namespace

void followColorScheme() {
  g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", &settingsPreferDark, nullptr);
  g_bus_get(G_BUS_TYPE_SESSION, nullptr, connected, nullptr);
}

}  // namespace platform
