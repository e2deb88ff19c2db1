// The menu a desktop's host draws, decided without a toolkit: what each item says, where
// sections fold into submenus, and when a new report may replace the menu the host shows.
// The GTK code turns the answer into widgets that the host's menu is exported from.
#pragma once

#include <chrono>
#include <optional>
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
  model::MenuAction action = model::MenuAction::none;
  // A row's bar as the host shows it, an image of its fill; a bar whose fill cannot be
  // told is shown as text, at the end of the row's.
  std::optional<double> fill;

  bool operator==(const HostItem&) const = default;
};
using HostMenu = std::vector<HostItem>;

// The host draws rows in its own proportional font: a row says its value first (beside the
// bar's image), right-aligned to its section's widest value in figure spaces, then its label
// and detail, without the producer's padding, each field isolated so that one in a
// right-to-left script leaves the row in the desktop's direction. Once the whole menu would
// be taller than screenHeight, each section's header opens its rows as a submenu, so that
// the commands stay in reach on a host that does not scroll a menu.
[[nodiscard]] HostMenu hostMenu(std::span<const model::KeptMenuItem> items, const Desktop& desktop, int screenHeight,
                                bool rightToLeftDesktop = false);

// Where the host's menu is when a new menu is ready: closed, open, or opening (the host
// asks for the menu, or says it opened it, before it draws it). Settling is closed, with a
// new layout sent less than layoutInterval ago.
enum class HostMenuState { closed, open, opening, settling };

// A host fetches and copies the whole layout after each new one, whether or not it shows
// the menu: at ten reports a second of changing shape that copying is most of the host's
// work and of the indicator's. A closed menu takes at most one new layout in this time.
constexpr std::chrono::milliseconds layoutInterval{1000};

// How next reaches the host, which shows shown.
enum class HostUpdate {
  layout,   // a new layout, which the host fetches whole
  inPlace,  // the same items with new properties: the host redraws only what changed
  held,     // not yet: the host's open menu keeps what it shows
};

// A menu of the same shape (the same kinds of item and commands in the same places) is
// updated in place, open or not. An open menu keeps its size and place on every host (XFCE
// cuts what grew, Plasma leaves the menu where it was), so a new shape, or a wider text,
// waits until the menu closes, or until the host next asks for it where it draws a layout
// sent then in place (the desktop's takesLayoutAsItOpens). A settling menu's new shape
// waits for the end of the interval, or for the host to ask.
[[nodiscard]] HostUpdate hostUpdate(const HostMenu& next, const HostMenu& shown, HostMenuState state);

}  // namespace platform::tray
