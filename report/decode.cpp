// Report lines are parsed with simdjson's DOM, which validates the whole line,
// values under ignored keys included, and rejects anything after the first value.
#include "report/decode.h"

#include <simdjson.h>

#include <array>
#include <new>
#include <optional>
#include <variant>

#include "base/text.h"
#include "base/utf8.h"
#include "report/format.h"

namespace report {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

using Failure = std::optional<DecodeError>;

const char* typeName(element_type type) {
  switch (type) {
    case element_type::ARRAY: return "array";
    case element_type::OBJECT: return "object";
    case element_type::INT64:
    case element_type::UINT64:
    case element_type::DOUBLE: return "number";
    case element_type::STRING: return "string";
    case element_type::BOOL: return "boolean";
    case element_type::NULL_VALUE: return "null";
  }
  return "unknown";
}

DecodeError mismatch(std::string_view where, std::string_view expected, element value) {
  return {Rejection::wrongType, std::string(where), expected, typeName(value.type())};
}

DecodeError missing(std::string_view key) { return {Rejection::missing, std::string(key)}; }

DecodeError within(std::string prefix, DecodeError error) {
  if (!error.where.empty()) prefix.append(".").append(error.where);
  error.where = std::move(prefix);
  return error;
}

std::string indexed(std::string_view key, size_t index) {
  std::string where(key);
  where.append("[").append(std::to_string(index)).append("]");
  return where;
}

// One decodeValue per kind of member; decodeRecord picks it by the member a key fills.
Failure decodeValue(element value, std::string_view key, std::string& out) {
  if (value.type() != element_type::STRING) return mismatch(key, "string", value);
  out = value.get_string().value_unsafe();
  return {};
}

Failure decodeValue(element value, std::string_view key, std::optional<std::string>& out) {
  switch (value.type()) {
    case element_type::NULL_VALUE: out.reset(); return {};
    case element_type::STRING:
      // Assigned, not emplaced: a reused record keeps its text's buffer.
      if (out) {
        *out = value.get_string().value_unsafe();
      } else {
        out.emplace(value.get_string().value_unsafe());
      }
      return {};
    default: return mismatch(key, "string or null", value);
  }
}

Failure decodeValue(element value, std::string_view key, std::optional<bool>& out) {
  switch (value.type()) {
    case element_type::NULL_VALUE: out.reset(); return {};
    case element_type::BOOL: out = value.get_bool().value_unsafe(); return {};
    default: return mismatch(key, "true, false or null", value);
  }
}

template <class Record, size_t N>
Failure decodeRecord(element value, Record& record, const std::array<format::Field<Record>, N>& fields);

// The entries of an array, each decoded as a record; where one fails is its index.
template <class Record, size_t N>
Failure decodeList(simdjson::dom::array array, std::string_view key, std::vector<Record>& out,
                   const std::array<format::Field<Record>, N>& fields) {
  // Entries are decoded over those a reused list already holds, keeping their buffers.
  out.resize(array.size());
  size_t index = 0;
  for (element entry : array) {
    if (Failure failure = decodeRecord(entry, out[index], fields)) return within(indexed(key, index), *failure);
    ++index;
  }
  return {};
}

Failure decodeValue(element value, std::string_view key, std::vector<Row>& out) {
  simdjson::dom::array array;
  if (value.get(array)) return mismatch(key, "array", value);
  return decodeList(array, key, out, format::rowFields);
}

Failure decodeValue(element value, std::string_view key, std::optional<std::vector<Report::Section>>& out) {
  if (value.type() == element_type::NULL_VALUE) {
    out.reset();
    return {};
  }
  simdjson::dom::array array;
  if (value.get(array)) return mismatch(key, "array or null", value);
  if (!out) out.emplace();
  return decodeList(array, key, *out, format::sectionFields);
}

// Keys a record does not have are passed over; a key that stands twice counts last.
template <class Record, size_t N>
Failure decodeRecord(element value, Record& record, const std::array<format::Field<Record>, N>& fields) {
  simdjson::dom::object object;
  if (value.get(object)) return mismatch("", "object", value);
  std::array<bool, N> seen{};
  for (auto entry : object) {
    const std::string_view key = entry.key;
    for (size_t i = 0; i < N; ++i) {
      if (fields[i].key != key) continue;
      seen[i] = true;
      auto decode = [&](auto member) { return decodeValue(entry.value, key, record.*member); };
      if (Failure failure = std::visit(decode, fields[i].member)) return failure;
      break;
    }
  }
  for (size_t i = 0; i < N; ++i) {
    if (seen[i]) continue;
    if (fields[i].required()) return missing(fields[i].key);
    std::visit([&](auto member) { record.*member = {}; }, fields[i].member);
  }
  return {};
}

DecodeError notJSON(simdjson::error_code code) { return {Rejection::notJSON, "", "", simdjson::error_message(code)}; }

}  // namespace

ReportDecoder::ReportDecoder() = default;
ReportDecoder::~ReportDecoder() = default;

DecodeResult ReportDecoder::decode(std::string_view line) noexcept {
  Report report;
  if (std::optional<DecodeError> error = decodeInto(line, nullptr, report, {})) return std::move(*error);
  return report;
}

DecodeResult ReportDecoder::decode(const Line& line, const Inspect& inspect) noexcept {
  Report report;
  if (std::optional<DecodeError> error = decodeInto(line, report, inspect)) return std::move(*error);
  return report;
}

std::optional<DecodeError> ReportDecoder::decodeInto(std::string_view line, Report& into) noexcept {
  return decodeInto(line, nullptr, into, {});
}

std::optional<DecodeError> ReportDecoder::decodeInto(const Line& line, Report& into, const Inspect& inspect) noexcept {
  static_assert(linePadding >= simdjson::SIMDJSON_PADDING);
  return decodeInto(line.text(), &line, into, inspect);
}

std::optional<DecodeError> ReportDecoder::decodeInto(std::string_view line, const Line* padded, Report& into,
                                                     const Inspect& inspect) noexcept {
  try {
    if (!parser_) parser_ = std::make_unique<simdjson::dom::parser>();
    element root;
    // simdjson checks UTF-8 while parsing, so well-formed lines are never scanned
    // twice; only a line it rejects for its encoding is repaired and parsed again.
    auto error = parser_->parse(line.data(), line.size(), padded == nullptr).get(root);
    std::string repaired;
    if (error == simdjson::UTF8_ERROR) {
      repaired = base::utf8::repaired(line);
      error = parser_->parse(repaired.data(), repaired.size()).get(root);
    }
    // The parsed line holds copies of its strings: the line itself is no longer read.
    const size_t lineSize = line.size();
    if (padded != nullptr && !error) padded->release();
    Failure failure = error ? notJSON(error) : decodeRecord(root, into, format::reportFields);
    if (!error && inspect) inspect(root, failure ? &*failure : nullptr);
    // Buffers a very long line grew are not kept for the short lines after it.
    if (lineSize > base::keptBufferCapacity) parser_.reset();
    return failure;
  } catch (const std::bad_alloc&) {
    return DecodeError{Rejection::outOfMemory};
  } catch (...) {
    return DecodeError{Rejection::failed};
  }
}

DecodeResult decodeReport(std::string_view line) noexcept {
  ReportDecoder decoder;
  return decoder.decode(line);
}

}  // namespace report
