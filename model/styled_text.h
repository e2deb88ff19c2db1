// Styled text as plain values: each run carries exactly a font and a foreground colour.
// Runs refer to text they do not own (the report being rendered, the renderer's own
// constants): they are valid during the call that receives them, and a platform that
// keeps text past it copies the text.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace model {

enum class FontDesign {
  system,           // the system font
  monospaced,       // the monospaced system font
  monospacedDigit,  // the system font with fixed-width digits
};

enum class FontWeight { regular, semibold };

struct Font {
  FontDesign design = FontDesign::system;
  double size = 0;  // points
  FontWeight weight = FontWeight::regular;

  bool operator==(const Font&) const = default;
};

// The platform's named colours; they follow the system's light or dark appearance.
enum class NamedColor { label, secondaryLabel, systemGreen, systemBlue, systemOrange, systemGray };

// A named colour, optionally blended with another. When the platform cannot make the
// blend, the base colour is drawn unblended.
struct Color {
  struct Blend {
    double fraction;
    NamedColor with;

    bool operator==(const Blend&) const = default;
  };

  NamedColor base = NamedColor::label;
  std::optional<Blend> blend;

  bool operator==(const Color&) const = default;
};

// A run's text is its gap followed by its text: a row's fields each come after two
// spaces, which the run holds without a copy of the field.
struct StyledRun {
  std::string_view gap;
  std::string_view text;
  Font font;
  Color color;

  [[nodiscard]] size_t size() const { return gap.size() + text.size(); }
  void appendTo(std::string& out) const { out.append(gap).append(text); }
  bool operator==(const StyledRun&) const = default;
};

// At most four runs (a row: label, bar, value, detail), held in place.
class StyledText {
 public:
  static constexpr size_t capacity = 4;

  StyledText() = default;
  StyledText(std::initializer_list<StyledRun> runs) {
    for (const StyledRun& run : runs) push_back(run);
  }

  void push_back(const StyledRun& run) {
    assert(size_ < capacity);
    if (size_ < capacity) runs_[size_++] = run;
  }
  [[nodiscard]] size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] const StyledRun& front() const { return runs_[0]; }
  [[nodiscard]] const StyledRun& operator[](size_t index) const { return runs_[index]; }
  [[nodiscard]] const StyledRun* begin() const { return runs_.data(); }
  [[nodiscard]] const StyledRun* end() const { return runs_.data() + size_; }

  bool operator==(const StyledText& other) const {
    if (size_ != other.size_) return false;
    for (size_t i = 0; i < size_; ++i) {
      if (!(runs_[i] == other.runs_[i])) return false;
    }
    return true;
  }

 private:
  std::array<StyledRun, capacity> runs_{};
  size_t size_ = 0;
};

// The runs' texts joined, as a plain label.
[[nodiscard]] inline std::string plainText(const StyledText& text) {
  std::string plain;
  for (const StyledRun& run : text) run.appendTo(plain);
  return plain;
}

}  // namespace model
