// One holder for every GLib, GObject, Pango and Cairo reference: the object is released by
// its own function when its owner goes, on every path.
#pragma once

#include <glib-object.h>

#include <memory>

namespace platform {

template <auto release>
struct ReleaseWith {
  template <class T>
  void operator()(T* object) const {
    release(object);
  }
};

template <class T, auto release>
using Owned = std::unique_ptr<T, ReleaseWith<release>>;

template <class T>
using GObjectPtr = Owned<T, g_object_unref>;
using GCharPtr = Owned<gchar, g_free>;
using GStrvPtr = Owned<gchar*, g_strfreev>;
using GMainContextPtr = Owned<GMainContext, g_main_context_unref>;
using GMainLoopPtr = Owned<GMainLoop, g_main_loop_unref>;

// A source is destroyed (taken off its context) before its last reference goes.
inline void destroySource(GSource* source) {
  g_source_destroy(source);
  g_source_unref(source);
}
using GSourcePtr = Owned<GSource, destroySource>;

}  // namespace platform
