// Report lines are parsed with simdjson's DOM, which validates the whole line,
// values under ignored keys included, and rejects anything after the first value.
#include "report/decode.h"

#include <simdjson.h>

#include <new>
#include <optional>

#include "report/utf8.h"

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

// Above this, a line's parser buffers are released instead of kept for the next line.
constexpr size_t keepParserCapacity = 1 << 20;

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
  std::string what = "expected ";
  what.append(expected).append(", got ").append(typeName(value.type()));
  return {std::string(where), std::move(what)};
}

DecodeError missing(std::string_view key) { return {std::string(key), "missing"}; }

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

Failure requiredText(element value, std::string_view key, std::string& out) {
  if (value.type() != element_type::STRING) return mismatch(key, "string", value);
  out = value.get_string().value_unsafe();
  return {};
}

Failure optionalText(element value, std::string_view key, std::optional<std::string>& out) {
  switch (value.type()) {
    case element_type::NULL_VALUE: out.reset(); return {};
    case element_type::STRING: out.emplace(value.get_string().value_unsafe()); return {};
    default: return mismatch(key, "string or null", value);
  }
}

Failure optionalBool(element value, std::string_view key, std::optional<bool>& out) {
  switch (value.type()) {
    case element_type::NULL_VALUE: out.reset(); return {};
    case element_type::BOOL: out = value.get_bool().value_unsafe(); return {};
    default: return mismatch(key, "true, false or null", value);
  }
}

Failure decodeRow(element value, Row& row) {
  simdjson::dom::object object;
  if (value.get(object)) return mismatch("", "object", value);
  bool hasLabel = false, hasBar = false, hasValue = false;
  for (auto field : object) {
    const std::string_view key = field.key;
    Failure failure;
    if (key == "label") {
      failure = requiredText(field.value, key, row.label);
      hasLabel = true;
    } else if (key == "bar") {
      failure = requiredText(field.value, key, row.bar);
      hasBar = true;
    } else if (key == "value") {
      failure = requiredText(field.value, key, row.value);
      hasValue = true;
    } else if (key == "detail") {
      failure = optionalText(field.value, key, row.detail);
    } else if (key == "tone") {
      failure = optionalText(field.value, key, row.tone);
    } else if (key == "hint") {
      failure = optionalText(field.value, key, row.hint);
    } else if (key == "emphasis") {
      failure = optionalBool(field.value, key, row.emphasis);
    }
    if (failure) return failure;
  }
  if (!hasLabel) return missing("label");
  if (!hasBar) return missing("bar");
  if (!hasValue) return missing("value");
  return {};
}

Failure decodeRows(element value, std::vector<Row>& rows) {
  simdjson::dom::array array;
  if (value.get(array)) return mismatch("rows", "array", value);
  rows.clear();
  rows.reserve(array.size());
  size_t index = 0;
  for (element entry : array) {
    Row& row = rows.emplace_back();
    if (Failure failure = decodeRow(entry, row)) return within(indexed("rows", index), *failure);
    ++index;
  }
  return {};
}

Failure decodeSection(element value, Report::Section& section) {
  simdjson::dom::object object;
  if (value.get(object)) return mismatch("", "object", value);
  bool hasTitle = false, hasRows = false;
  for (auto field : object) {
    const std::string_view key = field.key;
    Failure failure;
    if (key == "title") {
      failure = requiredText(field.value, key, section.title);
      hasTitle = true;
    } else if (key == "rows") {
      failure = decodeRows(field.value, section.rows);
      hasRows = true;
    }
    if (failure) return failure;
  }
  if (!hasTitle) return missing("title");
  if (!hasRows) return missing("rows");
  return {};
}

Failure decodeSections(element value, std::optional<std::vector<Report::Section>>& out) {
  if (value.type() == element_type::NULL_VALUE) {
    out.reset();
    return {};
  }
  simdjson::dom::array array;
  if (value.get(array)) return mismatch("sections", "array or null", value);
  auto& sections = out.emplace();
  sections.reserve(array.size());
  size_t index = 0;
  for (element entry : array) {
    auto& section = sections.emplace_back();
    if (Failure failure = decodeSection(entry, section)) {
      return within(indexed("sections", index), *failure);
    }
    ++index;
  }
  return {};
}

DecodeResult decodeRoot(element root) {
  simdjson::dom::object object;
  if (root.get(object)) return mismatch("", "object", root);
  Report report;
  for (auto field : object) {
    const std::string_view key = field.key;
    Failure failure;
    if (key == "title") {
      failure = optionalText(field.value, key, report.title);
    } else if (key == "tone") {
      failure = optionalText(field.value, key, report.tone);
    } else if (key == "sections") {
      failure = decodeSections(field.value, report.sections);
    } else if (key == "console") {
      failure = optionalText(field.value, key, report.console);
    }
    if (failure) return std::move(*failure);
  }
  return report;
}

DecodeError notJSON(simdjson::error_code code) {
  return {"", std::string("not a single JSON value: ") + simdjson::error_message(code), true};
}

}  // namespace

std::string DecodeError::message() const { return where.empty() ? what : where + ": " + what; }

ReportDecoder::ReportDecoder() = default;
ReportDecoder::~ReportDecoder() = default;

DecodeResult ReportDecoder::decode(std::string_view line) noexcept { return decode(line, Inspect()); }

DecodeResult ReportDecoder::decode(std::string_view line, const Inspect& inspect) noexcept {
  try {
    if (!parser_) parser_ = std::make_unique<simdjson::dom::parser>();
    element root;
    // simdjson checks UTF-8 while parsing, so well-formed lines are never scanned
    // twice; only a line it rejects for its encoding is repaired and parsed again.
    auto error = parser_->parse(line.data(), line.size()).get(root);
    std::string repaired;
    if (error == simdjson::UTF8_ERROR) {
      repaired = utf8::repaired(line);
      error = parser_->parse(repaired.data(), repaired.size()).get(root);
    }
    DecodeResult result = error ? DecodeResult(notJSON(error)) : decodeRoot(root);
    if (result.ok() && inspect) inspect(root);
    if (line.size() > keepParserCapacity) parser_.reset();
    return result;
  } catch (const std::bad_alloc&) {
    parser_.reset();
    return DecodeError{"", "out of memory"};
  } catch (...) {
    parser_.reset();
    return DecodeError{"", "decoding failed"};
  }
}

DecodeResult decodeReport(std::string_view line) noexcept {
  ReportDecoder decoder;
  return decoder.decode(line);
}
