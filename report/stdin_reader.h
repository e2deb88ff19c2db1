// The reader loop: report lines from a file descriptor, decoded, handed on in order.
#pragma once

#include <functional>
#include <string_view>

#include "report/report.h"

// Reads fd until end of input or a read error and calls onLine with each line, in order.
void readLines(int fd, const std::function<void(std::string_view)>& onLine);

// readLines, decoding each line on the calling thread and passing every report that
// decodes to deliver; rejected lines are dropped without a trace.
void readReports(int fd, const std::function<void(Report&&)>& deliver);
