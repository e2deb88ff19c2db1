// Decoding one report line into a Report: all or nothing, errors as values.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "report/line_framer.h"
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

  // The same, decoded over a report this decoder filled before, so that its text buffers
  // are reused: a stream of reports then costs no allocation each. Returns why a line was
  // rejected, and into is then left half decoded, to be decoded over again.
  [[nodiscard]] std::optional<DecodeError> decodeInto(std::string_view line, Report& into) noexcept;

  // For a line the framer handed over: parsed where it lies, and once it has parsed as
  // JSON, given back before its text is copied into the report, so that a line of a
  // gigabyte is held twice at most (the line or the parser's copy of its strings, and the
  // report). Inspect, for tools that look at more than the records keep (ignored keys, a
  // key misspelt), is shown the parsed line and the rejection, if any, before the parser's
  // buffers are reused.
  using Inspect = std::function<void(const simdjson::dom::element& root, const DecodeError* rejection)>;
  [[nodiscard]] std::optional<DecodeError> decodeInto(const Line& line, Report& into, const Inspect& inspect = {}) noexcept;
  [[nodiscard]] DecodeResult decode(const Line& line, const Inspect& inspect) noexcept;

 private:
  [[nodiscard]] std::optional<DecodeError> decodeInto(std::string_view line, const Line* padded, Report& into,
                                                      const Inspect& inspect) noexcept;

  std::unique_ptr<simdjson::dom::parser> parser_;
};

}  // namespace report
