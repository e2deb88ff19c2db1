// Markup built by hand rather than with attribute lists: a GTK label that holds markup is
// also what the D-Bus menu exporter reads, and it strips the markup to the plain text.
#include "platform/gtk/pango_markup.h"

#include "base/text.h"
#include "base/utf8.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform {
namespace {

constexpr std::string_view symbolForNul = "\xE2\x90\x80";

int channel(double component) { return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0)); }

void appendEscaped(std::string& markup, std::string_view text) {
  const std::string visible = displayText(text);
  char* escaped = g_markup_escape_text(visible.data(), static_cast<gssize>(visible.size()));
  markup += escaped;
  g_free(escaped);
}

}  // namespace

std::string displayText(std::string_view text, size_t limit) {
  std::string shown;
  shown.reserve(std::min(text.size(), limit * 4));
  size_t codePoints = 0;
  for (char byte : text) {
    const bool startsCodePoint = !base::utf8::isContinuation(byte);
    if (startsCodePoint && ++codePoints > limit) {
      shown += base::ellipsis;
      break;
    }
    if (byte == '\0') {
      shown += symbolForNul;
    } else {
      shown += byte;
    }
  }
  return shown;
}

std::string pangoMarkup(const model::StyledText& text, model::Appearance appearance, const FontFamilies& families) {
  std::string markup;
  for (const model::StyledRun& run : text) {
    const model::RGBA color = resolve(run.color, appearance);
    char attributes[160];
    // Sizes are in 1024ths of a point; weight 600 is semibold.
    std::snprintf(attributes, sizeof attributes, "\" size=\"%ld\" weight=\"%d\"%s foreground=\"#%02X%02X%02X\" fgalpha=\"%d\">",
                  std::lround(run.font.size * 1024.0), run.font.weight == model::FontWeight::semibold ? 600 : 400,
                  run.font.design == model::FontDesign::monospacedDigit ? " font_features=\"tnum\"" : "",
                  channel(color.red), channel(color.green), channel(color.blue),
                  std::max(1, static_cast<int>(std::lround(std::clamp(color.alpha, 0.0, 1.0) * 65535.0))));
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
