// The framer's only out-of-line part: giving memory back after a very long line.
#include "report/line_framer.h"

namespace {
// A long line's buffer is not kept for the ordinary lines that follow it.
constexpr size_t keepCapacity = 1 << 20;
}  // namespace

void LineFramer::releaseLargeBuffer() {
  if (pending_.capacity() > keepCapacity) std::string().swap(pending_);
}
