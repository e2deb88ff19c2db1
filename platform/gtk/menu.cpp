#include "platform/gtk/menu.h"

#include <string>
#include <string_view>

#include "platform/gtk/application.h"
#include "platform/gtk/drawing.h"

namespace platform {
namespace {

[[nodiscard]] std::string_view trimmedSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A row in the host's proportional font: its value first, beside the bar, then label and
// detail. The spaces a producer pads fields with to line them up in a fixed-width font
// would only push them out of line here.
[[nodiscard]] std::string exportedRowText(const model::RowFields& row) {
  std::string text;
  for (std::string_view field : {row.value, row.label, row.detail}) {
    field = trimmedSpaces(field);
    if (field.empty()) continue;
    if (!text.empty()) text += "  ";
    text += field;
  }
  return displayText(text);
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

TrayMenu::~TrayMenu() { app_.forget(this); }

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
    gtk_label_set_text(label, displayText(item.title).c_str());
  }
  // The shortcut works only while this menu has the keyboard, so only this menu shows it.
  if (item.keyEquivalent.size() == 1) {
    const guint key = gdk_unicode_to_keyval(static_cast<unsigned char>(item.keyEquivalent[0]));
    gtk_widget_add_accelerator(widget, "activate", accelerators_.get(), key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
  }
  return widget;
}

GtkWidget* TrayMenu::makeExportedWidget(const model::MenuItem& item, const Look& look) {
  if (!item.row) return gtk_menu_item_new_with_label(displayText(item.title).c_str());
  // An image menu item is the one kind whose image the menu's export carries.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkWidget* widget = gtk_image_menu_item_new_with_label(exportedRowText(*item.row).c_str());
  const auto bar = drawBar(item.row->bar, item.row->tone, look);
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(widget), gtk_image_new_from_pixbuf(bar.get()));
  gtk_image_menu_item_set_always_show_image(GTK_IMAGE_MENU_ITEM(widget), TRUE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  return widget;
}

void TrayMenu::connect(GtkWidget* widget, const model::MenuItem& item, size_t index) {
  if (item.toolTip) gtk_widget_set_tooltip_text(widget, displayText(*item.toolTip).c_str());
  gtk_widget_set_sensitive(widget, item.enabled);
  if (item.action != model::MenuAction::none) {
    g_object_set_data(G_OBJECT(widget), "indicator-entry", GSIZE_TO_POINTER(index));
    g_signal_connect(widget, "activate", G_CALLBACK(activated), this);
  }
  gtk_widget_show(widget);
}

void TrayMenu::refresh(const Look& look, bool lookChanged) {
  if (!changed_ && !lookChanged) return;
  changed_ = false;
  shown_ = entries_;
  for (GtkMenu* menu : {menu_.get(), exported_.get()}) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* child = children; child != nullptr; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
    g_list_free(children);
  }
  for (size_t index = 0; index < shown_.size(); ++index) {
    const model::MenuItem& item = shown_[index].kept.item();
    for (GtkMenu* menu : {menu_.get(), exported_.get()}) {
      GtkWidget* widget = item.isSeparator          ? gtk_separator_menu_item_new()
                          : menu == menu_.get() ? makeWidget(item, look)
                                                : makeExportedWidget(item, look);
      connect(widget, item, index);
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
    }
  }
}

void TrayMenu::activated(GtkMenuItem* widget, TrayMenu* self) {
  const size_t index = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), "indicator-entry"));
  if (index >= self->shown_.size()) return;
  self->choice_.choose(self->shown_[index].kept.item().action, *self->shown_[index].target);
}

gboolean TrayMenu::keyPressed(GtkWidget*, GdkEventKey* event, TrayMenu* self) {
  if ((event->state & gtk_accelerator_get_default_mod_mask()) != GDK_CONTROL_MASK) return FALSE;
  const guint key = gdk_keyval_to_lower(event->keyval);
  for (const Entry& entry : self->shown_) {
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
  choice_.opened();
  gtk_menu_popup_at_rect(menu_.get(), root, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
  // A menu that could not grab the pointer never shows, and never deactivates.
  if (gtk_widget_get_visible(GTK_WIDGET(menu_.get()))) g_main_loop_run(loop.get());
  g_signal_handler_disconnect(menu_.get(), handler);
  choice_.closed();
}

void TrayMenu::popDown() {
  if (choice_.isOpen()) gtk_menu_popdown(menu_.get());
}

}  // namespace platform
