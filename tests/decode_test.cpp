// Report lines in, Report values or rejections out.
#include <gtest/gtest.h>

#include "report/decode.h"

namespace {

Row row(std::string label, std::string bar, std::string value) {
  return Row{.label = std::move(label), .bar = std::move(bar), .value = std::move(value)};
}

Report withSections(std::vector<Report::Section> sections) {
  return Report{.sections = std::move(sections)};
}

struct Accepted {
  const char* name;
  std::string line;
  Report expected;
};

// ctest shows each case by its name rather than as a dump of its bytes.
void PrintTo(const Accepted& accepted, std::ostream* out) { *out << accepted.name; }

class DecodeAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(DecodeAccepts, GivesTheWholeReport) {
  DecodeResult result = decodeReport(GetParam().line);
  ASSERT_TRUE(result.ok()) << result.error().message();
  EXPECT_EQ(result.report(), GetParam().expected);
}

const Row fullRow{.label = "alpha", .bar = "\u2588\u2588\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500",
                  .value = " 42.0%", .detail = "3 runs", .tone = "good",
                  .hint = "measured over the last hour", .emphasis = true};

INSTANTIATE_TEST_SUITE_P(
    Lines, DecodeAccepts,
    testing::Values(
        Accepted{"EmptyObjectIsTheEmptyReport", "{}", Report{}},
        Accepted{"TitleOnly", R"({"title":"42%"})", Report{.title = "42%"}},
        Accepted{"EmptyTitleIsNotAbsent", R"({"title":""})", Report{.title = ""}},
        Accepted{"EmptyConsoleIsPresent", R"({"console":""})", Report{.console = ""}},
        Accepted{"NullsAreAbsent", R"({"title":null,"tone":null,"sections":null,"console":null})", Report{}},
        Accepted{"EmptySectionsAreAnEmptyList", R"({"sections":[]})", withSections({})},
        Accepted{"SectionWithoutRows", R"({"sections":[{"title":"s","rows":[]}]})",
                 withSections({{"s", {}}})},
        Accepted{"ExampleLine",
                 "{\"title\":\"42%\",\"tone\":\"good\",\"sections\":[{\"title\":\"Last hour\",\"rows\":["
                 "{\"label\":\"alpha\",\"bar\":\"\u2588\u2588\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500\","
                 "\"value\":\" 42.0%\",\"detail\":\"3 runs\",\"tone\":\"good\","
                 "\"hint\":\"measured over the last hour\",\"emphasis\":true},"
                 "{\"label\":\"beta\",\"bar\":\"\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\","
                 "\"value\":\"  0.0%\"}]}],\"console\":\"http://127.0.0.1:8180\"}",
                 Report{.title = "42%", .tone = "good",
                        .sections = std::vector<Report::Section>{
                            {"Last hour",
                             {fullRow, row("beta", "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500",
                                           "  0.0%")}}},
                        .console = "http://127.0.0.1:8180"}},
        Accepted{"KeysInAnyOrderWithWhitespace",
                 " \t{ \"console\" : \"c\" ,\r\n \"sections\" : [ { \"rows\" : [ { \"value\" : \"v\" , "
                 "\"bar\" : \"b\" , \"label\" : \"l\" } ] , \"title\" : \"s\" } ] , \"title\" : \"t\" } \r\n",
                 Report{.title = "t", .sections = std::vector<Report::Section>{{"s", {row("l", "b", "v")}}},
                        .console = "c"}},
        Accepted{"UnknownKeysHoldingAnythingAreIgnored",
                 R"({"x":{"a":[1,2.5e3,{"b":null}]},"sections":[{"more":true,"title":"s",)"
                 R"("rows":[{"label":"l","bar":"b","value":"v","extra":-0,"deep":[[[]]]}]}],"y":"z"})",
                 withSections({{"s", {row("l", "b", "v")}}})},
        Accepted{"CapitalisedKeyIsAnotherKey", R"({"Title":"x","CONSOLE":"y"})", Report{}},
        Accepted{"EscapedKeyMatchesItsText", R"({"t\u0069tle":"x"})", Report{.title = "x"}},
        Accepted{"EscapesBecomeTheirCharacters", R"({"title":"a\nb\t\u00e9\ud83d\ude00\"\\\/"})",
                 Report{.title = "a\nb\t\u00e9\U0001F600\"\\/"}},
        Accepted{"EscapedNulStaysInTheText", R"({"title":"a\u0000b"})",
                 Report{.title = std::string("a\0b", 3)}},
        Accepted{"EmphasisFalseAndNull",
                 R"({"sections":[{"title":"s","rows":[{"label":"l","bar":"b","value":"v","emphasis":false},)"
                 R"({"label":"m","bar":"","value":"","emphasis":null,"detail":null,"tone":null,"hint":null}]}]})",
                 withSections({{"s",
                                {Row{.label = "l", .bar = "b", .value = "v", .emphasis = false},
                                 row("m", "", "")}}})},
        Accepted{"IllFormedUTF8InsideAStringBecomesReplacement", "{\"title\":\"a\xFF" "b\xE2\x82\"}",
                 Report{.title = "a\uFFFD" "b\uFFFD"}},
        Accepted{"RawUnicodeIsKept", "{\"title\":\"\u2301 23%\u2028\"}", Report{.title = "\u2301 23%\u2028"}},
        Accepted{"RepeatedKeyTakesTheLast", R"({"title":"a","title":"b"})", Report{.title = "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Rejected {
  const char* name;
  std::string line;
  const char* where;  // where the rejection points; "" for the line as a whole
};

void PrintTo(const Rejected& rejected, std::ostream* out) { *out << rejected.name; }

class DecodeRejects : public testing::TestWithParam<Rejected> {};

TEST_P(DecodeRejects, TheWholeLine) {
  DecodeResult result = decodeReport(GetParam().line);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().where, GetParam().where) << result.error().message();
}

// A row in a section, as a report line.
std::string inRow(const std::string& row) { return R"({"sections":[{"title":"s","rows":[)" + row + "]}]}"; }

// Rejections the indicator-check verdict table also shows (a blank line, a missing bar,
// emphasis 1, two objects, a byte order mark, a lone surrogate, a raw tab) are not repeated.
INSTANTIATE_TEST_SUITE_P(
    Lines, DecodeRejects,
    testing::Values(
        Rejected{"Empty", "", ""}, Rejected{"NotJSON", "hello", ""}, Rejected{"HalfAnObject", R"({"title":)", ""},
        Rejected{"Array", "[]", ""}, Rejected{"Number", "1", ""},
        Rejected{"InvalidJSONUnderAnIgnoredKey", R"({"title":"a","x":[1,]})", ""},
        Rejected{"IllFormedUTF8OutsideStrings", "{\"title\":\"a\"\xFF}", ""},
        Rejected{"TitleNumber", R"({"title":1})", "title"},
        Rejected{"ToneObjectAlthoughNeverShown", R"({"tone":{}})", "tone"},
        Rejected{"ConsoleNumber", R"({"console":8180})", "console"},
        Rejected{"SectionsObject", R"({"sections":{}})", "sections"},
        Rejected{"SectionNotObject", R"({"sections":[1]})", "sections[0]"},
        Rejected{"SectionTitleMissing", R"({"sections":[{"rows":[]}]})", "sections[0].title"},
        Rejected{"SectionTitleCapitalised", R"({"sections":[{"Title":"s","rows":[]}]})", "sections[0].title"},
        Rejected{"SectionTitleNull", R"({"sections":[{"title":null,"rows":[]}]})", "sections[0].title"},
        Rejected{"SectionRowsMissing", R"({"sections":[{"title":"s"}]})", "sections[0].rows"},
        Rejected{"SectionRowsNull", R"({"sections":[{"title":"s","rows":null}]})", "sections[0].rows"},
        Rejected{"SectionRowsObject", R"({"sections":[{"title":"s","rows":{}}]})", "sections[0].rows"},
        Rejected{"RowNotObject", inRow(R"("r")"), "sections[0].rows[0]"},
        Rejected{"RowLabelMissing", inRow(R"({"bar":"b","value":"v"})"), "sections[0].rows[0].label"},
        Rejected{"RowValueMissing", inRow(R"({"label":"l","bar":"b"})"), "sections[0].rows[0].value"},
        Rejected{"RowValueNull", inRow(R"({"label":"l","bar":"b","value":null})"), "sections[0].rows[0].value"},
        Rejected{"DetailNumber", inRow(R"({"label":"l","bar":"b","value":"v","detail":3})"),
                 "sections[0].rows[0].detail"},
        Rejected{"RowValueNumberInALaterSection",
                 R"({"sections":[{"title":"a","rows":[]},{"title":"b","rows":[{"label":"l","bar":"b","value":42}]}]})",
                 "sections[1].rows[0].value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportDecoder, NothingCarriesOverFromOneLineToTheNext) {
  ReportDecoder decoder;
  const std::string large = R"({"title":")" + std::string(3 << 20, 'x') + R"("})";
  const std::vector<std::pair<std::string, std::optional<Report>>> lines = {
      {R"({"title":"a","sections":[{"title":"s","rows":[]}]})",
       Report{.title = "a", .sections = std::vector<Report::Section>{{"s", {}}}}},
      {R"({"console":"c"})", Report{.console = "c"}},
      {"{", std::nullopt},
      {large, Report{.title = std::string(3 << 20, 'x')}},
      {"{}", Report{}},
  };
  for (const auto& [line, expected] : lines) {
    DecodeResult result = decoder.decode(line);
    ASSERT_EQ(result.ok(), expected.has_value()) << line.substr(0, 60);
    if (expected) {
      EXPECT_EQ(result.report(), *expected);
    }
  }
}

}  // namespace
