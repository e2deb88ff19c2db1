#include "platform/gtk/status_item.h"

#include <glib/gstdio.h>
#include <libdbusmenu-glib/server.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "base/log.h"
#include "platform/gtk/application.h"
#include "platform/gtk/drawing.h"
#include "platform/gtk/menu.h"
#include "platform/gtk/tray_host.h"

namespace platform {
namespace {

// The library falls back to an XEmbed icon 100 ms after it finds no watcher, even when a
// watcher that came meanwhile has taken the item by then; a tray that hosts both kinds
// (XFCE's) would show the item twice for good. An item a watcher has taken never falls back.
struct WatchedIndicator {
  AppIndicator parent;
  gboolean taken;
};
struct WatchedIndicatorClass {
  AppIndicatorClass parent;
};
G_DEFINE_TYPE(WatchedIndicator, watched_indicator, APP_INDICATOR_TYPE)

void watched_indicator_init(WatchedIndicator*) {}

void watched_indicator_class_init(WatchedIndicatorClass* type) {
  type->parent.connection_changed = [](AppIndicator* indicator, gboolean taken, gpointer) {
    reinterpret_cast<WatchedIndicator*>(indicator)->taken = taken;
  };
  type->parent.fallback = [](AppIndicator* indicator) -> GtkStatusIcon* {
    if (reinterpret_cast<WatchedIndicator*>(indicator)->taken) return nullptr;
    return APP_INDICATOR_CLASS(watched_indicator_parent_class)->fallback(indicator);
  };
}

// Icon folders are named after their process: one whose process is gone (killed, or ended
// with its display) is removed by the next indicator to start, so that none piles up where
// nothing empties them (the cache folder, when the session has no runtime folder).
constexpr std::string_view iconFolderPrefix = "indicator-";

void removeFoldersOfProcessesGone(const char* parent) {
  GDir* entries = g_dir_open(parent, 0, nullptr);
  if (entries == nullptr) return;
  while (const char* name = g_dir_read_name(entries)) {
    if (!g_str_has_prefix(name, iconFolderPrefix.data())) continue;
    gchar* afterPid = nullptr;
    const pid_t pid = static_cast<pid_t>(g_ascii_strtoll(name + iconFolderPrefix.size(), &afterPid, 10));
    if (pid <= 0 || *afterPid != '-' || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    // Only the icons it drew are removed: a folder that holds anything else stays.
    const GCharPtr folder(g_build_filename(parent, name, nullptr));
    if (GDir* icons = g_dir_open(folder.get(), 0, nullptr)) {
      while (const char* icon = g_dir_read_name(icons)) {
        if (g_str_has_prefix(icon, "title-")) g_remove(GCharPtr(g_build_filename(folder.get(), icon, nullptr)).get());
      }
      g_dir_close(icons);
    }
    g_rmdir(folder.get());
  }
  g_dir_close(entries);
}

// The session's runtime folder, emptied at logout; where there is none or it cannot be
// written, the cache folder, then the temporary one. Where none can be written, that is
// said: hosts that show only icons then show the item empty.
std::string makeIconDirectory() {
  int failure = 0;
  for (const char* parent : {g_get_user_runtime_dir(), g_get_user_cache_dir(), g_get_tmp_dir()}) {
    removeFoldersOfProcessesGone(parent);
    const std::string name = std::string(iconFolderPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    const GCharPtr directory(g_build_filename(parent, name.c_str(), nullptr));
    if (g_mkdtemp_full(directory.get(), 0700) != nullptr) return directory.get();
    failure = errno;
  }
  base::writeLogLine(std::string("no folder for the item's icons in the runtime, cache or temporary folder (") +
                     g_strerror(failure) + "); hosts that show only icons show the item without its title");
  return {};
}

}  // namespace

double TrayStatusButton::frameWidth() const {
  if (width_) return *width_;
  if (auto known = widths_.find(title_); known != widths_.end()) return *(width_ = known->second);
  width_ = titleWidth(app_.pointsContext(), title_, titleSize_, app_.look());
  if (widths_.size() >= 256) widths_.clear();
  widths_.emplace(title_, *width_);
  return *width_;
}

void TrayStatusButton::setAttributedTitle(model::StyledText title) {
  title_ = gtkText(model::plainText(title));
  if (!title.empty()) titleSize_ = title.front().font.size;
  width_.reset();
  app_.scheduleRefresh();
}

void TrayStatusButton::setToolTip(const std::string& toolTip) {
  toolTip_ = gtkText(toolTip);
  app_indicator_set_title(indicator_, toolTip_.c_str());
}

void TrayStatusButton::performClick() {
  if (menu_ != nullptr) menu_->popUpAndWait();
}

TrayStatusItem::TrayStatusItem(TrayApplication& app)
    : app_(app),
      indicator_(APP_INDICATOR(g_object_new(watched_indicator_get_type(), "id", "kestrelwick-indicator", "category",
                                            "ApplicationStatus", "icon-name", "", nullptr))),
      button_(app, indicator_.get()) {
  iconDirectory_ = makeIconDirectory();
  watchTrayHost(indicator_.get());
}

TrayStatusItem::~TrayStatusItem() {
  app_.forget(this);
  takeDown();
}

// The files first: with the display gone, hiding the item may end the process.
void TrayStatusItem::takeDown() {
  for (const std::string& icon : icons_) g_remove(icon.c_str());
  icons_.clear();
  if (!iconDirectory_.empty()) g_rmdir(std::exchange(iconDirectory_, std::string()).c_str());
  app_indicator_set_status(indicator_.get(), APP_INDICATOR_STATUS_PASSIVE);
}

void TrayStatusItem::setMenu(Menu& menu) {
  button_.menu_ = app_.madeHere(menu);
  if (button_.menu_ == nullptr) return;
  app_indicator_set_menu(indicator_.get(), button_.menu_->exportedWidget());
  DbusmenuServer* server = nullptr;
  g_object_get(indicator_.get(), "dbus-menu-server", &server, nullptr);
  if (server != nullptr) {
    DbusmenuMenuitem* root = nullptr;
    g_object_get(server, DBUSMENU_SERVER_PROP_ROOT_NODE, &root, nullptr);
    button_.menu_->watchHost(root);
    if (root != nullptr) g_object_unref(root);
    g_object_unref(server);
  }
  // An indicator is shown only once it has a menu.
  app_indicator_set_status(indicator_.get(), APP_INDICATOR_STATUS_ACTIVE);
}

// Where the host shows the label, the icon stays blank (a hairline, so that it takes no
// room): the title is shown once, as text, as macOS shows it. Elsewhere the title is
// drawn into the icon.
void TrayStatusItem::refresh(const Look& look, bool lookChanged) {
  if (lookChanged) button_.widths_.clear();
  const std::string& text = button_.title_;
  // The same title again draws nothing: a new icon makes every host reload it.
  if (!lookChanged && text == shownText_) return;
  shownText_ = text;
  app_indicator_set_label(indicator_.get(), text.c_str(), text.c_str());
  // Hosts that show no label (KDE Plasma) show the tooltip: the status leads it.
  const std::string toolTip = text + " \xC2\xB7 " + button_.toolTip_;
  app_indicator_set_title(indicator_.get(), toolTip.c_str());
  if (iconDirectory_.empty()) return;
  if (!app_.desktop().showsLabel) {
    if (const CairoSurfacePtr icon = drawTitle(text, button_.titleSize_, look)) publishIcon(icon.get());
  } else if (icons_.empty()) {
    const CairoSurfacePtr blank(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 16));
    publishIcon(blank.get());
  }
}

// Hosts cache icons by name, so every title gets a new file; the one before stays for a
// host that is still loading it. The icon has no description of its own: XFCE would add
// it to the tooltip, under the title that already leads with the same text.
void TrayStatusItem::publishIcon(cairo_surface_t* icon) {
  const std::string path = iconDirectory_ + "/title-" + std::to_string(++iconSerial_) + ".png";
  if (cairo_surface_write_to_png(icon, path.c_str()) != CAIRO_STATUS_SUCCESS) return;
  app_indicator_set_icon_full(indicator_.get(), path.c_str(), "");
  icons_.push_back(path);
  while (icons_.size() > 2) {
    g_remove(icons_.front().c_str());
    icons_.erase(icons_.begin());
  }
}

}  // namespace platform
