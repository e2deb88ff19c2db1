// GLib takes C strings, so text with a NUL in it is no address: otherwise the part after
// the NUL would be cut off silently and a different address opened. Only an address
// acceptsURL took reaches openURL (a platform::URL).
#include "platform/workspace.h"

#include <gio/gio.h>
#if __has_include(<gio/gdesktopappinfo.h>)
#include <gio/gdesktopappinfo.h>
#define INDICATOR_HAS_DESKTOP_APP_INFO 1
#endif

#include "platform/glib/owned.h"

namespace platform::workspace {

// GLib's strict URI parser: an absolute URI, or nothing.
bool acceptsURL(const std::string& text) {
  if (text.find('\0') != std::string::npos) return false;
  return Owned<GUri, g_uri_unref>(g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr)) != nullptr;
}

// The handler is found as GIO's default launcher finds it (the scheme's handler, or the
// file type's), but started with its output sent to /dev/null: what a browser prints must
// not reach the indicator's standard output, which stays empty, or its standard error,
// which carries only the indicator's own lines. The address is one argument; no shell.
std::optional<std::string> openURL(const std::string& text) {
  GError* error = nullptr;
  const GObjectPtr<GFile> file(g_file_new_for_uri(text.c_str()));
  const GObjectPtr<GAppInfo> handler(g_file_query_default_handler(file.get(), nullptr, &error));
  const auto why = [&]() -> std::optional<std::string> {
    const Owned<GError, g_error_free> failure(error);
    if (failure) return failure->message;
    return std::nullopt;
  };
  if (!handler) return why().value_or(std::string(noHandler));
  GList uris{const_cast<char*>(text.c_str()), nullptr, nullptr};
  bool launched = false;
#ifdef INDICATOR_HAS_DESKTOP_APP_INFO
  if (G_IS_DESKTOP_APP_INFO(handler.get())) {
    const auto quiet = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                                G_SPAWN_STDERR_TO_DEV_NULL);
    g_desktop_app_info_launch_uris_as_manager_with_fds(G_DESKTOP_APP_INFO(handler.get()), &uris, nullptr, quiet, nullptr,
                                                       nullptr, nullptr, nullptr, -1, -1, -1, &error);
    launched = true;
  }
#endif
  if (!launched) g_app_info_launch_uris(handler.get(), &uris, nullptr, &error);
  return why();
}

}  // namespace platform::workspace
