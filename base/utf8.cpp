// Validation goes through simdjson's vectorised checker; only lines that fail it
// take the byte-by-byte repair below.
#include "base/utf8.h"

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
