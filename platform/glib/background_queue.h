// The utility background queue as plain threads: each task gets a detached thread,
// which may block in read(2) for as long as input lasts.
#pragma once

#include "platform/platform.h"

namespace platform {

class ThreadBackgroundQueue final : public BackgroundQueue {
 public:
  void async(Task task) override;
};

}  // namespace platform
