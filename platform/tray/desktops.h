// What differs between the desktops whose panels host the status item, one row a desktop:
// a quirk found on a desktop is changed in its row, and a new desktop is a new row.
#pragma once

#include <chrono>
#include <string_view>

namespace platform::tray {

struct Desktop {
  std::string_view name;  // as XDG_CURRENT_DESKTOP names it
  // Pixels the host's menu gives an item, a separator and its own frame.
  int itemHeight;
  int separatorHeight;
  int menuFrame;
  // Draws the item's label beside its icon; elsewhere the title is drawn into the icon.
  bool showsLabel;
  // Asks for the menu once as it finds the item, long before any opening, and says
  // "opened" at each opening.
  bool asksLongBeforeOpening;
  // How long an open menu is taken to stay open without the host saying it closed.
  std::chrono::seconds assumedOpenFor;
};

// The row of the first desktop in XDG_CURRENT_DESKTOP's colon-separated list that has one;
// for a desktop not in the table, the row that assumes the most of a host.
[[nodiscard]] const Desktop& desktopNamed(std::string_view currentDesktops);

}  // namespace platform::tray
