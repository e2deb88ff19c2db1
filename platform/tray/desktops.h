// What differs between the desktops whose panels host the status item, one row a desktop:
// a quirk found on a desktop is changed in its row, and a new desktop is a new row.
#pragma once

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
  // Says when it closed the item's menu, not only when it opens it.
  bool saysMenuClosed;
  // Scrolls a menu taller than the screen, so that its sections need not fold into submenus.
  bool scrollsMenu;
  // Draws a new layout sent as it asks for the menu at the new menu's size and place. XFCE
  // draws it inside the old menu's frame, Plasma places the menu by the old one's size.
  bool takesLayoutAsItOpens;
};

// The row of the first desktop in XDG_CURRENT_DESKTOP's colon-separated list that has one;
// for a desktop not in the table, the row that assumes the most of a host.
[[nodiscard]] const Desktop& desktopNamed(std::string_view currentDesktops);

}  // namespace platform::tray
