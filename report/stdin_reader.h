// The reader loop: report lines from a file descriptor, decoded, handed on in order.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "report/report.h"

// Reads fd until end of input or a read error and calls onLine with each line, in order,
// and afterRead once the lines a read completed have all been passed on. While input
// pauses, whenIdle is called now and then (after 1, 2, 4 ... 64 seconds without input),
// so that the thread can give back memory it no longer needs.
void readLines(int fd, const std::function<void(std::string_view)>& onLine,
               const std::function<void()>& whenIdle = {}, const std::function<void()>& afterRead = {});

// readLines, decoding each line on the calling thread and passing the reports that decode
// to deliver, in order, all those of one read together: a burst is handed over once per
// read rather than once per report. Rejected lines are dropped without a trace.
void readReports(int fd, const std::function<void(std::vector<Report>&&)>& deliver,
                 const std::function<void()>& whenIdle = {});
