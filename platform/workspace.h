// The workspace: parsing an address and handing it to the desktop's default handler.
// One implementation per platform (GIO, Foundation), shared by its status bars.
#pragma once

#include <string>

namespace platform::workspace {

// The platform's strict URL parser: an absolute URL, or nothing.
[[nodiscard]] bool acceptsURL(const std::string& text);

// Hands the address to the default handler for its scheme, without a shell. Failure is
// silent.
void openURL(const std::string& text);

}  // namespace platform::workspace
