// Built as a module that the indicator loads only when a display is there.
#include "platform/gtk/application.h"

#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <utility>

#include "base/log.h"
#include "platform/gtk/color_scheme.h"
#include "platform/gtk/display_watch.h"
#include "platform/glib/desktop_module.h"
#include "platform/gtk/menu.h"
#include "platform/gtk/status_item.h"
#include "platform/workspace.h"

namespace platform {
namespace {

// Reports can arrive by the thousand per second; the panel and the exported menu are
// brought up to date with the newest at most this often, so no frame is drawn for
// reports nobody could see.
constexpr guint refreshIntervalMs = 40;

}  // namespace

TrayApplication::TrayApplication()
    : loop_(g_main_context_default()),
      look_(readLook()),
      desktop_(tray::desktopNamed(g_getenv("XDG_CURRENT_DESKTOP") != nullptr ? g_getenv("XDG_CURRENT_DESKTOP") : "")),
      pointsContext_(pango_font_map_create_context(pango_cairo_font_map_get_default())) {
  pango_cairo_context_set_resolution(pointsContext_.get(), 72.0);
  GtkSettings* settings = gtk_settings_get_default();
  for (const char* property : {"notify::gtk-theme-name", "notify::gtk-application-prefer-dark-theme",
                               "notify::gtk-font-name"}) {
    g_signal_connect(settings, property, G_CALLBACK(lookChanged), this);
  }
  followColorScheme();
  watchSessionBus();
  watchDisplay(*this);
}

void TrayApplication::lookChanged(GObject*, GParamSpec*, TrayApplication* self) {
  self->lookChanged_ = true;
  self->scheduleRefresh();
}

// A report after a quiet spell reaches the panel as soon as it is whole (an idle source
// runs once the main queue is empty, so after the render); reports that follow within
// the interval are shown together when it ends, so a burst redraws at most 25 times a second.
void TrayApplication::scheduleRefresh() {
  if (refreshSource_ != 0) return;
  auto refresh = [](gpointer self) -> gboolean {
    auto* app = static_cast<TrayApplication*>(self);
    app->refreshSource_ = 0;
    callFromPlatform([app] { app->refreshNow(); });
    return G_SOURCE_REMOVE;
  };
  const gint64 sinceLast = (g_get_monotonic_time() - lastRefresh_) / 1000;
  if (sinceLast >= refreshIntervalMs) {
    refreshSource_ = g_idle_add(refresh, this);
  } else {
    refreshSource_ = g_timeout_add(refreshIntervalMs - static_cast<guint>(sinceLast), refresh, this);
  }
}

void TrayApplication::refreshNow() {
  if (refreshSource_ != 0) g_source_remove(std::exchange(refreshSource_, 0));
  lastRefresh_ = g_get_monotonic_time();
  const bool changed = std::exchange(lookChanged_, false);
  if (changed) look_ = readLook();
  if (item_ != nullptr) item_->refresh(look_, changed);
  if (menu_ != nullptr) menu_->refresh(look_, changed);
}

std::unique_ptr<StatusItem> TrayApplication::statusItemWithLength(double) {
  auto item = std::make_unique<TrayStatusItem>(*this);
  item_ = item.get();
  return item;
}

std::unique_ptr<Menu> TrayApplication::makeMenu() {
  auto menu = std::make_unique<TrayMenu>(*this);
  menu_ = menu.get();
  return menu;
}

TrayMenu* TrayApplication::madeHere(const Menu& menu) const {
  return menu_ != nullptr && static_cast<const Menu*>(menu_) == &menu ? menu_ : nullptr;
}

void TrayApplication::forget(const TrayStatusItem* item) {
  if (item_ == item) item_ = nullptr;
}

void TrayApplication::forget(const TrayMenu* menu) {
  if (menu_ == menu) menu_ = nullptr;
}

std::optional<std::string> TrayApplication::openURL(const URL& url) { return workspace::openURL(url.string()); }

bool TrayApplication::acceptsURL(const std::string& text) const { return workspace::acceptsURL(text); }

void TrayApplication::run() {
  loop_.run(delegate_, [this] {
    if (item_ != nullptr) item_->takeDown();
    // A quit chosen from the exported menu ends the loop while the reply to the panel's
    // click is still queued; the panel gets it, and sees the item go, before the process ends.
    if (const GObjectPtr<GDBusConnection> bus{g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)}) {
      g_dbus_connection_flush_sync(bus.get(), nullptr, nullptr);
    }
  });
  if (desktopGone_) base::endNow(EXIT_FAILURE);
}

// GLib would raise SIGTERM as the session bus closes, as if someone had sent it.
void TrayApplication::watchSessionBus() {
  const GObjectPtr<GDBusConnection> bus{g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)};
  if (!bus) return;
  g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
  g_signal_connect(bus.get(), "closed", G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, TrayApplication* self) {
    callFromPlatform([self] { self->endWithDesktop("the session bus went away"); });
  }), this);
}

void TrayApplication::endWithDesktop(std::string_view why) {
  base::writeLogLine(std::string(why) + "; ending");
  desktopGone_ = true;
  terminate();
}

void TrayApplication::endWithDisplay(std::string_view why) {
  static bool ending = false;  // taking the item down may find the connection gone again
  if (!std::exchange(ending, true)) {
    base::writeLogLine(std::string(why) + "; ending");
    if (item_ != nullptr) item_->takeDown();
  }
  base::endNow(EXIT_FAILURE);
}

void TrayApplication::terminate() {
  loop_.end();
  if (refreshSource_ != 0) g_source_remove(std::exchange(refreshSource_, 0));
  if (menu_ != nullptr) menu_->popDown();
}

}  // namespace platform

// GTK and the libraries below it report on standard error, which carries only the
// indicator's own lines; their messages are dropped.
extern "C" __attribute__((visibility("default"))) platform::Application* indicatorDesktopApplication() {
  g_log_set_writer_func([](GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; },
                        nullptr, nullptr);
  g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
  g_set_printerr_handler([](const gchar*) {});
  // Number formatting stays independent of the user's locale.
  gtk_disable_setlocale();
  // Under Wayland its own backend: through XWayland the self-test's menu, popped up with no
  // window of the indicator's to grab from, never gets the keyboard and cannot be closed.
  // Elsewhere X11, where a menu popped up from a timer is placed at the pointer.
  gdk_set_allowed_backends(g_getenv("WAYLAND_DISPLAY") != nullptr ? "wayland,x11" : "x11,*");
  // A tray item never draws with OpenGL, and GDK would otherwise load Mesa (and LLVM) to
  // pick visuals on a display no GTK program has opened yet: some 55 MB. Only for this
  // process: the variable is gone again before anything it starts could inherit it.
  const bool glChosen = g_getenv("GDK_GL") != nullptr;
  if (!glChosen) g_setenv("GDK_GL", "disable", TRUE);
  const bool initialized = gtk_init_check(nullptr, nullptr);
  if (!glChosen) g_unsetenv("GDK_GL");
  if (!initialized) return nullptr;
  // Never destroyed, like the platform's own application object.
  return new platform::TrayApplication();
}
