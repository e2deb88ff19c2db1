// What the tray draws itself with Pango and Cairo: the title as an icon, a row's bar as an
// image, and the title's width.
#pragma once

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <pango/pangocairo.h>

#include <string>
#include <string_view>

#include "model/styled_text.h"
#include "model/tone.h"
#include "platform/glib/owned.h"
#include "platform/gtk/look.h"

namespace platform {

using CairoSurfacePtr = Owned<cairo_surface_t, cairo_surface_destroy>;
using CairoPtr = Owned<cairo_t, cairo_destroy>;
using FontDescriptionPtr = Owned<PangoFontDescription, pango_font_description_free>;
using AttrListPtr = Owned<PangoAttrList, pango_attr_list_unref>;

// The title's width in points, in the system font at size with fixed-width digits;
// pointsContext lays out at 72 dots per inch, where a point is a pixel.
[[nodiscard]] double titleWidth(PangoContext* pointsContext, const std::string& text, double size, const Look& look);

// The title in bold black on a white rounded square, for hosts that show an icon only.
[[nodiscard]] CairoSurfacePtr drawTitle(const std::string& text, double size, const Look& look);

// A row's bar, by its fill (0 to 1), as a square image in its tone, for host-drawn menus.
[[nodiscard]] GObjectPtr<GdkPixbuf> drawBar(double fill, model::Tone tone, const Look& look);

}  // namespace platform
