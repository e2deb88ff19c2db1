// Markup built by hand rather than with attribute lists: a GTK label that holds markup is
// also what the D-Bus menu exporter reads, and it strips the markup to the plain text.
#include "platform/gtk/pango_markup.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform {
namespace {

void appendEscaped(std::string& markup, std::string_view text) {
  const std::string shown = gtkText(text);
  char* escaped = g_markup_escape_text(shown.data(), static_cast<gssize>(shown.size()));
  markup += escaped;
  g_free(escaped);
}

}  // namespace

std::string pangoMarkup(const model::StyledText& text, model::Appearance appearance, const FontFamilies& families) {
  std::string markup;
  for (const model::StyledRun& run : text) {
    const model::RGBA color = resolve(run.color, appearance);
    char attributes[160];
    // Sizes are in 1024ths of a point; weight 600 is semibold. Alpha is in 16 bits, where
    // Pango refuses 0: the faintest colour is 1.
    std::snprintf(attributes, sizeof attributes, "\" size=\"%ld\" weight=\"%d\"%s foreground=\"#%02X%02X%02X\" fgalpha=\"%d\">",
                  std::lround(run.font.size * 1024.0), run.font.weight == model::FontWeight::semibold ? 600 : 400,
                  run.font.design == model::FontDesign::monospacedDigit ? " font_features=\"tnum\"" : "",
                  model::channel(color.red), model::channel(color.green), model::channel(color.blue),
                  std::max(1, model::channel(color.alpha, 65535)));
    markup += "<span font_family=\"";
    appendEscaped(markup, run.font.design == model::FontDesign::monospaced ? families.monospaced : families.system);
    markup += attributes;
    std::string runText;
    run.appendTo(runText);
    appendEscaped(markup, runText);
    markup += "</span>";
  }
  return markup;
}

}  // namespace platform
