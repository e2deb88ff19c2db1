#include "platform/tray/desktops.h"

#include <array>

namespace platform::tray {
namespace {

// GNOME Shell's items are the tallest of the hosts known; desktops whose heights were not
// measured are given GNOME's, so that a menu is folded too early rather than left taller
// than the screen.
constexpr std::array<Desktop, 4> desktops{{
    // The AppIndicator extension draws the label in the panel's font and colour; GNOME
    // says "opened" and asks as it opens the menu, and asks once as it finds the item.
    {"GNOME", 36, 13, 64, true, true, false, true},
    {"Unity", 36, 13, 64, true, true, false, false},
    // Plasma asks and says "opened" as it opens the menu; it shows only the icon. Its menus
    // scroll, and a submenu whose rows it fetches as the pointer first enters its header is
    // placed by its empty size, off screen.
    {"KDE", 36, 13, 64, false, true, true, false},
    // XFCE's panel asks as it opens the menu, and says nothing else.
    {"XFCE", 36, 13, 64, false, false, false, false},
}};
constexpr Desktop unknownDesktop{"", 36, 13, 64, false, false, false, false};

}  // namespace

const Desktop& desktopNamed(std::string_view currentDesktops) {
  while (!currentDesktops.empty()) {
    const size_t colon = currentDesktops.find(':');
    const std::string_view name = currentDesktops.substr(0, colon);
    for (const Desktop& desktop : desktops) {
      if (desktop.name == name) return desktop;
    }
    currentDesktops.remove_prefix(colon == std::string_view::npos ? currentDesktops.size() : colon + 1);
  }
  return unknownDesktop;
}

}  // namespace platform::tray
