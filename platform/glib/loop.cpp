#include "platform/glib/loop.h"

#include "platform/glib/ending_signals.h"

namespace platform {

GlibLoop::GlibLoop(GMainContext* context)
    : context_(g_main_context_ref(context)),
      loop_(g_main_loop_new(context_.get(), FALSE)),
      mainQueue_(std::make_shared<GlibMainQueue>(context_.get())) {}

GlibLoop::~GlibLoop() {
  mainQueue_->stop();
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
  EndingSignals signals(context_.get(), [this] { end(); });
  if (!ended_) g_main_loop_run(loop_.get());
  if (takeDown) takeDown();
  signals.raiseReceived();
}

void GlibLoop::end() {
  ended_ = true;
  mainQueue_->stop();
  g_main_loop_quit(loop_.get());
}

}  // namespace platform
