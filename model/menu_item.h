// A menu item as a plain value; the platform turns it into a native item when added.
// Its texts are views, valid during the call that receives the item (see styled_text.h).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/styled_text.h"
#include "model/tone.h"

namespace model {

// The two commands a menu item can carry; the menu's target receives them.
enum class MenuAction { none, openConsole, quit };

// What a measurement row says, beside how it is drawn: a platform whose menu is drawn by
// someone else (a desktop host, in its own font) shows these fields in its own way.
struct RowFields {
  std::string_view label;
  std::string_view bar;
  std::string_view value;
  std::string_view detail;  // empty when the row has none
  Tone tone;                // which gives the bar its colour

  bool operator==(const RowFields&) const = default;
};

struct MenuItem {
  bool isSeparator = false;
  std::string_view title;  // the plain title
  std::optional<StyledText> attributedTitle;  // drawn instead of the plain title
  bool enabled = true;
  MenuAction action = MenuAction::none;
  std::string_view keyEquivalent;  // with the platform's default modifier
  std::optional<std::string_view> toolTip;
  std::optional<RowFields> row;  // present on the items of measurement rows

  static MenuItem separatorItem() { return MenuItem{.isSeparator = true}; }

  bool operator==(const MenuItem&) const = default;
};

// A menu item that owns its texts, for a platform that keeps items past the call that
// handed them over (one that redraws later); item() gives the value back.
class KeptMenuItem {
 public:
  explicit KeptMenuItem(const MenuItem& item) : item_(item) {
    // Every text the item refers to, copied into one buffer; the views are then re-aimed.
    size_t size = item.title.size() + item.keyEquivalent.size() + (item.toolTip ? item.toolTip->size() : 0);
    if (item.attributedTitle) {
      for (const StyledRun& run : *item.attributedTitle) size += run.size();
    }
    if (item.row) size += item.row->label.size() + item.row->bar.size() + item.row->value.size() + item.row->detail.size();
    texts_ = std::make_unique<char[]>(size);
    item_.title = keep(item.title);
    item_.keyEquivalent = keep(item.keyEquivalent);
    if (item.toolTip) item_.toolTip = keep(*item.toolTip);
    if (item.attributedTitle) {
      StyledText runs;
      for (StyledRun run : *item.attributedTitle) {
        run.gap = keep(run.gap);
        run.text = keep(run.text);
        runs.push_back(run);
      }
      item_.attributedTitle = runs;
    }
    if (item.row) {
      for (std::string_view RowFields::*field : {&RowFields::label, &RowFields::bar, &RowFields::value, &RowFields::detail}) {
        item_.row.value().*field = keep(item.row.value().*field);
      }
    }
  }
  KeptMenuItem(const KeptMenuItem& other) : KeptMenuItem(other.item_) {}
  KeptMenuItem& operator=(const KeptMenuItem& other) {
    if (this != &other) *this = KeptMenuItem(other.item_);
    return *this;
  }
  KeptMenuItem(KeptMenuItem&&) noexcept = default;  // the buffer moves, and the views stay valid
  KeptMenuItem& operator=(KeptMenuItem&&) noexcept = default;

  [[nodiscard]] const MenuItem& item() const { return item_; }

 private:
  std::string_view keep(std::string_view text) {
    char* at = texts_.get() + used_;
    text.copy(at, text.size());
    used_ += text.size();
    return {at, text.size()};
  }

  MenuItem item_;
  std::unique_ptr<char[]> texts_;  // on the heap, so that the views survive a move
  size_t used_ = 0;
};

}  // namespace model
