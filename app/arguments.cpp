// Only an exact, whole match counts: no other spelling, case or joined value.
#include "app/arguments.h"

#include <algorithm>
#include <string_view>

namespace app {

bool selftestRequested(int argc, const char* const* argv) {
  return std::any_of(argv, argv + argc, [](const char* argument) {
    return argument != nullptr && std::string_view(argument) == "--selftest";
  });
}

}  // namespace app
