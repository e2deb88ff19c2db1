#include "platform/gtk/menu.h"

#include <gdk/gdkwayland.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

#include "model/row_meaning.h"
#include "platform/gtk/application.h"
#include "platform/gtk/drawing.h"

namespace platform {
namespace {

// The smallest monitor's work area: the host's menu drops on one of them, and none scrolls
// a menu taller than its screen.
[[nodiscard]] int screenHeight() {
  GdkDisplay* display = gdk_display_get_default();
  int height = G_MAXINT;
  for (int index = 0; index < gdk_display_get_n_monitors(display); ++index) {
    GdkRectangle area;
    gdk_monitor_get_workarea(gdk_display_get_monitor(display, index), &area);
    height = std::min(height, area.height);
  }
  return height;
}

// Widgets are made anew for every report; the host is told of the new layout once.
void removeChildren(GtkMenu* menu) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* child = children; child != nullptr; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
  g_list_free(children);
}

}  // namespace

TrayMenu::TrayMenu(TrayApplication& app)
    : app_(app),
      menu_(GTK_MENU(g_object_ref_sink(gtk_menu_new()))),
      exported_(GTK_MENU(g_object_ref_sink(gtk_menu_new()))),
      accelerators_(gtk_accel_group_new()),
      hostMenu_(app.desktop()) {
  gtk_menu_set_accel_group(menu_.get(), accelerators_.get());
  // A popped-up menu has no window whose accelerators would take the shortcuts it shows.
  g_signal_connect(menu_.get(), "key-press-event", G_CALLBACK(keyPressed), this);
}

TrayMenu::~TrayMenu() {
  if (hostMenuTimeLimit_ != 0) g_source_remove(hostMenuTimeLimit_);
  for (gulong handler : hostHandlers_) g_signal_handler_disconnect(hostRoot_.get(), handler);
  app_.forget(this);
}

void TrayMenu::watchHost(DbusmenuMenuitem* root) {
  if (root == nullptr || hostRoot_) return;
  hostRoot_ = GObjectPtr<DbusmenuMenuitem>(DBUSMENU_MENUITEM(g_object_ref(root)));
  hostHandlers_ = {g_signal_connect(root, DBUSMENU_MENUITEM_SIGNAL_EVENT, G_CALLBACK(hostEvent), this),
                   g_signal_connect(root, DBUSMENU_MENUITEM_SIGNAL_ABOUT_TO_SHOW, G_CALLBACK(hostAboutToShow), this)};
}

void TrayMenu::removeAllItems() {
  entries_.items.clear();
  entries_.targets.clear();
  changed_ = true;
  app_.scheduleRefresh();
}

void TrayMenu::addItem(const model::MenuItem& item, MenuTarget& target) {
  entries_.items.emplace_back(item);
  entries_.targets.push_back(&target);
  changed_ = true;
  app_.scheduleRefresh();
}

GtkWidget* TrayMenu::makeWidget(const model::MenuItem& item, const Look& look) {
  GtkWidget* widget = gtk_menu_item_new_with_label("");
  GtkLabel* label = GTK_LABEL(gtk_bin_get_child(GTK_BIN(widget)));
  // Underscores stay text: no mnemonics.
  gtk_label_set_use_underline(label, FALSE);
  if (item.attributedTitle) {
    gtk_label_set_markup(label, pangoMarkup(*item.attributedTitle, look.appearance, look.families).c_str());
  } else {
    gtk_label_set_text(label, displayText(item.title).c_str());
  }
  // The shortcut works only while this menu has the keyboard, so only this menu shows it.
  if (item.keyEquivalent.size() == 1) {
    const guint key = gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0]));
    gtk_widget_add_accelerator(widget, "activate", accelerators_.get(), key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
  }
  return widget;
}

void TrayMenu::connect(GtkWidget* widget, const model::MenuItem& item, size_t index, bool exported) {
  if (item.toolTip) gtk_widget_set_tooltip_text(widget, displayText(*item.toolTip).c_str());
  // A screen reader would spell the bar out character by character; the export carries the
  // name as the item's accessible description.
  if (const auto name = model::accessibleName(item)) {
    atk_object_set_name(gtk_widget_get_accessible(widget), displayText(*name).c_str());
  }
  gtk_widget_set_sensitive(widget, item.enabled);
  if (item.action != model::MenuAction::none) {
    g_object_set_data(G_OBJECT(widget), "indicator-entry", GSIZE_TO_POINTER(index));
    g_object_set_data(G_OBJECT(widget), "indicator-exported", GINT_TO_POINTER(exported));
    g_signal_connect(widget, "activate", G_CALLBACK(activated), this);
  }
  gtk_widget_show(widget);
}

void TrayMenu::rebuildOwn(const Look& look) {
  removeChildren(menu_.get());
  for (size_t index = 0; index < shown_->items.size(); ++index) {
    const model::MenuItem& item = shown_->items[index].item();
    GtkWidget* widget = item.isSeparator ? gtk_separator_menu_item_new() : makeWidget(item, look);
    connect(widget, item, index, false);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_.get()), widget);
  }
}

void TrayMenu::refresh(const Look& look, bool lookChanged) {
  if (!changed_ && !lookChanged) return;
  changed_ = false;
  shown_ = std::make_shared<const Entries>(entries_);
  rebuildOwn(look);
  exportedPending_ = true;
  refreshExported();
}

// The title changes at once; the host's menu may wait until it closes.
void TrayMenu::refreshExported() {
  if (!exportedPending_) return;
  tray::HostMenu items = tray::hostMenu(shown_->items, app_.desktop(), screenHeight());
  if (!tray::sentNow(items, exportedItems_, hostMenu_.state(std::chrono::steady_clock::now()))) return;
  exportedPending_ = false;
  exportedShown_ = shown_;
  exportedItems_ = std::move(items);
  removeChildren(exported_.get());
  GtkMenuShell* into = GTK_MENU_SHELL(exported_.get());
  for (size_t index = 0; index < exportedShown_->items.size(); ++index) {
    const model::MenuItem& item = exportedShown_->items[index].item();
    const tray::HostItem& hostItem = exportedItems_[index];
    const std::string text = displayText(hostItem.text);
    GtkWidget* widget = nullptr;
    if (hostItem.kind == tray::HostItem::Kind::separator) {
      widget = gtk_separator_menu_item_new();
      into = GTK_MENU_SHELL(exported_.get());  // a section ends with its separator
    } else if (hostItem.kind == tray::HostItem::Kind::row) {
      // An image menu item is the one kind whose image the menu's export carries.
      G_GNUC_BEGIN_IGNORE_DEPRECATIONS
      widget = gtk_image_menu_item_new_with_label(text.c_str());
      const auto bar = drawBar(item.row->bar, item.row->tone, app_.look());
      gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widget), gtk_image_new_from_pixbuf(bar.get()));
      gtk_image_menu_item_set_always_show_image(GTK_IMAGE_MENU_ITEM(widget), TRUE);
      G_GNUC_END_IGNORE_DEPRECATIONS
    } else {
      widget = gtk_menu_item_new_with_label(text.c_str());
    }
    connect(widget, item, index, true);
    gtk_menu_shell_append(into, widget);
    if (hostItem.kind == tray::HostItem::Kind::foldedSection) {
      GtkWidget* rows = gtk_menu_new();
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), rows);
      gtk_widget_set_sensitive(widget, TRUE);
      into = GTK_MENU_SHELL(rows);
    }
  }
}

// Past the desktop's time limit the host's menu is taken as closed, and what waits is shown.
void TrayMenu::hostMenuOpening() {
  hostMenu_.opening(std::chrono::steady_clock::now());
  if (hostMenuTimeLimit_ != 0) g_source_remove(hostMenuTimeLimit_);
  const auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(app_.desktop().assumedOpenFor);
  hostMenuTimeLimit_ = g_timeout_add(static_cast<guint>(limit.count()), [](gpointer data) -> gboolean {
    auto* menu = static_cast<TrayMenu*>(data);
    menu->hostMenuTimeLimit_ = 0;
    callFromPlatform([menu] { menu->hostMenuClosed(); });
    return G_SOURCE_REMOVE;
  }, this);
}

void TrayMenu::hostMenuClosed() {
  if (hostMenuTimeLimit_ != 0) g_source_remove(std::exchange(hostMenuTimeLimit_, 0));
  hostMenu_.closed();
  refreshExported();
}

gboolean TrayMenu::hostEvent(DbusmenuMenuitem*, const gchar* name, GVariant*, guint, TrayMenu* self) {
  const bool opened = g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0;
  callFromPlatform([&] {
    const bool closed = g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_CLOSED) == 0;
    if (closed || (opened && self->hostMenu_.opensAnew(std::chrono::steady_clock::now()))) self->hostMenuClosed();
    if (opened) self->hostMenuOpening();
  });
  return FALSE;
}

// Nothing waiting is shown as the host asks: it would open the menu it has and then
// receive the new one.
gboolean TrayMenu::hostAboutToShow(DbusmenuMenuitem*, TrayMenu* self) {
  callFromPlatform([self] { self->hostMenuOpening(); });
  return FALSE;
}

void TrayMenu::activated(GtkMenuItem* widget, TrayMenu* self) {
  callFromPlatform([&] { self->activate(widget); });
}

void TrayMenu::activate(GtkMenuItem* widget) {
  const size_t index = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), "indicator-entry"));
  // Held while the action runs, whatever it leads the menus to show next.
  const std::shared_ptr<const Entries> entries =
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "indicator-exported")) != 0 ? exportedShown_ : shown_;
  if (index >= entries->items.size()) return;
  choice_.choose(entries->items[index].item().action, *entries->targets[index]);
}

gboolean TrayMenu::keyPressed(GtkWidget*, GdkEventKey* event, TrayMenu* self) {
  if ((event->state & gtk_accelerator_get_default_mod_mask()) != GDK_CONTROL_MASK) return FALSE;
  const guint key = gdk_keyval_to_lower(event->keyval);
  for (size_t index = 0; index < self->shown_->items.size(); ++index) {
    const model::MenuItem& item = self->shown_->items[index].item();
    if (item.keyEquivalent.size() != 1 || !item.enabled) continue;
    if (gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0])) != key) continue;
    self->choice_.choose(item.action, *self->shown_->targets[index]);
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(self->menu_.get()));
    return TRUE;
  }
  return FALSE;
}

void TrayMenu::popUpAndWait() {
  app_.refreshNow();
  GdkDisplay* display = gdk_display_get_default();
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkScreen* screen = nullptr;
  GdkRectangle at{0, 0, 1, 1};
  gdk_device_get_position(pointer, &screen, &at.x, &at.y);
  // Called from a timer there is no event to pop up from, and popping up at the pointer
  // without one fails: the menu is placed against the root window instead.
  GdkWindow* root = gdk_screen_get_root_window(screen != nullptr ? screen : gdk_screen_get_default());

  const GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  const gulong handler = g_signal_connect_swapped(menu_.get(), "deactivate", G_CALLBACK(g_main_loop_quit), loop.get());
  // Under Wayland, with no window of the indicator's to pop up from, the menu is a window of
  // its own: a click elsewhere takes only the keyboard from it, and that closes it.
  GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(menu_.get()));
  const gulong focusHandler = GDK_IS_WAYLAND_DISPLAY(display) ? g_signal_connect(window, "focus-out-event",
                                                                                 G_CALLBACK(focusLeft), this)
                                                              : 0;
  choice_.opened();
  gtk_menu_popup_at_rect(menu_.get(), root, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  // A menu that could not grab the pointer never shows, and never deactivates.
  if (gtk_widget_get_visible(GTK_WIDGET(menu_.get()))) g_main_loop_run(loop.get());
  if (focusHandler != 0) g_signal_handler_disconnect(window, focusHandler);
  g_signal_handler_disconnect(menu_.get(), handler);
  choice_.closed();
}

gboolean TrayMenu::focusLeft(GtkWidget*, GdkEvent*, TrayMenu* self) {
  gtk_menu_shell_deactivate(GTK_MENU_SHELL(self->menu_.get()));
  return FALSE;
}

void TrayMenu::popDown() {
  if (choice_.isOpen()) gtk_menu_popdown(menu_.get());
}

}  // namespace platform
