// The report records: everything the indicator shows comes from one Report value.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace report {

// One measurement line of a section.
struct Row {
  std::string label;
  std::string bar;
  std::string value;
  std::optional<std::string> detail;
  std::optional<std::string> tone;
  std::optional<std::string> hint;
  std::optional<bool> emphasis;

  bool operator==(const Row&) const = default;
};

// An absent field is a state of its own: an absent title is not an empty one,
// and absent sections are not an empty list. Default-constructed, it is the empty report.
struct Report {
  struct Section {
    std::string title;
    std::vector<Row> rows;

    bool operator==(const Section&) const = default;
  };

  std::optional<std::string> title;
  std::optional<std::string> tone;  // carried, never shown
  std::optional<std::vector<Section>> sections;
  std::optional<std::string> console;

  bool operator==(const Report&) const = default;
};

}  // namespace report
