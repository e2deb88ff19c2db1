// The menu a desktop's host draws, decided without a toolkit: what each item says, where
// sections fold into submenus, and when a new report may replace the menu the host shows.
// The GTK code turns the answer into widgets that the host's menu is exported from.
#pragma once

#include <chrono>
#include <span>
#include <string>
#include <vector>

#include "model/menu_item.h"
#include "platform/tray/desktops.h"

namespace platform::tray {

struct HostItem {
  enum class Kind { separator, row, foldedSection, other };
  Kind kind;
  std::string text;

  bool operator==(const HostItem&) const = default;
};
using HostMenu = std::vector<HostItem>;

// The host draws rows in its own proportional font: a row says its value first (beside the
// bar's image), right-aligned to its section's widest value in figure spaces, then its label
// and detail, without the producer's padding. Once the whole menu would be taller than
// screenHeight, each section's header opens its rows as a submenu, so that the commands
// stay in reach: no host scrolls a menu.
[[nodiscard]] HostMenu hostMenu(std::span<const model::KeptMenuItem> items, const Desktop& desktop, int screenHeight);

enum class HostMenuState { closed, open, openPastTimeLimit };

// Whether next replaces what the host shows now. A host keeps an open menu's size and
// place (XFCE cuts what grew, Plasma leaves it where it was), so while the menu is open
// only a menu of the same shape, no wider, is sent; the rest waits until it closes.
[[nodiscard]] bool sentNow(const HostMenu& next, const HostMenu& shown, HostMenuState state);

// Whether the host's menu is open, from what the host says: it asks for the menu as it
// opens it, some hosts say "opened" and "closed", and XFCE only asks.
class HostMenuWatch {
 public:
  using Clock = std::chrono::steady_clock;

  explicit HostMenuWatch(const Desktop& desktop) : desktop_(desktop) {}

  // The host asked for the menu or said it opened it.
  void opening(Clock::time_point now);
  void closed() { open_ = false; }
  // Whether an "opened" at now is a new opening rather than the one begun just before:
  // GNOME's ask as it found the item was taken as an opening, and what it held back is
  // shown as GNOME opens the menu, which it redraws whole.
  [[nodiscard]] bool opensAnew(Clock::time_point now) const;
  [[nodiscard]] HostMenuState state(Clock::time_point now) const;
  // When an open menu is next taken as closed.
  [[nodiscard]] Clock::time_point timeLimit() const { return lastSeenOpening_ + desktop_.assumedOpenFor; }

 private:
  const Desktop& desktop_;
  bool open_ = false;
  Clock::time_point openedAt_;
  Clock::time_point lastSeenOpening_;
};

}  // namespace platform::tray
