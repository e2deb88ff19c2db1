// The Linux desktop's application object: GTK on the GLib loop both Linux platforms share,
// the status item and menu it made, and the pace at which they follow the reports.
#pragma once

#include <pango/pango.h>

#include "platform/glib/loop.h"
#include "platform/glib/owned.h"
#include "platform/gtk/look.h"
#include "platform/platform.h"
#include "platform/tray/desktops.h"

namespace platform {

class TrayMenu;
class TrayStatusItem;

class TrayApplication final : public Application {
 public:
  TrayApplication();

  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  void setActivationPolicy(ActivationPolicy) override {}  // a tray item has no window or dock entry
  void run() override;
  void terminate() override;
  // A popped-up menu takes the pointer and keyboard itself.
  void activateIgnoringOtherApps() override {}
  [[nodiscard]] std::unique_ptr<StatusItem> statusItemWithLength(double) override;
  [[nodiscard]] std::unique_ptr<Menu> makeMenu() override;
  [[nodiscard]] std::optional<std::string> openURL(const URL& url) override;
  [[nodiscard]] std::shared_ptr<MainQueue> mainQueue() override { return loop_.mainQueue(); }
  [[nodiscard]] BackgroundQueue& utilityQueue() override { return loop_.utilityQueue(); }

  // Brings the panel and the exported menu up to date soon, or at once.
  void scheduleRefresh();
  void refreshNow();
  // The desktop gone (its display or session bus): said, the item taken down as at a quit,
  // and the process ends with status 1, which tells it from a quit (0) and a signal.
  void endWithDesktop(std::string_view why);
  // The same where nothing may wait for the loop (the display's connection is gone, and
  // GDK or Xlib end the process as the call that found it returns): at once.
  [[noreturn]] void endWithDisplay(std::string_view why);
  // The tray menu behind a menu this application made; null for any other.
  [[nodiscard]] TrayMenu* madeHere(const Menu& menu) const;
  void forget(const TrayStatusItem* item);
  void forget(const TrayMenu* menu);
  [[nodiscard]] const Look& look() const { return look_; }
  // The desktop whose panel hosts the item, as the session names it.
  [[nodiscard]] const tray::Desktop& desktop() const { return desktop_; }
  // Measures in points: at 72 dots per inch a point is a pixel. Made once, as every
  // report's title is measured.
  [[nodiscard]] PangoContext* pointsContext() const { return pointsContext_.get(); }

 protected:
  [[nodiscard]] bool acceptsURL(const std::string& text) const override;

 private:
  static void lookChanged(GObject*, GParamSpec*, TrayApplication* self);
  void watchSessionBus();

  GlibLoop loop_;  // GTK's own: the default context
  ApplicationDelegate* delegate_ = nullptr;
  TrayStatusItem* item_ = nullptr;
  TrayMenu* menu_ = nullptr;
  Look look_;
  const tray::Desktop& desktop_;
  const GObjectPtr<PangoContext> pointsContext_;
  bool lookChanged_ = false;
  bool desktopGone_ = false;
  guint refreshSource_ = 0;
  gint64 lastRefresh_ = 0;  // monotonic microseconds
};

}  // namespace platform
