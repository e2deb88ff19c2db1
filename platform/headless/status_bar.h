// The status bar without a screen: a status item, button and menu that keep what they
// are given, for servers, CI and SSH sessions, where the indicator still reads, renders
// and logs every report. A menu opened by a click closes at once: nobody is there.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

// Keeps of each item only what choosing it needs: nobody reads its texts.
class HeadlessMenu : public Menu {
 public:
  void setAutoenablesItems(bool autoenables) override { autoenablesItems_ = autoenables; }
  void removeAllItems() override { entries_.clear(); }
  void addItem(const model::MenuItem& item, MenuTarget& target) override {
    entries_.push_back({!item.isSeparator && item.enabled, item.action, &target});
  }

  [[nodiscard]] bool autoenablesItems() const { return autoenablesItems_; }
  [[nodiscard]] size_t size() const { return entries_.size(); }
  [[nodiscard]] bool isOpen() const { return choice_.isOpen(); }

  // Chooses an item as a user would: separators and disabled items do nothing.
  void choose(size_t index);
  void open() { choice_.opened(); }
  void close() { choice_.closed(); }

 private:
  struct Entry {
    bool choosable;
    model::MenuAction action;
    MenuTarget* target;
  };
  std::vector<Entry> entries_;
  bool autoenablesItems_ = true;
  MenuChoice choice_;
};

// Its width grows with the title like a real button's: 10 points of padding plus 7.5
// points per character, the width the log lines report without a screen.
class HeadlessStatusButton : public StatusButton {
 public:
  static constexpr double padding = 10.0;
  static constexpr double advance = 7.5;

  // Only the title's length is kept: it is all the width needs.
  void setAttributedTitle(model::StyledText title) override;
  void setImagePosition(ImagePosition position) override { imagePosition_ = position; }
  void setToolTip(const std::string& toolTip) override { toolTip_ = toolTip; }
  [[nodiscard]] double frameWidth() const override;
  void performClick() override;

  [[nodiscard]] const std::optional<ImagePosition>& imagePosition() const { return imagePosition_; }
  [[nodiscard]] const std::optional<std::string>& toolTip() const { return toolTip_; }

 protected:
  // While the menu is open: nobody is at the screen, so nothing happens.
  virtual void whileMenuOpen(HeadlessMenu&) {}

 private:
  friend class HeadlessStatusItem;
  HeadlessMenu* menu_ = nullptr;
  size_t titleCharacters_ = 0;
  std::optional<ImagePosition> imagePosition_;
  std::optional<std::string> toolTip_;
};

class HeadlessStatusItem final : public StatusItem {
 public:
  // A null button stands for a status bar that gives items none.
  HeadlessStatusItem(std::unique_ptr<HeadlessStatusButton> button, const MadeMenus<HeadlessMenu>& menus)
      : button_(std::move(button)), menus_(menus) {}

  [[nodiscard]] StatusButton* button() override { return button_.get(); }
  void setMenu(Menu& menu) override;

  [[nodiscard]] HeadlessStatusButton* headlessButton() const { return button_.get(); }
  [[nodiscard]] HeadlessMenu* menu() const { return menu_; }

 private:
  std::unique_ptr<HeadlessStatusButton> button_;
  const MadeMenus<HeadlessMenu>& menus_;
  HeadlessMenu* menu_ = nullptr;
};

}  // namespace platform
