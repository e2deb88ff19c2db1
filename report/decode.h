// Decoding one report line into a Report: all or nothing, errors as values.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "report/report.h"

namespace simdjson::dom {
class element;
class parser;
}

namespace report {

// Why a line was rejected: one of a closed set, which indicator-check words.
enum class Rejection {
  notJSON,      // the line is not exactly one valid JSON value
  wrongType,    // a value is of a JSON type its place does not take
  missing,      // a key that must be there is not
  outOfMemory,
  failed,       // decoding itself failed
};

// Why a line was rejected and where. The indicator drops it; tools and tests may show it.
struct DecodeError {
  Rejection reason = Rejection::failed;
  std::string where;  // e.g. "sections[1].rows[0].value"; empty for the line as a whole
  // wrongType: the JSON types the place takes ("string or null"); static text.
  std::string_view expected;
  // wrongType: the type found; notJSON: the parser's own reason; static text.
  std::string_view found;

  bool operator==(const DecodeError&) const = default;
};

class [[nodiscard]] DecodeResult {
 public:
  DecodeResult(Report report) : value_(std::move(report)) {}
  DecodeResult(DecodeError error) : value_(std::move(error)) {}

  [[nodiscard]] bool ok() const noexcept { return value_.index() == 0; }
  [[nodiscard]] Report& report() & { return std::get<Report>(value_); }
  [[nodiscard]] Report&& report() && { return std::get<Report>(std::move(value_)); }
  [[nodiscard]] const DecodeError& error() const { return std::get<DecodeError>(value_); }

 private:
  std::variant<Report, DecodeError> value_;
};

// Decodes the text of one line (without its line feed). Bytes that are not
// well-formed UTF-8 are replaced by U+FFFD first, so inside a JSON string they
// become text and anywhere else they make the line invalid.
[[nodiscard]] DecodeResult decodeReport(std::string_view line) noexcept;

// The same decoding, keeping the JSON parser's buffers from one line to the next.
// Nothing decoded from one line reaches the next: only allocated memory is reused,
// and it is given back after an unusually large line.
class ReportDecoder {
 public:
  ReportDecoder();
  ~ReportDecoder();
  ReportDecoder(const ReportDecoder&) = delete;
  ReportDecoder& operator=(const ReportDecoder&) = delete;

  [[nodiscard]] DecodeResult decode(std::string_view line) noexcept;

  // The same, and for a line that decodes, shows inspect the parsed line before its
  // buffers are reused: for tools that look at more than the records keep (ignored keys).
  using Inspect = std::function<void(const simdjson::dom::element& root)>;
  [[nodiscard]] DecodeResult decode(std::string_view line, const Inspect& inspect) noexcept;

  // The same, decoded over a report this decoder filled before, so that its text buffers
  // are reused: a stream of reports then costs no allocation each. Returns why a line was
  // rejected, and into is then left half decoded, to be decoded over again.
  [[nodiscard]] std::optional<DecodeError> decodeInto(std::string_view line, Report& into,
                                                      const Inspect& inspect = {}) noexcept;

 private:
  std::unique_ptr<simdjson::dom::parser> parser_;
};

}  // namespace report
