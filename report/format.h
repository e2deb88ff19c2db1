// The report line format, written once: every key of every record and the member it fills.
// The decoder reads lines by it, indicator-check suggests keys from it, the fuzz encoder
// writes lines by it, and a test holds docs/report.schema.json to it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "report/report.h"

namespace report::format {

// What a key's value may be follows from the member it fills, in this order of the kinds.
enum class Kind { text, textOrNull, flagOrNull, rows, sectionsOrNull };

template <class Record>
using Member = std::variant<std::string Record::*, std::optional<std::string> Record::*, std::optional<bool> Record::*,
                            std::vector<Row> Record::*, std::optional<std::vector<Report::Section>> Record::*>;

template <class Record>
struct Field {
  std::string_view key;
  Member<Record> member;

  [[nodiscard]] constexpr Kind kind() const { return static_cast<Kind>(member.index()); }
  // A key whose value cannot be null must be there.
  [[nodiscard]] constexpr bool required() const { return kind() == Kind::text || kind() == Kind::rows; }
};

inline constexpr std::array<Field<Report>, 4> reportFields{{
    {"title", &Report::title},
    {"tone", &Report::tone},
    {"sections", &Report::sections},
    {"console", &Report::console},
}};

inline constexpr std::array<Field<Report::Section>, 2> sectionFields{{
    {"title", &Report::Section::title},
    {"rows", &Report::Section::rows},
}};

inline constexpr std::array<Field<Row>, 7> rowFields{{
    {"label", &Row::label},
    {"bar", &Row::bar},
    {"value", &Row::value},
    {"detail", &Row::detail},
    {"tone", &Row::tone},
    {"hint", &Row::hint},
    {"emphasis", &Row::emphasis},
}};

}  // namespace report::format
