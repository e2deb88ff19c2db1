// Diagnostics: one line on standard error per message, "indicator: " + message + LF.
#pragma once

#include <string_view>

namespace base {

// Control characters in message (C0, DEL, C1) and bidirectional controls are written as
// visible symbols and escapes, so that each message is one line and none can drive or
// reorder the terminal that shows it.
// Hands the line to a writer thread of its own and returns at once: whoever logs never
// waits on standard error. Lines go out in order, together, whole lines per write (at
// most PIPE_BUF into a pipe or socket, so that no line interleaves with another writer's).
// A reader that is slow is waited for; one that has taken nothing for 30 seconds, or is
// so far behind that the owed text passes a bound, is taken as stalled: its lines are
// dropped whole until it has room again. Owed lines are written before the process
// exits, unless their reader is stalled; endBySignal waits for them a short while.
void writeLogLine(std::string_view message) noexcept;

// Blocks the calling thread, never the main one, while the log text owed to a reader of
// standard error that still takes it is past what a reader keeping up leaves unread: a
// thread making reports then goes at that reader's pace instead of piling up lines that
// would pass the bound at which the reader is taken as stalled.
void waitWhileLogBehind() noexcept;

// Ends the process by signal, with the signal's default action, as whoever started it
// expects to see; the log lines owed are written first, for at most a short while (exit
// handlers, which wait for them otherwise, do not run).
[[noreturn]] void endBySignal(int signal) noexcept;

// Ends the process with status, at once, from wherever no return is possible (a lost
// display's handler): owed lines are written first, as for endBySignal, and nothing else
// runs.
[[noreturn]] void endNow(int status) noexcept;

// While one lives on a thread, the lines it logs wait to be handed on together when the
// last one goes: a burst of lines then wakes the writer thread once, not once a line.
class LogBatch {
 public:
  LogBatch() noexcept;
  ~LogBatch();
  LogBatch(const LogBatch&) = delete;
  LogBatch& operator=(const LogBatch&) = delete;
};

}  // namespace base
