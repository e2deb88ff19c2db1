// SIGINT, SIGTERM and SIGHUP on macOS.
#pragma once

namespace platform {

// From now on each of them ends the process by that signal, once the log lines owed are
// written, whatever the main thread is doing.
void endOnSignals();

}  // namespace platform
