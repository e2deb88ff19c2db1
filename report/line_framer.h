// Cuts a byte stream into lines: a line ends at LF, a CR right before that LF goes
// with it, and a last line that the end of input ends is a line like any other.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace report {

// Every line the framer hands over is followed by at least this many bytes that may be
// read: the JSON parser reads past its input's end in blocks, and would otherwise copy
// the line to a padded buffer first (a second copy of a line of a gigabyte).
inline constexpr size_t linePadding = 64;

// A line as the framer hands it over, for as long as the call that receives it: its bytes
// (and the padding after them), and for a line gathered across reads, the buffer that
// holds it, which release() gives back at once when whoever reads it is done with them.
class Line {
 public:
  Line(std::string_view text, std::string* gathered = nullptr) : text_(text), gathered_(gathered) {}
  operator std::string_view() const { return text_; }
  [[nodiscard]] std::string_view text() const { return text_; }
  // The text is gone with it.
  void release() const {
    if (gathered_ != nullptr) std::string().swap(*gathered_);
  }

 private:
  std::string_view text_;
  std::string* gathered_;
};

class LineFramer {
 public:
  // Longer lines are not kept: a producer that never writes a line feed must not take
  // all the machine's memory.
  static constexpr size_t defaultMaxLineBytes = size_t{1} << 30;

  explicit LineFramer(size_t maxLineBytes = defaultMaxLineBytes) : maxLineBytes_(maxLineBytes) {}

  // Calls onLine(Line) for every line that this chunk completes. Lines that lie wholly
  // inside the chunk (which must have linePadding bytes after it) are passed without copying; only a line that spans
  // chunks is gathered, up to the longest line kept. A longer line is dropped as soon as
  // it grows past that, its rest is skipped up to its line feed, and onOverlong() is
  // called in its place.
  template <class OnLine, class OnOverlong = void (*)()>
  void feed(std::string_view chunk, OnLine&& onLine, OnOverlong&& onOverlong = [] {});

  // End of input: hands over what is left, if anything.
  template <class OnLine, class OnOverlong = void (*)()>
  void finish(OnLine&& onLine, OnOverlong&& onOverlong = [] {});

 private:
  static std::string_view withoutCR(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  void gather(std::string_view piece);
  void releaseLargeBuffer();

  std::string pending_;
  bool skipping_ = false;  // the line under way grew too long and is being skipped
  size_t maxLineBytes_;
};

template <class OnLine, class OnOverlong>
void LineFramer::feed(std::string_view chunk, OnLine&& onLine, OnOverlong&& onOverlong) {
  while (!chunk.empty()) {
    const size_t end = chunk.find('\n');
    if (end == std::string_view::npos) {
      gather(chunk);
      return;
    }
    const std::string_view piece = chunk.substr(0, end);
    if (pending_.empty() && !skipping_ && piece.size() <= maxLineBytes_) {
      onLine(Line(withoutCR(piece)));
    } else {
      gather(piece);
      if (skipping_) {
        skipping_ = false;
        onOverlong();
      } else {
        onLine(Line(withoutCR(pending_), &pending_));
        pending_.clear();
        releaseLargeBuffer();
      }
    }
    chunk.remove_prefix(end + 1);
  }
}

template <class OnLine, class OnOverlong>
void LineFramer::finish(OnLine&& onLine, OnOverlong&& onOverlong) {
  if (skipping_) {
    skipping_ = false;
    onOverlong();
    return;
  }
  if (pending_.empty()) return;
  onLine(Line(pending_, &pending_));
  pending_.clear();
}

}  // namespace report
