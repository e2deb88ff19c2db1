#include "platform/glib/application.h"

#include "platform/glib/owned.h"
#include "platform/workspace.h"

namespace platform {

// A context of its own, so that whatever one application leaves on it (a timer, a task)
// goes with it.
HeadlessApplication::HeadlessApplication() : loop_(GMainContextPtr(g_main_context_new()).get()) {}

std::unique_ptr<StatusItem> HeadlessApplication::statusItemWithLength(double) {
  return std::make_unique<HeadlessStatusItem>(std::make_unique<HeadlessStatusButton>(), menus_);
}

std::optional<std::string> HeadlessApplication::openURL(const URL& url) { return workspace::openURL(url.string()); }

bool HeadlessApplication::acceptsURL(const std::string& text) const { return workspace::acceptsURL(text); }

}  // namespace platform
