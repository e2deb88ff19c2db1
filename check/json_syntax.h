// Where and why a line is not one JSON value, in words a producer can act on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace check {

struct SyntaxFault {
  size_t offset;  // the byte where reading had to stop, from 0
  std::string reason;
};

// Only explains: whether a line is accepted is the decoder's word alone. A line the
// decoder rejected but this scan finds nothing wrong with gives nullopt.
[[nodiscard]] std::optional<SyntaxFault> findSyntaxFault(std::string_view line);

}  // namespace check
