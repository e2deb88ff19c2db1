// The workspace: parsing an address and handing it to the desktop's default handler.
// One implementation per platform (GIO, Foundation), shared by its status bars.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::workspace {

// The platform's strict URL parser: an absolute URL, or nothing.
[[nodiscard]] bool acceptsURL(const std::string& text);

// Why an address was not opened, where the platform gives no words of its own.
inline constexpr std::string_view notAnAddress = "not an address the platform accepts";
inline constexpr std::string_view noHandler = "no application opens it";

// Hands an address acceptsURL took to the default handler for its scheme, without a
// shell. Returns why it could not (no handler, or the handler failed to start), or nothing.
[[nodiscard]] std::optional<std::string> openURL(const std::string& text);

}  // namespace platform::workspace
