#include "platform/gtk/menu.h"

#include <gdk/gdkwayland.h>

#include <algorithm>
#include <string>
#include <utility>

#include "model/row_meaning.h"
#include "platform/gtk/application.h"
#include "platform/gtk/drawing.h"
#include "platform/gtk/pointer_grab.h"

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

// Rows whose images one idle turn of the loop sets.
constexpr size_t barsAtOnce = 16;

// A new layout's widgets are made anew, and the host is told of it once.
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
      accelerators_(gtk_accel_group_new()) {
  gtk_menu_set_accel_group(menu_.get(), accelerators_.get());
  // A popped-up menu has no window whose accelerators would take the shortcuts it shows.
  g_signal_connect(menu_.get(), "key-press-event", G_CALLBACK(keyPressed), this);
}

TrayMenu::~TrayMenu() {
  if (barsSource_ != 0) g_source_remove(barsSource_);
  if (hostMenuClosing_ != 0) g_source_remove(hostMenuClosing_);
  if (layoutTimer_ != 0) g_source_remove(layoutTimer_);
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
    gtk_label_set_text(label, gtkText(item.title).c_str());
  }
  // The shortcut works only while this menu has the keyboard, so only this menu shows it.
  if (item.keyEquivalent.size() == 1) {
    const guint key = gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0]));
    gtk_widget_add_accelerator(widget, "activate", accelerators_.get(), key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
  }
  return widget;
}

void TrayMenu::connect(GtkWidget* widget, const model::MenuItem& item, size_t index, bool exported) {
  if (item.toolTip) gtk_widget_set_tooltip_text(widget, gtkText(*item.toolTip).c_str());
  // A screen reader would spell the bar out character by character; the export carries the
  // name as the item's accessible description.
  if (const auto name = model::accessibleName(item)) {
    atk_object_set_name(gtk_widget_get_accessible(widget), gtkText(*name).c_str());
  }
  gtk_widget_set_sensitive(widget, item.enabled);
  if (item.action != model::MenuAction::none) {
    g_object_set_data(G_OBJECT(widget), "indicator-entry", GSIZE_TO_POINTER(index));
    g_object_set_data(G_OBJECT(widget), "indicator-exported", GINT_TO_POINTER(exported));
    g_signal_connect(widget, "activate", G_CALLBACK(activated), this);
  }
  gtk_widget_show(widget);
}

void TrayMenu::buildOwn(const Look& look) {
  removeChildren(menu_.get());
  ownShown_ = shown_;
  ownBuilt_ = true;
  for (size_t index = 0; index < ownShown_->items.size(); ++index) {
    const model::MenuItem& item = ownShown_->items[index].item();
    GtkWidget* widget = item.isSeparator ? gtk_separator_menu_item_new() : makeWidget(item, look);
    connect(widget, item, index, false);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_.get()), widget);
  }
}

// The own menu is built as it pops up: on a host's desktop it never does.
void TrayMenu::refresh(const Look& look, bool lookChanged) {
  if (!changed_ && !lookChanged) return;
  changed_ = false;
  shown_ = std::make_shared<const Entries>(entries_);
  ownBuilt_ = false;
  if (choice_.isOpen()) buildOwn(look);
  exportedImagesStale_ = exportedImagesStale_ || lookChanged;
  exportedPending_ = true;
  refreshExported(hostMenuState());
}

tray::HostMenuState TrayMenu::hostMenuState() {
  if (hostMenuIsOpen()) return tray::HostMenuState::open;
  return g_get_monotonic_time() < nextLayoutAt_ ? tray::HostMenuState::settling : tray::HostMenuState::closed;
}

// A host that never says that it closed its menu (XFCE's) has it open while its popup
// holds the pointer grab that every X11 menu takes. The grab comes a moment after the host
// asks for the menu; a menu whose grab has not come within a second did not open.
bool TrayMenu::hostMenuIsOpen() {
  if (!hostMenuOpen_ || app_.desktop().saysMenuClosed) return hostMenuOpen_;
  if (pointerGrabbedElsewhere()) {
    hostMenuGrabbed_ = true;
  } else if (hostMenuGrabbed_ || g_get_monotonic_time() > hostMenuOpenedAt_ + G_USEC_PER_SEC) {
    hostMenuOpen_ = false;
  }
  return hostMenuOpen_;
}

// While a report waits for such a host's menu to close, the grab is looked at four times
// a second; nothing is done while nothing waits. A report sent in place meanwhile leaves
// nothing waiting, and says nothing of whether the menu is still open.
void TrayMenu::watchForHostMenuClosing() {
  if (app_.desktop().saysMenuClosed || hostMenuClosing_ != 0) return;
  hostMenuClosing_ = g_timeout_add(250, [](gpointer data) -> gboolean {
    auto* menu = static_cast<TrayMenu*>(data);
    const bool waits = menu->exportedPending_;
    if (waits && menu->hostMenuIsOpen()) return G_SOURCE_CONTINUE;
    menu->hostMenuClosing_ = 0;
    if (waits) callFromPlatform([menu] { menu->hostMenuClosed(); });
    return G_SOURCE_REMOVE;
  }, this);
}

// A layout held back while the host's menu settles is sent as the interval ends.
void TrayMenu::sendLayoutWhenSettled() {
  if (layoutTimer_ != 0) return;
  const gint64 wait = std::max<gint64>(nextLayoutAt_ - g_get_monotonic_time(), 0) / G_TIME_SPAN_MILLISECOND + 1;
  layoutTimer_ = g_timeout_add(static_cast<guint>(wait), [](gpointer data) -> gboolean {
    auto* menu = static_cast<TrayMenu*>(data);
    menu->layoutTimer_ = 0;
    callFromPlatform([menu] { menu->refreshExported(menu->hostMenuState()); });
    return G_SOURCE_REMOVE;
  }, this);
}

void TrayMenu::refreshExported(tray::HostMenuState state) {
  if (!exportedPending_) return;
  tray::HostMenu next = tray::hostMenu(shown_->items, app_.desktop(), screenHeight(),
                                       gtk_widget_get_default_direction() == GTK_TEXT_DIR_RTL);
  const tray::HostUpdate update = tray::hostUpdate(next, exportedItems_, state);
  if (update == tray::HostUpdate::held) {
    if (state == tray::HostMenuState::settling) sendLayoutWhenSettled();
    else watchForHostMenuClosing();
    return;
  }
  exportedPending_ = false;
  const std::shared_ptr<const Entries> before = std::exchange(exportedShown_, shown_);
  if (update == tray::HostUpdate::inPlace) {
    updateExported(*before, next);
  } else {
    buildExported(next);
    nextLayoutAt_ = g_get_monotonic_time() + std::chrono::microseconds(tray::layoutInterval).count();
  }
  exportedItems_ = std::move(next);
  exportedImagesStale_ = false;
}

// An image menu item is the one kind whose image the menu's export carries.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS
// A bar that is no fill has no image: its text is in the row's.
void TrayMenu::setBar(GtkWidget* widget, std::optional<double> fill, model::Tone tone) {
  GtkWidget* image = fill ? gtk_image_new_from_pixbuf(drawBar(*fill, tone, app_.look()).get()) : nullptr;
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widget), image);
  gtk_image_menu_item_set_always_show_image(GTK_IMAGE_MENU_ITEM(widget), TRUE);
}

void TrayMenu::buildExported(const tray::HostMenu& next) {
  removeChildren(exported_.get());
  exportedWidgets_.clear();
  barsDrawn_ = 0;
  if (barsSource_ == 0) {
    barsSource_ = g_idle_add([](gpointer data) -> gboolean {
      auto* menu = static_cast<TrayMenu*>(data);
      callFromPlatform([menu] { menu->drawBars(barsAtOnce); });
      if (menu->barsDrawn_ < menu->exportedWidgets_.size()) return G_SOURCE_CONTINUE;
      menu->barsSource_ = 0;
      return G_SOURCE_REMOVE;
    }, this);
  }
  GtkMenuShell* into = GTK_MENU_SHELL(exported_.get());
  for (size_t index = 0; index < next.size(); ++index) {
    const model::MenuItem& item = exportedShown_->items[index].item();
    const tray::HostItem& hostItem = next[index];
    GtkWidget* widget = nullptr;
    if (hostItem.kind == tray::HostItem::Kind::separator) {
      widget = gtk_separator_menu_item_new();
      into = GTK_MENU_SHELL(exported_.get());  // a section ends with its separator
    } else if (hostItem.kind == tray::HostItem::Kind::row) {
      widget = gtk_image_menu_item_new_with_label(gtkText(hostItem.text).c_str());
    } else {
      widget = gtk_menu_item_new_with_label(gtkText(hostItem.text).c_str());
    }
    connect(widget, item, index, true);
    gtk_menu_shell_append(into, widget);
    exportedWidgets_.push_back(widget);
    if (hostItem.kind == tray::HostItem::Kind::foldedSection) {
      GtkWidget* rows = gtk_menu_new();
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), rows);
      gtk_widget_set_sensitive(widget, TRUE);
      into = GTK_MENU_SHELL(rows);
    }
  }
}
G_GNUC_END_IGNORE_DEPRECATIONS

// Each bar's image costs the export an encoding, so a new layout's are set a few at a
// time while the loop is idle, never holding it long, and all at once as the host opens
// the menu.
void TrayMenu::drawBars(size_t count) {
  for (; barsDrawn_ < exportedWidgets_.size() && count > 0; ++barsDrawn_) {
    const tray::HostItem& hostItem = exportedItems_[barsDrawn_];
    if (hostItem.kind != tray::HostItem::Kind::row) continue;
    setBar(exportedWidgets_[barsDrawn_], hostItem.fill, exportedShown_->items[barsDrawn_].item().row->tone);
    --count;
  }
}

// Only what changed is set: the export sends the host each property that a widget's
// notification names, and the host redraws that item alone.
void TrayMenu::updateExported(const Entries& before, const tray::HostMenu& next) {
  for (size_t index = 0; index < next.size(); ++index) {
    const model::MenuItem& was = before.items[index].item();
    const model::MenuItem& item = exportedShown_->items[index].item();
    GtkWidget* widget = exportedWidgets_[index];
    if (next[index].kind == tray::HostItem::Kind::separator) continue;
    if (next[index].text != exportedItems_[index].text) {
      gtk_menu_item_set_label(GTK_MENU_ITEM(widget), gtkText(next[index].text).c_str());
    }
    // The same fill and tone draw the same image, which is not sent again; a bar not drawn
    // yet is drawn as it stands now.
    const bool barChanged = next[index].fill != exportedItems_[index].fill || item.row->tone != was.row->tone;
    if (item.row && index < barsDrawn_ && (exportedImagesStale_ || barChanged)) {
      setBar(widget, next[index].fill, item.row->tone);
    }
    if (item.toolTip != was.toolTip) {
      gtk_widget_set_tooltip_text(widget, item.toolTip ? gtkText(*item.toolTip).c_str() : nullptr);
    }
    if (const auto name = model::accessibleName(item); name != model::accessibleName(was)) {
      atk_object_set_name(gtk_widget_get_accessible(widget), gtkText(name.value_or("")).c_str());
    }
    if (next[index].kind != tray::HostItem::Kind::foldedSection && item.enabled != was.enabled) {
      gtk_widget_set_sensitive(widget, item.enabled);
    }
  }
}

// Whatever waits is sent as the host opens its menu, which then shows the latest report,
// whether or not the host said that it closed the menu before; a host that would draw it
// out of place keeps what it has, at most a layout interval old, until the menu closes.
void TrayMenu::hostMenuOpening() {
  hostMenuOpen_ = true;
  hostMenuGrabbed_ = false;
  hostMenuOpenedAt_ = g_get_monotonic_time();
  app_.refreshNow();
  refreshExported(app_.desktop().takesLayoutAsItOpens ? tray::HostMenuState::opening : tray::HostMenuState::open);
  drawBars(exportedWidgets_.size());
}

void TrayMenu::hostMenuClosed() {
  hostMenuOpen_ = false;
  refreshExported(tray::HostMenuState::closed);
}

gboolean TrayMenu::hostEvent(DbusmenuMenuitem*, const gchar* name, GVariant*, guint, TrayMenu* self) {
  callFromPlatform([&] {
    if (g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0) self->hostMenuOpening();
    if (g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_CLOSED) == 0) self->hostMenuClosed();
  });
  return FALSE;
}

// Every host asks for the menu as it opens it, and XFCE says nothing else.
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
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "indicator-exported")) != 0 ? exportedShown_ : ownShown_;
  if (index >= entries->items.size()) return;
  choice_.choose(entries->items[index].item().action, *entries->targets[index]);
}

gboolean TrayMenu::keyPressed(GtkWidget*, GdkEventKey* event, TrayMenu* self) {
  if ((event->state & gtk_accelerator_get_default_mod_mask()) != GDK_CONTROL_MASK) return FALSE;
  const guint key = gdk_keyval_to_lower(event->keyval);
  for (size_t index = 0; index < self->ownShown_->items.size(); ++index) {
    const model::MenuItem& item = self->ownShown_->items[index].item();
    if (item.keyEquivalent.size() != 1 || !item.enabled) continue;
    if (gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0])) != key) continue;
    self->choice_.choose(item.action, *self->ownShown_->targets[index]);
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(self->menu_.get()));
    return TRUE;
  }
  return FALSE;
}

void TrayMenu::popUpAndWait() {
  app_.refreshNow();
  if (!ownBuilt_) buildOwn(app_.look());
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
  // its own: a click elsewhere takes only the keyboard from it, and that closes it. As it
  // maps, before it ever had the keyboard, GNOME and KWin tell it that it has none: only a
  // loss after a gain counts.
  GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(menu_.get()));
  std::vector<gulong> focusHandlers;
  menuHadKeyboard_ = false;
  if (GDK_IS_WAYLAND_DISPLAY(display)) {
    focusHandlers = {g_signal_connect(window, "focus-in-event", G_CALLBACK(focusCame), this),
                     g_signal_connect(window, "focus-out-event", G_CALLBACK(focusLeft), this)};
  }
  choice_.opened();
  gtk_menu_popup_at_rect(menu_.get(), root, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  // A menu that could not grab the pointer never shows, and never deactivates.
  if (gtk_widget_get_visible(GTK_WIDGET(menu_.get()))) g_main_loop_run(loop.get());
  for (gulong focusHandler : focusHandlers) g_signal_handler_disconnect(window, focusHandler);
  g_signal_handler_disconnect(menu_.get(), handler);
  choice_.closed();
}

gboolean TrayMenu::focusCame(GtkWidget*, GdkEvent*, TrayMenu* self) {
  self->menuHadKeyboard_ = true;
  return FALSE;
}

gboolean TrayMenu::focusLeft(GtkWidget*, GdkEvent*, TrayMenu* self) {
  if (self->menuHadKeyboard_) gtk_menu_shell_deactivate(GTK_MENU_SHELL(self->menu_.get()));
  return FALSE;
}

void TrayMenu::popDown() {
  if (choice_.isOpen()) gtk_menu_popdown(menu_.get());
}

}  // namespace platform
