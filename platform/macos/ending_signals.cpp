// A dispatch source for each ending signal, served on a utility queue rather than the main
// one, so that a main thread that is busy or tracking a menu does not hold the ending up.
// Nothing needs taking down first: the status item goes with the process.
#include "platform/macos/ending_signals.h"

#include <dispatch/dispatch.h>

#include <csignal>
#include <cstdint>

#include "base/log.h"

namespace platform {

void endOnSignals() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A dispatch source sees a signal only while the signal's default action is off.
    std::signal(signal, SIG_IGN);
    dispatch_source_t source = dispatch_source_create(DISPATCH_SOURCE_TYPE_SIGNAL, static_cast<uintptr_t>(signal), 0,
                                                      dispatch_get_global_queue(QOS_CLASS_UTILITY, 0));
    dispatch_set_context(source, reinterpret_cast<void*>(static_cast<intptr_t>(signal)));
    dispatch_source_set_event_handler_f(
        source, [](void* context) { base::endBySignal(static_cast<int>(reinterpret_cast<intptr_t>(context))); });
    dispatch_resume(source);  // kept for the life of the process
  }
}

}  // namespace platform
