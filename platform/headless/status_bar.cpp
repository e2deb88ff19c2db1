#include "platform/headless/status_bar.h"

#include "base/utf8.h"

namespace platform {

void HeadlessMenu::choose(size_t index) {
  if (index >= entries_.size() || !entries_[index].choosable) return;
  choice_.choose(entries_[index].action, *entries_[index].target);
}

void HeadlessStatusButton::setAttributedTitle(model::StyledText title) {
  titleCharacters_ = 0;
  for (const model::StyledRun& run : title) titleCharacters_ += base::utf8::codePoints(run.gap) + base::utf8::codePoints(run.text);
}

double HeadlessStatusButton::frameWidth() const {
  return padding + advance * static_cast<double>(titleCharacters_);
}

void HeadlessStatusButton::performClick() {
  if (menu_ == nullptr) return;
  menu_->open();
  whileMenuOpen(*menu_);
  menu_->close();
}

void HeadlessStatusItem::setMenu(Menu& menu) {
  menu_ = menus_.find(menu);
  if (button_) button_->menu_ = menu_;
}

}  // namespace platform
