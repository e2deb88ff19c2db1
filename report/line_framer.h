// Cuts a byte stream into lines: a line ends at LF, a CR right before that LF goes
// with it, and a last line that the end of input ends is a line like any other.
#pragma once

#include <string>
#include <string_view>

class LineFramer {
 public:
  // Calls onLine(std::string_view) for every line that this chunk completes. Lines that
  // lie wholly inside the chunk are passed without copying; only a line that spans
  // chunks is gathered, however long it grows.
  template <class OnLine>
  void feed(std::string_view chunk, OnLine&& onLine);

  // End of input: hands over what is left, if anything.
  template <class OnLine>
  void finish(OnLine&& onLine);

 private:
  static std::string_view withoutCR(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  void releaseLargeBuffer();

  std::string pending_;
};

template <class OnLine>
void LineFramer::feed(std::string_view chunk, OnLine&& onLine) {
  while (!chunk.empty()) {
    const size_t end = chunk.find('\n');
    if (end == std::string_view::npos) {
      pending_.append(chunk);
      return;
    }
    if (pending_.empty()) {
      onLine(withoutCR(chunk.substr(0, end)));
    } else {
      pending_.append(chunk.substr(0, end));
      onLine(withoutCR(pending_));
      pending_.clear();
      releaseLargeBuffer();
    }
    chunk.remove_prefix(end + 1);
  }
}

template <class OnLine>
void LineFramer::finish(OnLine&& onLine) {
  if (pending_.empty()) return;
  onLine(std::string_view(pending_));
  pending_.clear();
  releaseLargeBuffer();
}
