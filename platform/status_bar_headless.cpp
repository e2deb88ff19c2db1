#include "platform/status_bar_headless.h"

#include "report/utf8.h"

namespace platform {

void HeadlessMenu::choose(size_t index) {
  if (index >= entries_.size()) return;
  const Entry& entry = entries_[index];
  if (entry.item.isSeparator || !entry.item.enabled) return;
  choice_.choose(entry.item.action, *entry.target);
}

double HeadlessStatusButton::frameWidth() const {
  size_t characters = 0;
  for (const StyledRun& run : title_) characters += utf8::codePoints(run.text);
  return padding + advance * static_cast<double>(characters);
}

void HeadlessStatusButton::performClick() {
  if (menu_ == nullptr) return;
  menu_->open();
  whileMenuOpen(*menu_);
  menu_->close();
}

void HeadlessStatusItem::setMenu(Menu& menu) {
  menu_ = &dynamic_cast<HeadlessMenu&>(menu);
  if (button_) button_->menu_ = menu_;
}

}  // namespace platform
