// How the desktop draws: its theme's variant and its font, as GTK's settings give them.
#pragma once

#include "model/palette.h"
#include "platform/gtk/pango_markup.h"

namespace platform {

struct Look {
  model::Appearance appearance = model::Appearance::light;
  FontFamilies families;
};

// The look now. The theme's text colour tells its variant: light text means a dark theme.
[[nodiscard]] Look readLook();

}  // namespace platform
