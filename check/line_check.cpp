#include "check/line_check.h"

#include <simdjson.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <unordered_map>

#include "check/json_syntax.h"
#include "base/text.h"
#include "check/terminal_text.h"
#include "base/utf8.h"
#include "model/tone.h"
#include "render/render.h"
#include "report/format.h"

namespace check {

namespace {

using simdjson::dom::element;

namespace format = report::format;

template <class Record, size_t N>
constexpr std::array<std::string_view, N> keysOf(const std::array<format::Field<Record>, N>& fields) {
  std::array<std::string_view, N> keys;
  for (size_t i = 0; i < N; ++i) keys[i] = fields[i].key;
  return keys;
}

constexpr auto reportKeys = keysOf(format::reportFields);
constexpr auto sectionKeys = keysOf(format::sectionFields);
constexpr auto rowKeys = keysOf(format::rowFields);

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

constexpr size_t longestKey = 16;  // longer keys are far from every known one

// Edits (insert, delete, replace, swap of neighbours) between two keys of longestKey bytes
// at most.
size_t editDistance(std::string_view a, std::string_view b) {
  constexpr size_t longest = longestKey;
  std::array<std::array<size_t, longest + 1>, longest + 1> d{};
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// The known key an unknown one was probably meant to be: the same but for case, or one
// slip away (two for longer keys).
template <size_t N>
std::optional<std::string_view> meantKey(std::string_view key, const std::array<std::string_view, N>& known) {
  if (key.size() > longestKey) return std::nullopt;
  // A producer sends the same extra keys in every line: each is weighed once.
  static std::unordered_map<std::string, std::optional<std::string_view>> weighed;
  if (auto found = weighed.find(std::string(key)); found != weighed.end()) return found->second;
  if (weighed.size() > 4096) weighed.clear();
  const std::string lower = lowered(key);
  std::optional<std::string_view> meant;
  for (std::string_view candidate : known) {
    const size_t allowed = candidate.size() >= 6 ? 2 : 1;
    const size_t lengthGap = lower.size() > candidate.size() ? lower.size() - candidate.size() : candidate.size() - lower.size();
    if (lengthGap <= allowed && editDistance(lower, candidate) <= allowed) {
      meant = candidate;
      break;
    }
  }
  weighed.emplace(key, meant);
  return meant;
}

std::string inQuotes(std::string_view text) {
  std::string cut;
  base::appendCut(cut, text);
  return "\"" + base::visible(cut, base::ShownOn::terminal) + "\"";
}

std::string at(std::string_view where, std::string_view key) {
  if (where.empty()) return std::string(key);
  return std::string(where) + "." + std::string(key);
}

// Where a value sits, written out only when there is something to say about it: most
// lines have nothing, and checking must keep up with the indicator.
struct Place {
  std::optional<size_t> section, row;

  std::string path() const {
    std::string text;
    if (section) text = "sections[" + std::to_string(*section) + "]";
    if (row) text += ".rows[" + std::to_string(*row) + "]";
    return text;
  }
  std::string operator()(std::string_view key) const { return at(path(), key); }
};

class KeyWarnings {
 public:
  explicit KeyWarnings(std::vector<std::string>& out) : out_(out) {}

  void report(element root) {
    simdjson::dom::object object;
    if (root.get(object)) return;
    keys(object, {}, reportKeys, "the report");
    simdjson::dom::array sections;
    if (object["sections"].get(sections)) return;  // absent or null
    size_t s = 0;
    for (element section : sections) {
      simdjson::dom::object sectionObject;
      simdjson::dom::array rows;
      if (!section.get(sectionObject) && !sectionObject["rows"].get(rows)) {
        keys(sectionObject, {s, {}}, sectionKeys, "a section");
        size_t r = 0;
        for (element row : rows) {
          simdjson::dom::object rowObject;
          if (!row.get(rowObject)) keys(rowObject, {s, r}, rowKeys, "a row");
          ++r;
        }
      }
      ++s;
    }
  }

 private:
  template <size_t N>
  void keys(simdjson::dom::object object, const Place& place, const std::array<std::string_view, N>& known,
            std::string_view owner) {
    std::array<bool, N> seen{};
    for (auto field : object) {
      const std::string_view key = field.key;
      const auto found = std::find(known.begin(), known.end(), key);
      if (found != known.end()) {
        if (seen[found - known.begin()]) out_.push_back(place(key) + ": the key stands twice; only the last value counts");
        seen[found - known.begin()] = true;
      } else if (auto meant = meantKey(key, known)) {
        out_.push_back(place(inQuotes(key)) + ": not a key of " + std::string(owner) + ", so it is ignored; did you mean \"" +
                       std::string(*meant) + "\"?");
      }
    }
  }

  std::vector<std::string>& out_;
};

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

constexpr std::array<std::string_view, model::tones.size()> toneNames = [] {
  std::array<std::string_view, model::tones.size()> names;
  for (size_t i = 0; i < names.size(); ++i) names[i] = model::tones[i].name;
  return names;
}();

// What a text shown from the report holds that is likely shown otherwise than meant.
struct TextWarnings {
  std::vector<std::string>& out;
  bool illFormedLine;

  void operator()(const Place& place, std::string_view key, std::string_view text) const {
    if (base::holdsControlCharacters(text, key == "hint")) {
      out.push_back(place(key) + ": holds control characters (line breaks, tabs, escapes), which menus and status bars show differently or not at all");
    }
    if (illFormedLine && text.find(replacementCharacter) != std::string_view::npos) {
      out.push_back(place(key) + ": ill-formed UTF-8, shown as " + std::string(replacementCharacter));
    }
  }
  void operator()(const Place& place, std::string_view key, const std::optional<std::string>& text) const {
    if (text) (*this)(place, key, std::string_view(*text));
  }
};

void toneWarning(std::vector<std::string>& out, const Place& place, const std::optional<std::string>& tone) {
  if (!tone || model::decodeTone(tone) != model::Tone::none) return;  // no tone, or one of them
  std::string trimmed = lowered(*tone);
  trimmed.erase(0, trimmed.find_first_not_of(" \t"));
  trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
  std::string text = place("tone") + ": " + inQuotes(*tone) + " is not one of the tones (";
  for (std::string_view name : toneNames) text.append(name).append(name == toneNames.back() ? "), " : ", ");
  text += "so the bar is drawn grey";
  if (auto meant = meantKey(trimmed, toneNames)) text.append("; did you mean \"").append(*meant).append("\"?");
  out.push_back(std::move(text));
}

void reportWarnings(const report::Report& report, bool illFormedLine, std::vector<std::string>& out) {
  const TextWarnings text{out, illFormedLine};
  if (report.title) {
    if (size_t length = base::utf8::codePoints(*report.title); length > recommendedTitleLength) {
      out.push_back("title: " + std::to_string(length) + " characters; status bars cut or shrink titles longer than " +
                    std::to_string(recommendedTitleLength) + " (see the README's guide for producers)");
    }
  }
  text({}, "title", report.title);
  text({}, "console", report.console);
  if (!report.sections) return;
  for (size_t s = 0; s < report.sections->size(); ++s) {
    const auto& section = (*report.sections)[s];
    text({s, {}}, "title", std::string_view(section.title));
    for (size_t r = 0; r < section.rows.size(); ++r) {
      const report::Row& row = section.rows[r];
      const Place place{s, r};
      text(place, "label", std::string_view(row.label));
      text(place, "bar", std::string_view(row.bar));
      text(place, "value", std::string_view(row.value));
      text(place, "detail", row.detail);
      text(place, "hint", row.hint);
      toneWarning(out, place, row.tone);
    }
  }
}

// For a required key that is missing: the key beside it that was probably meant as it,
// as a question to end the verdict with.
std::optional<std::string> misspelling(const element& root, const report::DecodeError& error) {
  const size_t dot = error.where.rfind('.');
  const std::string_view missing = std::string_view(error.where).substr(dot == std::string::npos ? 0 : dot + 1);
  size_t section = 0, row = 0;
  const int depth = std::sscanf(error.where.c_str(), "sections[%zu].rows[%zu]", &section, &row);
  std::string pointer;
  if (depth >= 1) pointer = "/sections/" + std::to_string(section);
  if (depth == 2) pointer += "/rows/" + std::to_string(row);
  simdjson::dom::object object;
  if (root.at_pointer(pointer).get(object)) return std::nullopt;
  for (auto field : object) {
    const std::optional<std::string_view> meant = depth == 2 ? meantKey(field.key, rowKeys)
                                                  : depth == 1 ? meantKey(field.key, sectionKeys)
                                                               : meantKey(field.key, reportKeys);
    if (meant == missing) return "; " + inQuotes(field.key) + " is there: did you mean \"" + std::string(missing) + "\"?";
  }
  return std::nullopt;
}

// Each reason a line is rejected for, in words, after the place it was found at.
std::string rejection(const report::DecodeError& error) {
  std::string why;
  switch (error.reason) {
    case report::Rejection::notJSON: why = "not a single JSON value: " + std::string(error.found); break;
    case report::Rejection::wrongType: why = "expected " + std::string(error.expected) + ", got " + std::string(error.found); break;
    case report::Rejection::missing: why = "missing"; break;
    case report::Rejection::outOfMemory: why = "out of memory"; break;
    case report::Rejection::failed: why = "decoding failed"; break;
  }
  return error.where.empty() ? why : error.where + ": " + why;
}

std::string plural(size_t count, std::string_view word) {
  return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

std::string summary(const report::Report& report) {
  std::string out = "ok  ";
  out += report.title ? "title " + inQuotes(*report.title) : "no title (shows " + std::string(rendering::placeholderTitle) + ")";
  if (!report.sections) {
    out += ", no sections";
  } else {
    size_t rows = 0;
    for (const auto& section : *report.sections) rows += section.rows.size();
    out += ", " + plural(report.sections->size(), "section") + ", " + plural(rows, "row");
  }
  if (report.console) out += ", console";
  return out;
}

}  // namespace

void explain(LineCheck& check) {
  if (!check.report) return;
  check.verdict = summary(*check.report);
  reportWarnings(*check.report, check.illFormedUTF8, check.warnings);
}

LineCheck checkLine(const report::Line& line, report::ReportDecoder& decoder) {
  LineCheck check;
  // Asked first: a line that parses is given back before the report is made of it.
  check.illFormedUTF8 = !base::utf8::isValid(line.text());
  std::optional<std::string> question;
  report::DecodeResult result = decoder.decode(line, [&](const element& root, const report::DecodeError* rejection) {
    if (rejection == nullptr) {
      KeyWarnings(check.warnings).report(root);
    } else if (rejection->reason == report::Rejection::missing) {
      question = misspelling(root, *rejection);
    }
  });
  if (result.ok()) {
    check.report = std::move(result).report();
    return check;
  }
  const report::DecodeError& error = result.error();
  if (error.reason != report::Rejection::notJSON) {
    check.verdict = "rejected  " + rejection(error) + question.value_or("");
    return check;
  }
  // Not JSON: the line is still there to be looked at.
  const std::string_view text = line.text();
  if (text.find_first_not_of(" \t\r") == std::string_view::npos) {
    check.verdict = "rejected  blank line";
  } else if (auto fault = findSyntaxFault(text)) {
    check.verdict = "rejected  not JSON at byte " + std::to_string(fault->offset + 1) + ": " + fault->reason;
    check.excerpt = excerptWithCaret(text, fault->offset, "    ");
  } else {
    check.verdict = "rejected  " + rejection(error);
  }
  return check;
}

}  // namespace check
