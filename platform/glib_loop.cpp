#include "platform/glib_loop.h"

#include "platform/ending_signals_glib.h"

namespace platform {

GlibLoop::GlibLoop(GMainContext* context)
    : context_(g_main_context_ref(context)),
      loop_(g_main_loop_new(context_, FALSE)),
      mainQueue_(std::make_shared<GlibMainQueue>(context_)) {}

GlibLoop::~GlibLoop() {
  mainQueue_->stop();
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);
}

void GlibLoop::launch(ApplicationDelegate* delegate) {
  if (launched_) return;
  launched_ = true;
  mainQueue_->async([delegate] {
    if (delegate != nullptr) delegate->applicationDidFinishLaunching();
  });
}

void GlibLoop::run(ApplicationDelegate* delegate, const std::function<void()>& takeDown) {
  launch(delegate);
  EndingSignals signals(context_, [this] { end(); });
  if (!ended_) g_main_loop_run(loop_);
  if (takeDown) takeDown();
  signals.raiseReceived();
}

void GlibLoop::end() {
  ended_ = true;
  mainQueue_->stop();
  g_main_loop_quit(loop_);
}

}  // namespace platform
