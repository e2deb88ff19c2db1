#include "platform/gtk/look.h"

#include <gtk/gtk.h>

#include "platform/gtk/drawing.h"

namespace platform {

Look readLook() {
  Look look;
  const GObjectPtr<GtkWidget> probe(GTK_WIDGET(g_object_ref_sink(gtk_menu_new())));
  GdkRGBA text{};
  gtk_style_context_get_color(gtk_widget_get_style_context(probe.get()), GTK_STATE_FLAG_NORMAL, &text);
  gtk_widget_destroy(probe.get());
  const double luminance = 0.2126 * text.red + 0.7152 * text.green + 0.0722 * text.blue;
  look.appearance = luminance > 0.5 ? model::Appearance::dark : model::Appearance::light;

  gchar* fontName = nullptr;
  g_object_get(gtk_settings_get_default(), "gtk-font-name", &fontName, nullptr);
  const GCharPtr ownedName(fontName);
  const FontDescriptionPtr font(pango_font_description_from_string(fontName != nullptr ? fontName : "Sans"));
  const char* family = pango_font_description_get_family(font.get());
  look.families.system = family != nullptr ? family : "Sans";
  return look;
}

}  // namespace platform
