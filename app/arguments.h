// The command line: "--selftest" anywhere, the program's own name included, selects
// the self-test; every other argument is ignored.
#pragma once

namespace app {

[[nodiscard]] bool selftestRequested(int argc, const char* const* argv);

}  // namespace app
