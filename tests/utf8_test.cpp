// Repair of ill-formed UTF-8: one U+FFFD per maximal subpart, well-formed text untouched;
// and text made safe to show where it goes.
#include <gtest/gtest.h>

#include "base/text.h"
#include "base/utf8.h"

namespace {

// What count repaired subparts become: as many U+FFFD REPLACEMENT CHARACTERs.
std::string replaced(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "\xEF\xBF\xBD";
  return text;
}

TEST(Utf8, RepairsEachMaximalSubpartOnce) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain ascii", "plain ascii"},
      {"a\u00e9\u2301\U0001F600", "a\u00e9\u2301\U0001F600"},
      {"\x80", replaced(1)},
      {"\xFF", replaced(1)},
      {"\xF5\x80", replaced(2)},
      {"\xC0\xAF", replaced(2)},                       // overlong lead
      {"\xE0\x80\xAF", replaced(3)},                   // overlong three-byte form
      {"\xED\xA0\x80", replaced(3)},                   // a surrogate
      {"\xF4\x90\x80\x80", replaced(4)},               // past U+10FFFF
      {"\xE2\x82", replaced(1)},                       // truncated at the end
      {"\xE2\x82" "A", replaced(1) + "A"},             // truncated before ASCII
      {"\xF0\x9F\x98x", replaced(1) + "x"},            // three of four bytes
      {"\xE2\x82\xE2\x82\xAC", replaced(1) + "\u20AC"}, // truncated, then whole
      {"\xE0\x9F\xBF\xED\xA0\x80\xF0\x8F\xBF\xBF\xF4\x90\x80\x80", replaced(14)},  // just past each edge
      // The Unicode standard's own example of maximal subparts.
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       "a" + replaced(3) + "b" + replaced(1) + "c" + replaced(2) + "d"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(base::utf8::repaired(input), expected) << testing::PrintToString(input);
    EXPECT_TRUE(base::utf8::isValid(base::utf8::repaired(input)));
  }
}

// Each encoding length, and each lead byte's range, at its edges: appended as written, and
// kept whole by the repair that an ill-formed byte after it forces.
TEST(Utf8, AppendsAndKeepsEveryEncodingLengthAndLeadByteRange) {
  const std::vector<std::pair<char32_t, std::string>> cases = {
      {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"},
      {0x1000, "\xE1\x80\x80"}, {0xCFFF, "\xEC\xBF\xBF"}, {0xD7FF, "\xED\x9F\xBF"}, {0xE000, "\xEE\x80\x80"},
      {0xFFFF, "\xEF\xBF\xBF"}, {0x10000, "\xF0\x90\x80\x80"}, {0x40000, "\xF1\x80\x80\x80"},
      {0xFFFFF, "\xF3\xBF\xBF\xBF"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"}};
  for (const auto& [codePoint, expected] : cases) {
    std::string out;
    base::utf8::append(out, codePoint);
    EXPECT_EQ(out, expected) << static_cast<uint32_t>(codePoint);
    EXPECT_EQ(base::utf8::repaired(expected + "\xFF"), expected + replaced(1)) << static_cast<uint32_t>(codePoint);
    EXPECT_EQ(base::utf8::repaired(expected + "\x80"), expected + replaced(1)) << static_cast<uint32_t>(codePoint);
  }
}

// A mark, a modifier, a flag's second letter and what a joiner joins belong to the
// character before them.
TEST(Utf8, CountsCharactersAsAReaderDoes) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"abc", 3}, {"e\u0301\u0327", 1}, {"\u05E9\u05B8", 1}, {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},
      {"\U0001F44D\U0001F3FD!", 2}, {"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7\U0001F1E9", 3}, {"\u2764\uFE0F", 1},
      {"\u0915\u093F", 1}, {"", 0}};
  for (const auto& [text, count] : cases) EXPECT_EQ(base::utf8::characters(text), count) << text;
}

TEST(Utf8, TellsRightToLeftScriptsEachBlockAtItsEdges) {
  for (const std::string text : {"a\u0590", "\u08FF", "\uFB1D", "\uFDFF", "\uFE70", "\uFEFF", "\U00010800", "\U00010FFF",
                                 "\U0001E800", "\U0001EFFF"}) EXPECT_TRUE(base::utf8::holdsRightToLeft(text)) << text;
  for (const std::string text : {"a\u058F", "\u0900", "\uFB1C", "\uFE00", "\uFF00", "\U000107FF", "\U00011000",
                                 "\U0001E7FF", "\U0001F000", ""}) EXPECT_FALSE(base::utf8::holdsRightToLeft(text)) << text;
}

// On a terminal every control that would act becomes visible, on a toolkit only a NUL;
// on both, ill-formed UTF-8 is repaired and text past the limit gives way to an ellipsis.
TEST(Visible, ShowsWhatWouldActWhereTheTextGoesAndCutsWhereACharacterStarts) {
  using enum base::ShownOn;
  constexpr size_t all = std::string::npos;  // no limit
  const std::string nul("\0", 1), cut = "\u2026", smile = "\U0001F600";
  std::string zalgo = "a";
  for (int mark = 0; mark < 40; ++mark) zalgo += "\u0301";
  const std::vector<std::tuple<std::string, base::ShownOn, size_t, std::string>> cases = {
      {"a\tb\nc\x1b[31m\x7f" + nul, terminal, all, "a\u2409b\u240Ac\u241B[31m\u2421\u2400"}, {"a\nbcd", terminal, 3, "a\u240Ab" + cut},
      {"\xC2\x80\xC2\x9F\xC2\xA0\xFF" "b\xE2\x82", terminal, all, "\\u0080\\u009F\u00A0" + replaced(1) + "b" + replaced(1)},
      // The bidirectional controls, U+202A to U+202E and U+2066 to U+2069, and their neighbours.
      {"\u2029\u202A\u202E\u202F\u2065\u2066\u2069\u206A", terminal, all, "\u2029\\u202A\\u202E\u202F\u2065\\u2066\\u2069\u206A"},
      {"a\tb\nc\x1b\x7f\xC2\x85\u202E" + nul + "\xFF", toolkit, all, "a\tb\nc\x1b\x7f\xC2\x85\u202E\u2400" + replaced(1)},
      {nul + nul, toolkit, 1, "\u2400" + cut}, {smile + smile, toolkit, 2, smile + smile}, {"abcd", toolkit, 3, "abc" + cut},
      {smile + smile + smile, toolkit, 2, smile + smile + cut}, {std::string(40, '\xFF'), toolkit, 3, replaced(3) + cut},
      {"e\u0301e\u0301e", toolkit, 2, "e\u0301e\u0301" + cut}, {zalgo + zalgo, toolkit, 1, zalgo.substr(0, 63) + cut}};
  for (const auto& [text, where, limit, shown] : cases) EXPECT_EQ(base::visible(text, where, limit), shown);
}

}  // namespace
