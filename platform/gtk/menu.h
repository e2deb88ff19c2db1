// The menu on the Linux desktop, twice over: a GtkMenu that GTK draws (the self-test's,
// styled as on macOS) and one exported to the panel's host, which draws it in its own font.
#pragma once

#include <gtk/gtk.h>
#include <libdbusmenu-glib/menuitem.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/glib/owned.h"
#include "platform/gtk/look.h"
#include "platform/platform.h"
#include "platform/tray/host_menu.h"

namespace platform {

class TrayApplication;

// Taken down with the widget tree under it.
inline void destroyMenu(GtkMenu* menu) {
  gtk_widget_destroy(GTK_WIDGET(menu));
  g_object_unref(menu);
}
using GtkMenuPtr = Owned<GtkMenu, destroyMenu>;

class TrayMenu final : public Menu {
 public:
  explicit TrayMenu(TrayApplication& app);
  ~TrayMenu() override;
  TrayMenu(const TrayMenu&) = delete;
  TrayMenu& operator=(const TrayMenu&) = delete;

  // GTK never enables items by itself: each keeps the state it is given.
  void setAutoenablesItems(bool) override {}
  void removeAllItems() override;
  void addItem(const model::MenuItem& item, MenuTarget& target) override;

  // What the panel's host draws: plain text in its own font, each row's bar as an image.
  [[nodiscard]] GtkMenu* exportedWidget() const { return exported_.get(); }
  // The exported menu's root, whose events say when the host's menu opens and closes.
  void watchHost(DbusmenuMenuitem* root);
  // Brings the menus up to the items, if they changed or the look did.
  void refresh(const Look& look, bool lookChanged);
  // Pops up at the pointer and returns once the menu has gone again.
  void popUpAndWait();
  void popDown();

 private:
  // The items a menu shows, kept past the report they came from, and the target of each.
  struct Entries {
    std::vector<model::KeptMenuItem> items;
    std::vector<MenuTarget*> targets;
  };
  // GTK's signal handlers: what they run goes through callFromPlatform, as GTK's frames are C.
  static void activated(GtkMenuItem* widget, TrayMenu* self);
  void activate(GtkMenuItem* widget);
  static gboolean keyPressed(GtkWidget* menu, GdkEventKey* event, TrayMenu* self);
  static gboolean focusCame(GtkWidget*, GdkEvent*, TrayMenu* self);
  static gboolean focusLeft(GtkWidget*, GdkEvent*, TrayMenu* self);
  static gboolean hostEvent(DbusmenuMenuitem*, const gchar* name, GVariant*, guint, TrayMenu* self);
  static gboolean hostAboutToShow(DbusmenuMenuitem*, TrayMenu* self);
  void hostMenuOpening();
  void hostMenuClosed();
  [[nodiscard]] bool hostMenuIsOpen();
  [[nodiscard]] tray::HostMenuState hostMenuState();
  void sendLayoutWhenSettled();
  void watchForHostMenuClosing();
  GtkWidget* makeWidget(const model::MenuItem& item, const Look& look);
  void connect(GtkWidget* widget, const model::MenuItem& item, size_t index, bool exported);
  void buildOwn(const Look& look);
  // Brings the host's menu up to the items shown, unless its open menu holds what it shows.
  void refreshExported(tray::HostMenuState state);
  void buildExported(const tray::HostMenu& next);
  void updateExported(const Entries& before, const tray::HostMenu& next);
  void setBar(GtkWidget* widget, std::optional<double> fill, model::Tone tone);
  void drawBars(size_t count);

  TrayApplication& app_;
  const GtkMenuPtr menu_;      // drawn by GTK: the self-test's, styled
  const GtkMenuPtr exported_;  // drawn by the host
  const GObjectPtr<GtkAccelGroup> accelerators_;
  Entries entries_;  // what the next refresh shows
  // What each menu shows, shared while they show the same; their activations index into it.
  std::shared_ptr<const Entries> shown_ = std::make_shared<const Entries>();
  std::shared_ptr<const Entries> ownShown_ = shown_;
  std::shared_ptr<const Entries> exportedShown_ = shown_;
  tray::HostMenu exportedItems_;
  std::vector<GtkWidget*> exportedWidgets_;  // exportedItems_' widgets, owned by exported_
  size_t barsDrawn_ = 0;  // exportedWidgets_ before this have their bars' images
  guint barsSource_ = 0;
  bool changed_ = false;
  bool ownBuilt_ = true;  // menu_ shows shown_ (as ownShown_)
  bool exportedPending_ = false;
  bool exportedImagesStale_ = false;  // drawn in a look that has changed since
  bool hostMenuOpen_ = false;
  bool hostMenuGrabbed_ = false;  // the pointer grab of the host's open menu has been seen
  gint64 hostMenuOpenedAt_ = 0;
  bool menuHadKeyboard_ = false;  // the own menu's window, since it popped up (Wayland)
  guint hostMenuClosing_ = 0;  // watches a host's open menu that waits for it to close
  guint layoutTimer_ = 0;      // sends a layout held while the host's menu settles
  gint64 nextLayoutAt_ = 0;    // monotonic time before which a closed menu is settling
  GObjectPtr<DbusmenuMenuitem> hostRoot_;
  std::vector<gulong> hostHandlers_;
  MenuChoice choice_;
};

}  // namespace platform
