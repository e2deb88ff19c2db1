// Report lines in, Report values or rejections out.
#include <gtest/gtest.h>

#include <map>

#include <simdjson.h>

#include "report/decode.h"
#include "report/format.h"

// While set, every allocation fails, as when memory runs out. Every form of new that a
// plain delete frees is replaced, so that the two always match (simdjson uses nothrow).
thread_local bool allocationsFail = false;

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocationsFail ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
  if (void* block = operator new(size, std::nothrow)) return block;
  throw std::bad_alloc();
}
// GCC takes the free of what this new allocated for a mismatch, once both are inlined.
#pragma GCC diagnostic push
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace {

report::Row row(std::string label, std::string bar, std::string value) {
  return report::Row{.label = std::move(label), .bar = std::move(bar), .value = std::move(value)};
}

report::Report withSections(std::vector<report::Report::Section> sections) {
  return report::Report{.sections = std::move(sections)};
}

struct Accepted {
  const char* name;
  std::string line;
  report::Report expected;
};

// ctest shows each case by its name rather than as a dump of its bytes.
void PrintTo(const Accepted& accepted, std::ostream* out) { *out << accepted.name; }

class DecodeAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(DecodeAccepts, GivesTheWholeReport) {
  report::DecodeResult result = report::decodeReport(GetParam().line);
  ASSERT_TRUE(result.ok()) << result.error().where;
  EXPECT_EQ(result.report(), GetParam().expected);
}

const report::Row fullRow{.label = "alpha", .bar = "\u2588\u2588\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500",
                  .value = " 42.0%", .detail = "3 runs", .tone = "good",
                  .hint = "measured over the last hour", .emphasis = true};
const std::string longTitle(3 << 20, 'x');

// In an order where each line lacks, or nulls, fields and list entries the line before it
// filled, for the decoding over one reused report below.
const std::vector<Accepted> acceptedLines = {
    {"EveryKeyToItsField",
     "{\"title\":\"42%\",\"tone\":\"good\",\"sections\":[{\"title\":\"Last hour\",\"rows\":["
     "{\"label\":\"alpha\",\"bar\":\"\u2588\u2588\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500\","
     "\"value\":\" 42.0%\",\"detail\":\"3 runs\",\"tone\":\"good\",\"hint\":\"measured over the last hour\","
     "\"emphasis\":true}]},{\"title\":\"Today\",\"rows\":[]}],\"console\":\"http://127.0.0.1:8180\"}",
     report::Report{.title = "42%", .tone = "good",
                    .sections = std::vector<report::Report::Section>{{"Last hour", {fullRow}}, {"Today", {}}},
                    .console = "http://127.0.0.1:8180"}},
    {"KeysInAnyOrderWithWhitespace",
     " \t{ \"console\" : \"c\" ,\r\n \"sections\" : [ { \"rows\" : [ { \"value\" : \"v\" , "
     "\"bar\" : \"b\" , \"label\" : \"l\" } ] , \"title\" : \"s\" } ] , \"title\" : \"t\" } \r\n",
     report::Report{.title = "t", .sections = std::vector<report::Report::Section>{{"s", {row("l", "b", "v")}}},
                    .console = "c"}},
    {"NullsAreAbsent", R"({"title":null,"tone":null,"sections":null,"console":null})", report::Report{}},
    {"EmphasisFalseAndNull",
     R"({"sections":[{"title":"s","rows":[{"label":"l","bar":"b","value":"v","emphasis":false},)"
     R"({"label":"m","bar":"","value":"","emphasis":null,"detail":null,"tone":null,"hint":null}]}]})",
     withSections({{"s",
                    {report::Row{.label = "l", .bar = "b", .value = "v", .emphasis = false},
                     row("m", "", "")}}})},
    {"UnknownKeysHoldingAnythingAreIgnored",
     R"({"x":{"a":[1,2.5e3,{"b":null}]},"sections":[{"more":true,"title":"s",)"
     R"("rows":[{"label":"l","bar":"b","value":"v","extra":-0,"deep":[[[]]]}]}],"y":"z"})",
     withSections({{"s", {row("l", "b", "v")}}})},
    {"EmptySectionsAreAnEmptyList", R"({"sections":[]})", withSections({})},
    {"TitleOnly", R"({"title":"42%"})", report::Report{.title = "42%"}},
    // So long that the decoder gives its buffers back after it.
    {"LongTitle", R"({"title":")" + longTitle + R"("})", report::Report{.title = longTitle}},
    {"EmptyObjectIsTheEmptyReport", "{}", report::Report{}},
    {"EmptyTitleIsNotAbsent", R"({"title":""})", report::Report{.title = ""}},
    {"EmptyConsoleIsPresent", R"({"console":""})", report::Report{.console = ""}},
    {"CapitalisedKeyIsAnotherKey", R"({"Title":"x","CONSOLE":"y"})", report::Report{}},
    {"EscapedKeyMatchesItsText", R"({"t\u0069tle":"x"})", report::Report{.title = "x"}},
    {"EscapesBecomeTheirCharacters", R"({"title":"a\nb\t\u00e9\ud83d\ude00\"\\\/"})",
     report::Report{.title = "a\nb\t\u00e9\U0001F600\"\\/"}},
    {"EscapedNulStaysInTheText", R"({"title":"a\u0000b"})", report::Report{.title = std::string("a\0b", 3)}},
    {"IllFormedUTF8InsideAStringBecomesReplacement", "{\"title\":\"a\xFF" "b\xE2\x82\"}",
     report::Report{.title = "a\uFFFD" "b\uFFFD"}},
    {"RawUnicodeIsKept", "{\"title\":\"\u2301 23%\u2028\"}", report::Report{.title = "\u2301 23%\u2028"}},
    {"RepeatedKeyTakesTheLast", R"({"title":"a","title":"b"})", report::Report{.title = "b"}},
};

INSTANTIATE_TEST_SUITE_P(Lines, DecodeAccepts, testing::ValuesIn(acceptedLines),
                         [](const auto& test) { return std::string(test.param.name); });

// A rejection is a reason and a place; indicator-check words it (tests/data).
TEST(DecodeReport, RejectsWithAReasonAndAPlace) {
  using report::Rejection;
  const std::vector<std::pair<std::string, report::DecodeError>> rejected = {
      {"[]", {Rejection::wrongType, "", "object", "array"}},
      {R"({"title":1})", {Rejection::wrongType, "title", "string or null", "number"}},
      {R"({"sections":{}})", {Rejection::wrongType, "sections", "array or null", "object"}},
      {R"({"sections":[{"rows":[]}]})", {Rejection::missing, "sections[0].title"}},
      {R"({"sections":[{"title":"s","rows":[{},{"label":"l"}]}]})", {Rejection::missing, "sections[0].rows[0].label"}},
      {R"({"sections":[{"title":"s","rows":[{"label":"l","bar":"b","value":"v","emphasis":0}]}]})",
       {Rejection::wrongType, "sections[0].rows[0].emphasis", "true, false or null", "number"}},
  };
  for (const auto& [line, error] : rejected) {
    const report::DecodeResult result = report::decodeReport(line);
    ASSERT_FALSE(result.ok()) << line;
    EXPECT_EQ(result.error(), error) << line;
  }
  EXPECT_EQ(report::decodeReport("{} {}").error().reason, Rejection::notJSON);
  // Memory that runs out is a rejection too, never a report half decoded.
  allocationsFail = true;
  const report::DecodeResult starved = report::decodeReport("{}");
  allocationsFail = false;
  EXPECT_EQ(starved.error().reason, Rejection::outOfMemory);
}

// Decoded one after another over one reused report, as the reader does, each line gives
// what it gives alone: only buffers carry over, past a rejected line and past a line so
// long that the decoder gives its buffers back.
TEST(ReportDecoder, NothingCarriesOverFromOneLineToTheNext) {
  report::ReportDecoder decoder;
  report::Report reused;
  ASSERT_TRUE(decoder.decodeInto("{", reused));
  for (const Accepted& accepted : acceptedLines) {
    ASSERT_FALSE(decoder.decodeInto(accepted.line, reused)) << accepted.name;
    EXPECT_EQ(reused, accepted.expected) << accepted.name;
  }
}

// The schema published for producers says what the format's table says, key by key: each
// record's keys in order, what each may hold, and which must be there.
TEST(Format, TheSchemaSaysWhatTheTableSays) {
  using report::format::Kind;
  const std::map<Kind, std::string_view> types = {
      {Kind::text, R"("string")"}, {Kind::textOrNull, R"(["string","null"])"},
      {Kind::flagOrNull, R"(["boolean","null"])"}, {Kind::rows, R"("array")"},
      {Kind::sectionsOrNull, R"(["array","null"])"}};
  simdjson::dom::parser parser;
  const simdjson::dom::element schema = parser.load(INDICATOR_SOURCE_DIR "/docs/report.schema.json");
  // Each side's keys in order, each with the JSON types it takes, and its required keys in order.
  auto agree = [&](simdjson::dom::element record, const auto& fields) {
    std::vector<std::string> keys, required, expectedKeys, expectedRequired;
    for (auto [key, value] : record["properties"].get_object()) {
      keys.push_back(std::string(key) + " " + simdjson::minify(value["type"]));
    }
    if (simdjson::dom::array names; !record["required"].get(names)) {
      for (auto name : names) required.emplace_back(name.get_string().value());
    }
    for (const auto& field : fields) {
      expectedKeys.push_back(std::string(field.key) + " " + std::string(types.at(field.kind())));
      if (field.required()) expectedRequired.emplace_back(field.key);
    }
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_EQ(required, expectedRequired);
  };
  agree(schema, report::format::reportFields);
  agree(schema["$defs"]["section"], report::format::sectionFields);
  agree(schema["$defs"]["row"], report::format::rowFields);
}

}  // namespace
