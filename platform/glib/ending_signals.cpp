#include "platform/glib/ending_signals.h"

#include <glib-unix.h>

#include <csignal>

#include "base/log.h"

namespace platform {

EndingSignals::EndingSignals(GMainContext* context, std::function<void()> end) : end_(std::move(end)) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    GSourcePtr source(g_unix_signal_source_new(signal));
    struct Arrival {
      EndingSignals* self;
      int signal;
    };
    g_source_set_callback(
        source.get(),
        [](gpointer data) -> gboolean {
          const auto* arrival = static_cast<Arrival*>(data);
          if (arrival->self->received_ == 0) {
            arrival->self->received_ = arrival->signal;
            arrival->self->end_();
          }
          return G_SOURCE_CONTINUE;
        },
        new Arrival{this, signal}, [](gpointer data) { delete static_cast<Arrival*>(data); });
    g_source_attach(source.get(), context);
    sources_.push_back(std::move(source));
  }
}

void EndingSignals::raiseReceived() const {
  if (received_ != 0) base::endBySignal(received_);
}

}  // namespace platform
