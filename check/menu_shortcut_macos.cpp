#include "check/menu_shortcut.h"

namespace check {

const std::string_view shortcutModifier = "\xE2\x8C\x98";  // ⌘

}  // namespace check
