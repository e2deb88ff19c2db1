// GLib takes C strings, so text with a NUL in it is refused here: otherwise the part
// after the NUL would be cut off silently and a different address opened.
#include "platform/workspace_gio.h"

#include <gio/gio.h>

namespace platform::gio {

bool acceptsURL(const std::string& text) {
  if (text.find('\0') != std::string::npos) return false;
  GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (uri == nullptr) return false;
  g_uri_unref(uri);
  return true;
}

void openURL(const std::string& text) {
  if (text.find('\0') != std::string::npos) return;
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(text.c_str(), nullptr, &error)) g_clear_error(&error);
}

}  // namespace platform::gio
