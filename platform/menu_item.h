// A menu item as a plain value; the platform turns it into a native item when added.
#pragma once

#include <optional>
#include <string>

#include "platform/styled_text.h"

namespace platform {

// The two commands a menu item can carry; the menu's target receives them.
enum class MenuAction { none, openConsole, quit };

struct MenuItem {
  bool isSeparator = false;
  std::string title;  // the plain title
  std::optional<StyledText> attributedTitle;  // drawn instead of the plain title
  bool enabled = true;
  MenuAction action = MenuAction::none;
  std::string keyEquivalent;  // with the platform's default modifier
  std::optional<std::string> toolTip;

  static MenuItem separatorItem() { return MenuItem{.isSeparator = true}; }

  bool operator==(const MenuItem&) const = default;
};

}  // namespace platform
