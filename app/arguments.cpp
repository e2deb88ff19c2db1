// Only an exact, whole match counts: no other spelling, case or joined value.
#include "app/arguments.h"

#include <string_view>

namespace app {

bool selftestRequested(int argc, const char* const* argv) {
  for (int i = 0; i < argc; ++i) {
    if (argv[i] != nullptr && std::string_view(argv[i]) == "--selftest") return true;
  }
  return false;
}

}  // namespace app
