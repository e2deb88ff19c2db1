#include "check/menu_shortcut.h"

namespace check {

const std::string_view shortcutModifier = "Ctrl+";

}  // namespace check
