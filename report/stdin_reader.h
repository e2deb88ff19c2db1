// The reader loop: report lines from a file descriptor, decoded, handed on in order.
#pragma once

#include <functional>

#include "report/report.h"

// Reads fd until end of input or a read error, decoding each line on the calling
// thread and passing every report that decodes to deliver; rejected lines are dropped
// without a trace. Returns when input is over.
void readReports(int fd, const std::function<void(Report&&)>& deliver);
