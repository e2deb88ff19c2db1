#include "platform/application_headless_glib.h"

#include "platform/workspace.h"

namespace platform {

// A context of its own, so that whatever one application leaves on it (a timer, a task)
// goes with it.
HeadlessApplication::HeadlessApplication() : loop_(g_main_context_new()) { g_main_context_unref(loop_.context()); }

std::unique_ptr<StatusItem> HeadlessApplication::statusItemWithLength(double) {
  return std::make_unique<HeadlessStatusItem>(std::make_unique<HeadlessStatusButton>());
}

void HeadlessApplication::openURL(const URL& url) { workspace::openURL(url.string()); }

bool HeadlessApplication::acceptsURL(const std::string& text) const { return workspace::acceptsURL(text); }

}  // namespace platform
