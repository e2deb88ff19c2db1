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
#include "report/format.h"
#include "base/utf8.h"

namespace {

using nlohmann::json;

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "decode_fuzz: %s\n", what);
  std::abort();
}

// A record written back as JSON by the format's own table, every key it holds.
template <class Record, size_t N>
json encode(const Record& record, const std::array<report::format::Field<Record>, N>& fields);

json encodeValue(const std::string& text) { return text; }
json encodeValue(const std::optional<std::string>& text) { return text ? json(*text) : json(); }
json encodeValue(const std::optional<bool>& flag) { return flag ? json(*flag) : json(); }
json encodeValue(const std::vector<report::Row>& rows) {
  json out = json::array();
  for (const auto& row : rows) out.push_back(encode(row, report::format::rowFields));
  return out;
}
json encodeValue(const std::optional<std::vector<report::Report::Section>>& sections) {
  if (!sections) return json();
  json out = json::array();
  for (const auto& section : *sections) out.push_back(encode(section, report::format::sectionFields));
  return out;
}

template <class Record, size_t N>
json encode(const Record& record, const std::array<report::format::Field<Record>, N>& fields) {
  json object = json::object();
  for (const auto& field : fields) {
    std::visit([&](auto member) { object[std::string(field.key)] = encodeValue(record.*member); }, field.member);
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
  report::DecodeResult result = report::decodeReport(line);

  const std::string repaired = base::utf8::repaired(line);
  // nlohmann skips a leading byte order mark and stops at a raw NUL; in JSON text the
  // first has no place and the second is never valid, in a string or out of one.
  const bool oneValue = !repaired.starts_with("\xEF\xBB\xBF") &&
                        repaired.find('\0') == std::string::npos && json::accept(repaired);
  const bool notJSON = !result.ok() && result.error().reason == report::Rejection::notJSON;
  require(check::findSyntaxFault(line).has_value() == notJSON, "indicator-check explains a line otherwise than it is decoded");
  if (withinSharedLimits(repaired)) {
    if (oneValue) require(!notJSON, "a valid JSON line was rejected as not JSON");
    if (!oneValue) require(notJSON, "invalid JSON was not rejected as such");
  }
  if (result.ok()) {
    require(oneValue, "a report came out of a line that is not JSON");
    const std::string written = encode(result.report(), report::format::reportFields).dump();
    report::DecodeResult again = report::decodeReport(written);
    require(again.ok(), "a written report does not decode");
    require(again.report() == result.report(), "a written report decodes to another report");
  }
  return 0;
}
