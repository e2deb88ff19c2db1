#include "platform/gtk/drawing.h"

#include <gdk/gdk.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/text.h"
#include "model/row_meaning.h"

namespace platform {
namespace {

// The title is drawn into the icon at twice its size in the panel, for HiDPI panels.
constexpr double iconScale = 2.0;
constexpr double badgeMargin = 3.0;
// How far a title's text may be drawn taller or wider than its font to fill the icon.
constexpr double maxStretch = 1.5;
// A square icon shows a few words at most, on this many lines.
constexpr size_t maxIconCharacters = 48;
constexpr int maxIconLines = 2;

// A layout of the title in the system font, with fixed-width digits.
GObjectPtr<PangoLayout> titleLayout(PangoContext* context, const std::string& text, const Look& look, double size,
                                    PangoWeight weight = PANGO_WEIGHT_NORMAL) {
  GObjectPtr<PangoLayout> layout(pango_layout_new(context));
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  const FontDescriptionPtr font(pango_font_description_new());
  pango_font_description_set_family(font.get(), look.families.system.c_str());
  pango_font_description_set_size(font.get(), static_cast<gint>(std::lround(size * PANGO_SCALE)));
  pango_font_description_set_weight(font.get(), weight);
  pango_layout_set_font_description(layout.get(), font.get());
  const AttrListPtr attributes(pango_attr_list_new());
  pango_attr_list_insert(attributes.get(), pango_attr_font_features_new("tnum"));
  pango_layout_set_attributes(layout.get(), attributes.get());
  return layout;
}

// Most hosts fit an item's icon into a square, so a wide title would shrink to a smudge:
// it is wrapped at spaces into the lines that come nearest a square.
void wrapNearestASquare(PangoLayout* layout) {
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  int best = std::max(logical.width, logical.height);
  int bestWrap = -1;
  for (int step = 1; step < 16; ++step) {
    const int wrap = logical.width * (16 - step) / 16;
    pango_layout_set_width(layout, wrap * PANGO_SCALE);
    PangoRectangle wrapped;
    pango_layout_get_pixel_extents(layout, nullptr, &wrapped);
    if (std::max(wrapped.width, wrapped.height) < best) {
      best = std::max(wrapped.width, wrapped.height);
      bestWrap = wrap;
    }
  }
  pango_layout_set_width(layout, bestWrap < 0 ? -1 : bestWrap * PANGO_SCALE);
}

}  // namespace

double titleWidth(PangoContext* pointsContext, const std::string& text, double size, const Look& look) {
  const auto layout = titleLayout(pointsContext, text, look, size);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

// Black on a white tile with a grey edge reads on light and dark panels whatever the theme
// says. The text is cropped to its ink and stretched, up to half again, across the square's
// short side, so that a short title uses the icon's whole height rather than a band of it.
CairoSurfacePtr drawTitle(const std::string& text, double size, const Look& look) {
  const CairoSurfacePtr probe(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  const CairoPtr measuring(cairo_create(probe.get()));
  const GObjectPtr<PangoContext> context(pango_cairo_create_context(measuring.get()));
  pango_cairo_context_set_resolution(context.get(), 96.0 * iconScale);
  const auto layout =
      titleLayout(context.get(), base::visible(text, base::ShownOn::toolkit, maxIconCharacters), look, size, PANGO_WEIGHT_BOLD);
  pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
  pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD);
  wrapNearestASquare(layout.get());
  // A long title would shrink to a smudge in an icon of some 20 pixels: it keeps two lines,
  // each no wider than three of their heights, and the rest gives way to an ellipsis (the
  // tooltip leads with the whole title).
  PangoRectangle line, whole;
  pango_layout_line_get_pixel_extents(pango_layout_get_line_readonly(layout.get(), 0), nullptr, &line);
  pango_layout_get_pixel_extents(layout.get(), nullptr, &whole);
  if (pango_layout_get_line_count(layout.get()) > maxIconLines || whole.width > 3 * line.height) {
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout.get(), 3 * line.height * PANGO_SCALE);
    pango_layout_set_height(layout.get(), -maxIconLines);
    pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
  }
  PangoRectangle ink;
  pango_layout_get_pixel_extents(layout.get(), &ink, nullptr);
  const int margin = static_cast<int>(std::ceil(badgeMargin * iconScale));
  const int inner = std::max({ink.width, ink.height, 1});
  const int side = inner + 2 * margin;
  const double stretchX = std::min(maxStretch, static_cast<double>(inner) / std::max(ink.width, 1));
  const double stretchY = std::min(maxStretch, static_cast<double>(inner) / std::max(ink.height, 1));

  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side));
  const CairoPtr cr(cairo_create(surface.get()));
  pango_cairo_update_context(cr.get(), context.get());
  pango_layout_context_changed(layout.get());
  const double edge = iconScale;
  const double radius = side / 5.0;
  const double low = edge / 2;
  const double high = side - edge / 2;
  cairo_new_sub_path(cr.get());
  cairo_arc(cr.get(), high - radius, low + radius, radius, -G_PI / 2, 0);
  cairo_arc(cr.get(), high - radius, high - radius, radius, 0, G_PI / 2);
  cairo_arc(cr.get(), low + radius, high - radius, radius, G_PI / 2, G_PI);
  cairo_arc(cr.get(), low + radius, low + radius, radius, G_PI, 3 * G_PI / 2);
  cairo_close_path(cr.get());
  cairo_set_source_rgba(cr.get(), 1, 1, 1, 0.95);
  cairo_fill_preserve(cr.get());
  cairo_set_source_rgba(cr.get(), 0.6, 0.6, 0.6, 1);
  cairo_set_line_width(cr.get(), edge);
  cairo_stroke(cr.get());
  cairo_translate(cr.get(), (side - ink.width * stretchX) / 2.0, (side - ink.height * stretchY) / 2.0);
  cairo_scale(cr.get(), stretchX, stretchY);
  cairo_move_to(cr.get(), -ink.x, -ink.y);
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  pango_cairo_show_layout(cr.get(), layout.get());
  return surface;
}

// A host shows item images at its own menu icon size (16 pixels on these hosts, some
// squashing wider images into a square), where ten characters of bar would be slivers. So
// the bar's fill is drawn as a pie in its tone over a disc of the same tone, faint, which
// reads at a glance whatever the fill, at twice that size for HiDPI menus. A row without
// a tone is mid grey, which reads on light and dark menus alike.
GObjectPtr<GdkPixbuf> drawBar(double fill, model::Tone tone, const Look& look) {
  constexpr int side = 32;
  constexpr double centre = side / 2.0;
  constexpr double radius = side / 2.0 - 2;
  const CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side));
  const CairoPtr cr(cairo_create(surface.get()));
  const model::RGBA color = model::resolve(
      tone == model::Tone::none ? model::Color{model::NamedColor::systemGray, {}} : model::toneColor(tone), look.appearance);
  cairo_set_source_rgba(cr.get(), color.red, color.green, color.blue, 0.3);
  cairo_arc(cr.get(), centre, centre, radius, 0, 2 * G_PI);
  cairo_fill(cr.get());
  cairo_set_source_rgba(cr.get(), color.red, color.green, color.blue, 1.0);
  cairo_move_to(cr.get(), centre, centre);
  cairo_arc(cr.get(), centre, centre, radius, -G_PI / 2, -G_PI / 2 + 2 * G_PI * fill);
  cairo_close_path(cr.get());
  cairo_fill(cr.get());
  cairo_surface_flush(surface.get());
  return GObjectPtr<GdkPixbuf>(gdk_pixbuf_get_from_surface(surface.get(), 0, 0, side, side));
}

}  // namespace platform
