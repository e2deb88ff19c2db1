// The reader loop: report lines from a file descriptor, decoded, handed on in order.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/line_framer.h"
#include "report/report.h"

namespace report {

// What readLines calls, on the reading thread; each but line may be left empty.
struct LineHandlers {
  std::function<void(const Line&)> line;       // each line, in order
  std::function<void()> overlong;              // in place of a line past the longest kept
  std::function<bool(std::string_view)> read;  // each read's bytes, before framing; false stops
  std::function<bool()> afterRead;             // once a read's lines are passed on; false stops
  // While input pauses, now and then (after 1, 2, 4 ... 64 seconds without input), so
  // that the thread can give back memory it no longer needs.
  std::function<void()> whenIdle;
};

// Reads fd until end of input, a read error or a handler's stop, framing it into lines;
// a line the end left unfinished is passed on too. Returns 0, or the failed read's errno.
int readLines(int fd, const LineHandlers& handlers);

// The reports that decoded from one read, in order. Each but the last is replaced before
// anything could show it, so of those only what their log lines need is kept: a title
// (none where the report had none) and a section count.
class Burst {
 public:
  struct Replaced {
    std::optional<std::string_view> title;
    size_t sectionCount;
  };

  void replace(const Report& report);  // report becomes one of the replaced
  [[nodiscard]] size_t replacedCount() const { return replaced_.size(); }
  [[nodiscard]] Replaced replaced(size_t index) const;

  Report last;

 private:
  struct Entry {
    size_t titleEnd;  // in titles_, where this title ends and the next begins
    bool titled;
    size_t sectionCount;
  };
  std::string titles_;  // every replaced title, one after the other
  std::vector<Entry> replaced_;
};

// readLines, decoding each line on the calling thread and passing the reports that decode
// to deliver, all those of one read together: a burst is handed over once per read rather
// than once per report. Rejected lines are dropped without a trace. Returns readLines' errno.
[[nodiscard]] int readReports(int fd, const std::function<void(Burst&&)>& deliver,
                              const std::function<void()>& whenIdle = {});

}  // namespace report
