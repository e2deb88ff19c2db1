// The framer's out-of-line parts: gathering a line across reads, within its limit, and
// giving memory back after a very long one.
#include "report/line_framer.h"

#include "base/text.h"

namespace report {

void LineFramer::gather(std::string_view piece) {
  if (skipping_) return;
  const size_t needed = pending_.size() + piece.size();
  if (needed > maxLineBytes_) {
    skipping_ = true;
    std::string().swap(pending_);
    return;
  }
  // Grown by doubling as usual, but never past the limit (and its padding), so that memory
  // stays within it.
  if (needed + linePadding > pending_.capacity()) {
    pending_.reserve(std::min(std::max(needed, 2 * pending_.capacity()), maxLineBytes_) + linePadding);
  }
  pending_.append(piece);
}

void LineFramer::releaseLargeBuffer() { base::releaseIfLarge(pending_); }

}  // namespace report
