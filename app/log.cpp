// Unbuffered, so each line reaches standard error whole and in order with no flush at exit.
#include "app/log.h"

#include <unistd.h>

#include <cerrno>

std::string logLine(std::string_view message) {
  std::string line = "indicator: ";
  line.reserve(line.size() + message.size() + 1);
  line.append(message).push_back('\n');
  return line;
}

void writeLogLine(std::string_view message) noexcept {
  try {
    const std::string line = logLine(message);
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
      const ssize_t written = ::write(STDERR_FILENO, data, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      data += written;
      left -= static_cast<size_t>(written);
    }
  } catch (...) {
    // Out of memory for the line: it is dropped like any line that cannot be written.
  }
}
