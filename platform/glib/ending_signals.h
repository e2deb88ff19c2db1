// SIGINT, SIGTERM and SIGHUP on a GLib event loop: they end the loop as a quit does, so
// that the platform takes down what it shows; then the signal is raised again with its
// default action, so that whoever started the indicator sees it end by that signal.
#pragma once

#include <glib.h>

#include <functional>
#include <vector>

#include "platform/glib/owned.h"

namespace platform {

class EndingSignals {
 public:
  // end is called on the loop's thread when one of the signals arrives.
  EndingSignals(GMainContext* context, std::function<void()> end);
  EndingSignals(const EndingSignals&) = delete;
  EndingSignals& operator=(const EndingSignals&) = delete;

  // Once everything is taken down: ends the process by the signal that ended the loop,
  // if one did; returns otherwise.
  void raiseReceived() const;

 private:
  std::function<void()> end_;
  std::vector<GSourcePtr> sources_;
  int received_ = 0;
};

}  // namespace platform
