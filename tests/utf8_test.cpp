// Repair of ill-formed UTF-8: one U+FFFD per maximal subpart, well-formed text untouched.
#include <gtest/gtest.h>

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

}  // namespace
