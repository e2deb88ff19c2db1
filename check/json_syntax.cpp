// A strict recursive-descent reading of JSON that stops at the first fault. It follows
// the limits of the indicator's parser (64-bit integers, finite doubles, valid Unicode
// escapes, 1024 levels of nesting) so that its explanation matches the rejection.
#include "check/json_syntax.h"

#include "base/text.h"
#include "base/utf8.h"

#include <cerrno>
#include <cstdlib>
#include <string>

namespace check {

namespace {

constexpr int maxDepth = 1024;

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<SyntaxFault> line() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") return fault(0, "a byte order mark starts the line; write UTF-8 without one");
    skipSpace();
    if (at_ == text_.size()) return fault(at_, "the line is blank");
    if (auto bad = value(0)) return bad;
    skipSpace();
    if (at_ == text_.size()) return std::nullopt;
    if (peek() == ':') return fault(at_, "a key and its value with no object around them; " + std::string(prettyPrinted));
    if (peek() == '}' || peek() == ']') return fault(at_, std::string("a stray '") + peek() + "' after the end of the value");
    return fault(at_, "more after the first JSON value; write exactly one object per line");
  }

 private:
  static constexpr std::string_view prettyPrinted = "pretty-printed JSON? write each report on one line";

  // What stands where a value or a key was expected, named where a slip is likely.
  std::optional<SyntaxFault> unexpected(const std::string& expected) const {
    const auto byte = static_cast<unsigned char>(peek());
    if ((byte == '}' || byte == ']') && text_.find_first_not_of(" \t") == at_) {
      return fault(at_, "the line only closes an object or array; " + std::string(prettyPrinted));
    }
    if (byte >= 0x80 && !wellFormedAt()) {
      return fault(at_, std::string("a byte that is not UTF-8 (0x") + base::hexDigits[byte >> 4] + base::hexDigits[byte & 15] +
                            ") outside a string");
    }
    return fault(at_, expected + " here");
  }

  bool wellFormedAt() const {
    const auto lead = static_cast<unsigned char>(peek());
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return lead >= 0xC2 && base::utf8::isValid(text_.substr(at_, length)) && at_ + length <= text_.size();
  }
  static std::optional<SyntaxFault> fault(size_t offset, std::string reason) {
    return SyntaxFault{offset, std::move(reason)};
  }
  bool atEnd() const { return at_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[at_]; }
  void skipSpace() {
    while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n')) ++at_;
  }
  std::optional<SyntaxFault> endedEarly(const char* inside) const {
    return fault(at_, std::string("the line ends inside ") + inside +
                          "; " + std::string(prettyPrinted));
  }

  std::optional<SyntaxFault> value(int depth) {
    if (atEnd()) return endedEarly("an unfinished value");
    switch (peek()) {
      case '{': return container(depth, '}');
      case '[': return container(depth, ']');
      case '"': return string();
      case 't': return literal("true");
      case 'f': return literal("false");
      case 'n': return literal("null");
      case '\'': return fault(at_, "JSON strings take double quotes");
      case 'N':
      case 'I': return fault(at_, "NaN and Infinity are not JSON; send measurements as strings");
      default: break;
    }
    if (peek() == '-' || (peek() >= '0' && peek() <= '9')) return number();
    return unexpected("a value was expected");
  }

  std::optional<SyntaxFault> container(int depth, char close) {
    const bool object = close == '}';
    if (depth + 1 > maxDepth) return fault(at_, "nested deeper than 1024 levels");
    ++at_;
    skipSpace();
    if (peek() == close) {
      ++at_;
      return std::nullopt;
    }
    for (;;) {
      if (atEnd()) return endedEarly(object ? "an object" : "an array");
      if (object) {
        if (peek() != '"') return unexpected("a key in double quotes was expected");
        if (auto bad = string()) return bad;
        skipSpace();
        if (atEnd()) return endedEarly("an object");
        if (peek() != ':') return fault(at_, "':' was expected after the key");
        ++at_;
        skipSpace();
      }
      if (auto bad = value(depth + 1)) return bad;
      skipSpace();
      if (atEnd()) return endedEarly(object ? "an object" : "an array");
      if (peek() == close) {
        ++at_;
        return std::nullopt;
      }
      if (peek() != ',') {
        return fault(at_, std::string("',' or '") + close + "' was expected here");
      }
      const size_t comma = at_++;
      skipSpace();
      if (peek() == close) return fault(comma, std::string("a trailing comma before '") + close + "'");
    }
  }

  std::optional<SyntaxFault> literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return fault(at_, "true, false or null was expected here");
    at_ += word.size();
    return std::nullopt;
  }

  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // The four hex digits after "\u" at at_, or -1.
  int unicodeEscape() {
    if (at_ + 6 > text_.size() || text_[at_] != '\\' || text_[at_ + 1] != 'u') return -1;
    int code = 0;
    for (size_t i = at_ + 2; i < at_ + 6; ++i) {
      const int digit = hexValue(text_[i]);
      if (digit < 0) return -1;
      code = code * 16 + digit;
    }
    return code;
  }

  std::optional<SyntaxFault> string() {
    ++at_;  // the opening quote
    for (;;) {
      if (atEnd()) return fault(at_, "the string is not closed before the line ends");
      const auto byte = static_cast<unsigned char>(peek());
      if (byte == '"') {
        ++at_;
        return std::nullopt;
      }
      if (byte < 0x20) {
        std::string code = "U+00";
        code += base::hexDigits[byte >> 4];
        code += base::hexDigits[byte & 15];
        return fault(at_, "a raw control character (" + code + ") in a string; write it as an escape such as \\n, \\t or \\u00XX");
      }
      if (byte != '\\') {
        ++at_;
        continue;
      }
      if (at_ + 1 >= text_.size()) return fault(at_, "the string is not closed before the line ends");
      const char kind = text_[at_ + 1];
      if (kind != 'u') {
        if (std::string_view("\"\\/bfnrt").find(kind) == std::string_view::npos) {
          const bool printable = kind > ' ' && kind < 0x7F;
          return fault(at_, printable ? std::string("\\") + kind + " is not a JSON escape"
                                      : std::string("a backslash before a character that no JSON escape takes"));
        }
        at_ += 2;
        continue;
      }
      const int code = unicodeEscape();
      if (code < 0) return fault(at_, "\\u takes four hex digits");
      if (code >= 0xDC00 && code <= 0xDFFF) return fault(at_, "a low surrogate escape without a high one before it");
      if (code >= 0xD800 && code <= 0xDBFF) {
        const size_t high = at_;
        at_ += 6;
        const int low = unicodeEscape();
        if (low < 0xDC00 || low > 0xDFFF) return fault(high, "a high surrogate escape without a low one after it");
      }
      at_ += 6;
    }
  }

  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  std::optional<SyntaxFault> number() {
    const size_t start = at_;
    const bool negative = peek() == '-';
    if (negative) ++at_;
    if (peek() == 'I') return fault(start, "NaN and Infinity are not JSON; send measurements as strings");
    if (!isDigit(peek())) return fault(at_, "a digit was expected here");
    if (peek() == '0' && at_ + 1 < text_.size() && isDigit(text_[at_ + 1])) {
      return fault(at_, "a number cannot start with 0");
    }
    while (isDigit(peek())) ++at_;
    bool integer = true;
    if (peek() == '.') {
      integer = false;
      ++at_;
      if (!isDigit(peek())) return fault(at_, "a digit was expected after the decimal point");
      while (isDigit(peek())) ++at_;
    }
    if (peek() == 'e' || peek() == 'E') {
      integer = false;
      ++at_;
      if (peek() == '+' || peek() == '-') ++at_;
      if (!isDigit(peek())) return fault(at_, "a digit was expected in the exponent");
      while (isDigit(peek())) ++at_;
    }
    const std::string digits(text_.substr(start, at_ - start));
    errno = 0;
    if (integer) {
      // Up to 2^64 - 1, or down to -2^63.
      if (negative) {
        (void)std::strtoll(digits.c_str(), nullptr, 10);
      } else {
        (void)std::strtoull(digits.c_str(), nullptr, 10);
      }
      if (errno == ERANGE) return fault(start, "an integer outside 64 bits; send it as a string");
    } else {
      const double parsed = std::strtod(digits.c_str(), nullptr);
      if (errno == ERANGE && (parsed > 1.0 || parsed < -1.0)) {
        return fault(start, "a number outside the range of a double; send it as a string");
      }
    }
    return std::nullopt;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

std::optional<SyntaxFault> findSyntaxFault(std::string_view line) { return Reader(line).line(); }

}  // namespace check
