// How this platform's menus write the modifier of an item's shortcut, for the preview.
#pragma once

#include <string_view>

namespace check {

extern const std::string_view shortcutModifier;

}  // namespace check
