#include "platform/gtk/menu.h"

#include <gdk/gdkwayland.h>

#include <algorithm>
#include <string>
#include <cstddef>
#include <string_view>
#include <utility>

#include "base/text.h"
#include "base/utf8.h"
#include "model/row_meaning.h"
#include "platform/gtk/application.h"
#include "platform/gtk/drawing.h"

namespace platform {
namespace {

// U+2007 FIGURE SPACE: as wide as a digit, where a narrow space would put a column out of line.
constexpr std::string_view figureSpace = "\u2007";
// What a host's menu gives an item, a separator and its own frame, at most among the hosts
// we know (GNOME Shell's items are the tallest).
constexpr int hostItemHeight = 36;
constexpr int hostSeparatorHeight = 13;
constexpr int hostMenuFrame = 64;
// How long a host's menu is taken to stay open: XFCE never says that it closed it.
constexpr guint hostMenuOpenSeconds = 20;
// A host's ask and "opened" this close together are one opening of its menu.
constexpr gint64 oneOpeningUs = 2 * G_USEC_PER_SEC;

[[nodiscard]] bool isSectionHeader(const model::MenuItem& item) {
  return !item.isSeparator && !item.row && !item.enabled;
}

// A row in the host's proportional font: its value first, beside the bar, then label and
// detail. The producer's padding spaces would only push fields out of line there; values
// are right-aligned to the section's widest in figure spaces instead, so that the labels of
// a section start together.
[[nodiscard]] std::string hostRowText(const model::RowFields& row, size_t valueWidth) {
  std::string text;
  const std::string_view value = base::trimmedSpaces(row.value);
  for (size_t width = base::utf8::codePoints(value); width < valueWidth; ++width) text += figureSpace;
  text += value;
  for (std::string_view field : {row.label, row.detail}) {
    field = base::trimmedSpaces(field);
    if (field.empty()) continue;
    if (!text.empty()) text += "  ";
    text += field;
  }
  return base::visible(text, base::ShownOn::toolkit, maxDisplayedCodePoints);
}

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
      accelerators_(gtk_accel_group_new()) {
  gtk_menu_set_accel_group(menu_.get(), accelerators_.get());
  // A popped-up menu has no window whose accelerators would take the shortcuts it shows.
  g_signal_connect(menu_.get(), "key-press-event", G_CALLBACK(keyPressed), this);
}

TrayMenu::~TrayMenu() {
  if (hostMenuTimeout_ != 0) g_source_remove(hostMenuTimeout_);
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
  entries_.clear();
  changed_ = true;
  app_.scheduleRefresh();
}

void TrayMenu::addItem(const model::MenuItem& item, MenuTarget& target) {
  entries_.push_back({model::KeptMenuItem(item), &target});
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
    gtk_label_set_text(label, base::visible(item.title, base::ShownOn::toolkit, maxDisplayedCodePoints).c_str());
  }
  // The shortcut works only while this menu has the keyboard, so only this menu shows it.
  if (item.keyEquivalent.size() == 1) {
    const guint key = gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0]));
    gtk_widget_add_accelerator(widget, "activate", accelerators_.get(), key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
  }
  return widget;
}

void TrayMenu::connect(GtkWidget* widget, const model::MenuItem& item, size_t index, bool exported) {
  if (item.toolTip) gtk_widget_set_tooltip_text(widget, base::visible(*item.toolTip, base::ShownOn::toolkit, maxDisplayedCodePoints).c_str());
  // A screen reader would spell the bar out character by character; the export carries the
  // name as the item's accessible description.
  if (const auto name = model::accessibleName(item)) {
    atk_object_set_name(gtk_widget_get_accessible(widget), base::visible(*name, base::ShownOn::toolkit, maxDisplayedCodePoints).c_str());
  }
  gtk_widget_set_sensitive(widget, item.enabled);
  if (item.action != model::MenuAction::none) {
    g_object_set_data(G_OBJECT(widget), "indicator-entry", GSIZE_TO_POINTER(index));
    g_object_set_data(G_OBJECT(widget), "indicator-exported", GINT_TO_POINTER(exported));
    g_signal_connect(widget, "activate", G_CALLBACK(activated), this);
  }
  gtk_widget_show(widget);
}

// Sections become submenus once the whole menu would pass the screen's height: their
// headers open them, and the commands stay in reach.
std::vector<TrayMenu::HostItem> TrayMenu::hostItems(const Entries& entries) {
  int height = hostMenuFrame;
  for (const Entry& entry : entries) height += entry.kept.item().isSeparator ? hostSeparatorHeight : hostItemHeight;
  const bool fold = height > screenHeight();
  // A section's rows line their values up with its widest.
  std::vector<size_t> valueWidths(entries.size());
  for (size_t first = 0, index = 0; index <= entries.size(); ++index) {
    if (index < entries.size() && entries[index].kept.item().row) continue;
    size_t width = 0;
    for (size_t row = first; row < index; ++row) {
      width = std::max(width, base::utf8::codePoints(base::trimmedSpaces(entries[row].kept.item().row->value)));
    }
    std::fill(valueWidths.begin() + static_cast<std::ptrdiff_t>(first), valueWidths.begin() + static_cast<std::ptrdiff_t>(index), width);
    first = index + 1;
  }
  std::vector<HostItem> items;
  for (size_t index = 0; index < entries.size(); ++index) {
    const model::MenuItem& item = entries[index].kept.item();
    if (item.isSeparator) {
      items.push_back({HostItem::Kind::separator, {}});
    } else if (item.row) {
      items.push_back({HostItem::Kind::row, hostRowText(*item.row, valueWidths[index])});
    } else {
      const bool opensRows = index + 1 < entries.size() && entries[index + 1].kept.item().row;
      items.push_back({fold && isSectionHeader(item) && opensRows ? HostItem::Kind::foldedSection : HostItem::Kind::other,
                       base::visible(item.title, base::ShownOn::toolkit, maxDisplayedCodePoints)});
    }
  }
  return items;
}

void TrayMenu::rebuildOwn(const Look& look) {
  removeChildren(menu_.get());
  for (size_t index = 0; index < shown_->size(); ++index) {
    const model::MenuItem& item = (*shown_)[index].kept.item();
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

// A host keeps an open menu's size and place (XFCE cuts what grew, Plasma leaves it where
// it was), so while it is open only a report that fits the open shape is shown in it; the
// rest waits until it closes. The title changes at once all the same.
void TrayMenu::refreshExported() {
  if (!exportedPending_) return;
  std::vector<HostItem> items = hostItems(*shown_);
  const auto widest = [](const std::vector<HostItem>& of) {
    size_t width = 0;
    for (const HostItem& item : of) width = std::max(width, base::utf8::codePoints(item.label));
    return width;
  };
  const bool sameShape = std::equal(items.begin(), items.end(), exportedItems_.begin(), exportedItems_.end(),
                                    [](const HostItem& a, const HostItem& b) { return a.kind == b.kind; });
  if (hostMenuOpen_ && (!sameShape || widest(items) > widest(exportedItems_))) return;
  exportedPending_ = false;
  exportedShown_ = shown_;
  exportedItems_ = std::move(items);
  removeChildren(exported_.get());
  GtkMenuShell* into = GTK_MENU_SHELL(exported_.get());
  for (size_t index = 0; index < exportedShown_->size(); ++index) {
    const model::MenuItem& item = (*exportedShown_)[index].kept.item();
    const HostItem& hostItem = exportedItems_[index];
    GtkWidget* widget = nullptr;
    if (hostItem.kind == HostItem::Kind::separator) {
      widget = gtk_separator_menu_item_new();
      into = GTK_MENU_SHELL(exported_.get());  // a section ends with its separator
    } else if (hostItem.kind == HostItem::Kind::row) {
      // An image menu item is the one kind whose image the menu's export carries.
      G_GNUC_BEGIN_IGNORE_DEPRECATIONS
      widget = gtk_image_menu_item_new_with_label(hostItem.label.c_str());
      const auto bar = drawBar(item.row->bar, item.row->tone, app_.look());
      gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widget), gtk_image_new_from_pixbuf(bar.get()));
      gtk_image_menu_item_set_always_show_image(GTK_IMAGE_MENU_ITEM(widget), TRUE);
      G_GNUC_END_IGNORE_DEPRECATIONS
    } else {
      widget = gtk_menu_item_new_with_label(hostItem.label.c_str());
    }
    connect(widget, item, index, true);
    gtk_menu_shell_append(into, widget);
    if (hostItem.kind == HostItem::Kind::foldedSection) {
      GtkWidget* rows = gtk_menu_new();
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), rows);
      gtk_widget_set_sensitive(widget, TRUE);
      into = GTK_MENU_SHELL(rows);
    }
  }
}

void TrayMenu::takeHostMenuAsOpen() {
  if (!hostMenuOpen_) hostMenuOpenedAt_ = g_get_monotonic_time();
  hostMenuOpen_ = true;
  if (hostMenuTimeout_ != 0) g_source_remove(hostMenuTimeout_);
  hostMenuTimeout_ = g_timeout_add_seconds(hostMenuOpenSeconds, [](gpointer data) -> gboolean {
    auto* menu = static_cast<TrayMenu*>(data);
    menu->hostMenuTimeout_ = 0;
    callFromPlatform([menu] { menu->takeHostMenuAsClosed(); });
    return G_SOURCE_REMOVE;
  }, this);
}

void TrayMenu::takeHostMenuAsClosed() {
  if (hostMenuTimeout_ != 0) g_source_remove(std::exchange(hostMenuTimeout_, 0));
  hostMenuOpen_ = false;
  refreshExported();
}

// Plasma asks for the menu and says "opened" as it opens it; GNOME says "opened" and asks,
// and also asks once as it finds the item, long before. What that early ask held back is
// shown as GNOME opens the menu, which it redraws whole.
gboolean TrayMenu::hostEvent(DbusmenuMenuitem*, const gchar* name, GVariant*, guint, TrayMenu* self) {
  const bool opened = g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0;
  const bool heldLongBefore = self->hostMenuOpen_ && g_get_monotonic_time() - self->hostMenuOpenedAt_ > oneOpeningUs;
  callFromPlatform([&] {
    if (g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_CLOSED) == 0 || (opened && heldLongBefore)) self->takeHostMenuAsClosed();
    if (opened) self->takeHostMenuAsOpen();
  });
  return FALSE;
}

// A host asks as it opens the menu, and XFCE says nothing else. Nothing waiting is shown
// here: the host would open the menu it has and then receive the new one.
gboolean TrayMenu::hostAboutToShow(DbusmenuMenuitem*, TrayMenu* self) {
  self->takeHostMenuAsOpen();
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
  if (index >= entries->size()) return;
  choice_.choose((*entries)[index].kept.item().action, *(*entries)[index].target);
}

gboolean TrayMenu::keyPressed(GtkWidget*, GdkEventKey* event, TrayMenu* self) {
  if ((event->state & gtk_accelerator_get_default_mod_mask()) != GDK_CONTROL_MASK) return FALSE;
  const guint key = gdk_keyval_to_lower(event->keyval);
  for (const Entry& entry : *self->shown_) {
    const model::MenuItem& item = entry.kept.item();
    if (item.keyEquivalent.size() != 1 || !item.enabled) continue;
    if (gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0])) != key) continue;
    self->choice_.choose(item.action, *entry.target);
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
