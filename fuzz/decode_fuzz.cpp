// Differential fuzz target for decodeReport: a second strict JSON parser must agree on
// whether a line is one JSON value, indicator-check must find a fault exactly in the
// lines the decoder rejects as not JSON, and an accepted report must survive being
// written out as JSON and decoded again.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string_view>

#include "check/json_syntax.h"
#include "report/decode.h"
#include "report/utf8.h"

namespace {

using nlohmann::json;

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "decode_fuzz: %s\n", what);
  std::abort();
}

json encode(const Report& report) {
  json object = json::object();
  if (report.title) object["title"] = *report.title;
  if (report.tone) object["tone"] = *report.tone;
  if (report.console) object["console"] = *report.console;
  if (report.sections) {
    json sections = json::array();
    for (const auto& section : *report.sections) {
      json rows = json::array();
      for (const auto& row : section.rows) {
        json encoded = {{"label", row.label}, {"bar", row.bar}, {"value", row.value}};
        if (row.detail) encoded["detail"] = *row.detail;
        if (row.tone) encoded["tone"] = *row.tone;
        if (row.hint) encoded["hint"] = *row.hint;
        if (row.emphasis) encoded["emphasis"] = *row.emphasis;
        rows.push_back(std::move(encoded));
      }
      sections.push_back({{"title", section.title}, {"rows", std::move(rows)}});
    }
    object["sections"] = std::move(sections);
  }
  return object;
}

// Where the two parsers may honestly differ: numbers simdjson cannot hold (integers past
// 64 bits, doubles past their range) and nesting past simdjson's depth limit.
bool withinSharedLimits(const std::string& text) {
  size_t depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    if (c == '[' || c == '{') deepest = std::max(deepest, ++depth);
    if ((c == ']' || c == '}') && depth > 0) --depth;
  }
  if (deepest >= 1000) return false;
  bool accepted = true;
  json::parser_callback_t numbers = [&](int, json::parse_event_t event, json& value) {
    if (event == json::parse_event_t::value && value.is_number_float()) {
      const double number = value.get<double>();
      if (!std::isfinite(number) || number == 0.0 || std::abs(number) >= 9.2e18) accepted = false;
    }
    return true;
  };
  [[maybe_unused]] const json parsed = json::parse(text, numbers, false);
  return accepted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  DecodeResult result = decodeReport(line);

  const std::string repaired = utf8::repaired(line);
  // nlohmann skips a leading byte order mark and stops at a raw NUL; in JSON text the
  // first has no place and the second is never valid, in a string or out of one.
  const bool oneValue = !repaired.starts_with("\xEF\xBB\xBF") &&
                        repaired.find('\0') == std::string::npos && json::accept(repaired);
  const bool notJSON = !result.ok() && result.error().notJSON;
  check(findSyntaxFault(line).has_value() == notJSON, "indicator-check explains a line otherwise than it is decoded");
  if (withinSharedLimits(repaired)) {
    if (oneValue) check(!notJSON, "a valid JSON line was rejected as not JSON");
    if (!oneValue) check(notJSON, "invalid JSON was not rejected as such");
  }
  if (result.ok()) {
    check(oneValue, "a report came out of a line that is not JSON");
    const std::string written = encode(result.report()).dump();
    DecodeResult again = decodeReport(written);
    check(again.ok(), "a written report does not decode");
    check(again.report() == result.report(), "a written report decodes to another report");
  }
  return 0;
}
