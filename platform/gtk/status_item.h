// The status item on the Linux desktop: an AppIndicator, a StatusNotifierItem on D-Bus (or
// an XEmbed tray icon where no watcher runs), with the title as its label where the host
// shows one and drawn into its icon where the host shows only icons.
#pragma once

#include <libayatana-appindicator/app-indicator.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/glib/owned.h"
#include "platform/gtk/look.h"
#include "platform/platform.h"

namespace platform {

class TrayApplication;
class TrayMenu;

class TrayStatusButton final : public StatusButton {
 public:
  TrayStatusButton(TrayApplication& app, AppIndicator* indicator) : app_(app), indicator_(indicator) {}

  void setAttributedTitle(model::StyledText title) override;
  void setImagePosition(ImagePosition) override {}  // the title is all there is
  void setToolTip(const std::string& toolTip) override;
  [[nodiscard]] double frameWidth() const override;
  void performClick() override;

 private:
  friend class TrayStatusItem;
  TrayApplication& app_;
  AppIndicator* const indicator_;
  TrayMenu* menu_ = nullptr;
  // The title as the panel shows it, kept past the report it came from.
  std::string title_;  // cut as panels show it
  double titleSize_ = 0;
  std::string toolTip_;
  mutable std::optional<double> width_;  // of title_, measured when first asked
  // Widths of recent titles: reports in a burst repeat a few titles, and laying one out
  // is the costliest step of a report on the desktop. Cleared when the look changes.
  mutable std::unordered_map<std::string, double> widths_;
};

class TrayStatusItem final : public StatusItem {
 public:
  explicit TrayStatusItem(TrayApplication& app);
  ~TrayStatusItem() override;
  TrayStatusItem(const TrayStatusItem&) = delete;
  TrayStatusItem& operator=(const TrayStatusItem&) = delete;

  [[nodiscard]] StatusButton* button() override { return &button_; }
  void setMenu(Menu& menu) override;
  // Redraws the label and icon, if the title changed or the look did.
  void refresh(const Look& look, bool lookChanged);
  // Hides the item and removes its icon files: at the end, however the end comes.
  void takeDown();

 private:
  void publishIcon(cairo_surface_t* icon);

  TrayApplication& app_;
  const GObjectPtr<AppIndicator> indicator_;
  std::optional<std::string> shownText_;
  TrayStatusButton button_;
  std::string iconDirectory_;
  std::vector<std::string> icons_;  // the newest last; the one before stays for hosts still loading it
  unsigned iconSerial_ = 0;
};

}  // namespace platform
