// Validation goes through simdjson's vectorised checker; only lines that fail it
// take the byte-by-byte repair below.
#include "base/utf8.h"

#include <utility>

#include <simdjson.h>

namespace base::utf8 {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// The length a lead byte announces and the range its second byte must fall in,
// which is where overlong forms, surrogates and values past U+10FFFF are excluded.
struct Lead {
  int length;
  unsigned char secondLow;
  unsigned char secondHigh;
};

Lead leadOf(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte >= 0xE1 && byte <= 0xEC) return {3, 0x80, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte >= 0xEE && byte <= 0xEF) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

size_t codePoints(std::string_view text) noexcept {
  size_t count = 0;
  for (char byte : text) count += isContinuation(byte) ? 0 : 1;
  return count;
}

namespace {

// The code point that starts at text[at], in well-formed UTF-8.
char32_t decodedAt(std::string_view text, size_t at) noexcept {
  const auto lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  char32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t next = at + 1; next < at + length && next < text.size(); ++next) {
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[next]) & 0x3F);
  }
  return codePoint;
}

// Marks and modifiers that belong to the character before them.
constexpr std::pair<char32_t, char32_t> joiningRanges[] = {
    {0x0300, 0x036F},   {0x0483, 0x0489},   {0x0591, 0x05BD},   {0x05BF, 0x05C7},   {0x0610, 0x061A},
    {0x064B, 0x065F},   {0x0670, 0x0670},   {0x06D6, 0x06ED},   {0x0900, 0x0903},   {0x093A, 0x094F},
    {0x0951, 0x0957},   {0x0962, 0x0963},   {0x0E31, 0x0E31},   {0x0E34, 0x0E3A},   {0x0E47, 0x0E4E},
    {0x1AB0, 0x1AFF},   {0x1DC0, 0x1DFF},   {0x200C, 0x200D},   {0x20D0, 0x20FF},   {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F},   {0x1F3FB, 0x1F3FF}, {0xE0020, 0xE007F}, {0xE0100, 0xE01EF},
};
constexpr char32_t zeroWidthJoiner = 0x200D;

}  // namespace

bool CharacterCounter::startsCharacter(std::string_view text, size_t at) noexcept {
  const char32_t codePoint = decodedAt(text, at);
  const bool joined = std::exchange(afterJoiner_, codePoint == zeroWidthJoiner);
  const bool flagLetter = codePoint >= 0x1F1E6 && codePoint <= 0x1F1FF;
  const bool secondFlagLetter = flagLetter && oddFlagLetter_;
  oddFlagLetter_ = flagLetter && !oddFlagLetter_;
  if (joined || secondFlagLetter) return false;
  for (const auto& [first, last] : joiningRanges) {
    if (codePoint >= first && codePoint <= last) return false;
  }
  return true;
}

bool holdsRightToLeft(std::string_view text) noexcept {
  constexpr std::pair<char32_t, char32_t> rightToLeft[] = {
      {0x0590, 0x08FF}, {0xFB1D, 0xFDFF}, {0xFE70, 0xFEFF}, {0x10800, 0x10FFF}, {0x1E800, 0x1EFFF}};
  for (size_t at = 0; at < text.size(); ++at) {
    if (isContinuation(text[at])) continue;
    const char32_t codePoint = decodedAt(text, at);
    for (const auto& [first, last] : rightToLeft) {
      if (codePoint >= first && codePoint <= last) return true;
    }
  }
  return false;
}

size_t characters(std::string_view text) noexcept {
  CharacterCounter counter;
  size_t count = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    if (!isContinuation(text[at]) && counter.startsCharacter(text, at)) ++count;
  }
  return count;
}

bool isValid(std::string_view bytes) noexcept {
  return simdjson::validate_utf8(bytes.data(), bytes.size());
}

std::string repaired(std::string_view bytes) {
  if (isValid(bytes)) return std::string(bytes);

  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  size_t i = 0;
  while (i < size) {
    const unsigned char byte = data[i];
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++i;
      continue;
    }
    const Lead lead = leadOf(byte);
    if (lead.length == 0 || i + 1 >= size || data[i + 1] < lead.secondLow ||
        data[i + 1] > lead.secondHigh) {
      out.append(replacement);
      ++i;
      continue;
    }
    size_t valid = 2;  // lead and second byte
    while (valid < static_cast<size_t>(lead.length) && i + valid < size &&
           isContinuation(data[i + valid])) {
      ++valid;
    }
    if (valid == static_cast<size_t>(lead.length)) {
      out.append(bytes.substr(i, valid));
    } else {
      out.append(replacement);
    }
    i += valid;
  }
  return out;
}

void append(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

}  // namespace base::utf8
