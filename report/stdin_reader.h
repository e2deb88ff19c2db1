// The reader loop: report lines from a file descriptor, decoded, handed on in order.
#pragma once

#include <functional>
#include <string_view>

#include "report/report.h"

// Reads fd until end of input or a read error and calls onLine with each line, in order.
// While input pauses, whenIdle is called now and then (after 1, 2, 4 ... 64 seconds
// without input), so that the thread can give back memory it no longer needs.
void readLines(int fd, const std::function<void(std::string_view)>& onLine,
               const std::function<void()>& whenIdle = {});

// readLines, decoding each line on the calling thread and passing every report that
// decodes to deliver; rejected lines are dropped without a trace.
void readReports(int fd, const std::function<void(Report&&)>& deliver, const std::function<void()>& whenIdle = {});
