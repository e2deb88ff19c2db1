#include "platform/tray/desktops.h"

#include <array>

namespace platform::tray {
namespace {

using std::chrono::seconds;

// GNOME Shell's items are the tallest of the hosts known; desktops whose heights were not
// measured are given GNOME's, so that a menu is folded too early rather than left taller
// than the screen. An open menu is taken as closed after 20 s on every desktop: XFCE never
// says that it closed one, and a "closed" the others send can be lost with the bus.
constexpr std::array<Desktop, 4> desktops{{
    // The AppIndicator extension draws the label in the panel's font and colour.
    {"GNOME", 36, 13, 64, true, true, seconds(20)},
    {"Unity", 36, 13, 64, true, true, seconds(20)},
    // Plasma asks for the menu and says "opened" as it opens it, and shows only icons.
    {"KDE", 36, 13, 64, false, false, seconds(20)},
    // XFCE's panel asks as it opens the menu and says nothing else.
    {"XFCE", 36, 13, 64, false, false, seconds(20)},
}};
constexpr Desktop unknownDesktop{"", 36, 13, 64, false, true, seconds(20)};

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
