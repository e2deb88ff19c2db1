// The in-memory status bar: the whole platform without a display. Its status item,
// button and menu keep what they are given so that it can be read back, and the
// event loop, URL parsing and opening are real (GLib and GIO).
#pragma once

#include <glib.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/background_queue_thread.h"
#include "platform/main_queue_glib.h"
#include "platform/platform.h"

namespace platform {

class MemoryApplication;

class MemoryMenu final : public Menu {
 public:
  struct Entry {
    MenuItem item;
    MenuTarget* target;
  };

  void setAutoenablesItems(bool autoenables) override { autoenablesItems_ = autoenables; }
  void removeAllItems() override { entries_.clear(); }
  void addItem(MenuItem item, MenuTarget& target) override { entries_.push_back({std::move(item), &target}); }

  [[nodiscard]] bool autoenablesItems() const { return autoenablesItems_; }
  [[nodiscard]] const std::vector<Entry>& entries() const { return entries_; }
  [[nodiscard]] bool isOpen() const { return open_; }

  // Chooses an item as a user would. Separators, disabled items and items without an
  // action do nothing. While the menu is open the action waits until it has closed.
  void choose(size_t index);

 private:
  friend class MemoryStatusButton;
  void open();
  void close();  // then runs the action chosen while open, if any

  std::vector<Entry> entries_;
  bool autoenablesItems_ = true;
  bool open_ = false;
  std::optional<size_t> chosen_;  // chosen while open, performed once closed
};

// Width of the frame: 10 points of padding plus 7.5 points per code point of the
// title, so it is predictable in tests and grows with the title like a real one.
class MemoryStatusButton final : public StatusButton {
 public:
  static constexpr double padding = 10.0;
  static constexpr double advance = 7.5;

  explicit MemoryStatusButton(MemoryApplication& app) : app_(app) {}

  // Moved in, so a long title does not leave its buffer behind when a short one follows.
  void setAttributedTitle(StyledText title) override { title_ = std::move(title); }
  void setImagePosition(ImagePosition position) override { imagePosition_ = position; }
  void setToolTip(const std::string& toolTip) override { toolTip_ = toolTip; }
  [[nodiscard]] double frameWidth() const override;
  void performClick() override;

  [[nodiscard]] const StyledText& attributedTitle() const { return title_; }
  [[nodiscard]] std::string plainTitle() const { return plainText(title_); }
  [[nodiscard]] const std::optional<ImagePosition>& imagePosition() const { return imagePosition_; }
  [[nodiscard]] const std::optional<std::string>& toolTip() const { return toolTip_; }
  [[nodiscard]] int clicks() const { return clicks_; }

 private:
  friend class MemoryStatusItem;
  MemoryApplication& app_;
  MemoryMenu* menu_ = nullptr;
  StyledText title_;
  std::optional<ImagePosition> imagePosition_;
  std::optional<std::string> toolTip_;
  int clicks_ = 0;
};

class MemoryStatusItem final : public StatusItem {
 public:
  MemoryStatusItem(MemoryApplication& app, double length, bool hasButton);
  ~MemoryStatusItem() override;

  [[nodiscard]] StatusButton* button() override { return button_.get(); }
  void setMenu(Menu& menu) override;

  [[nodiscard]] MemoryStatusButton* memoryButton() const { return button_.get(); }
  [[nodiscard]] MemoryMenu* menu() const { return menu_; }
  [[nodiscard]] double length() const { return length_; }

 private:
  MemoryApplication& app_;
  const double length_;
  std::unique_ptr<MemoryStatusButton> button_;
  MemoryMenu* menu_ = nullptr;
};

class MemoryApplication final : public Application {
 public:
  struct Options {
    bool statusItemsHaveButtons = true;
    std::function<void(const std::string&)> openURL;  // GIO's default handler when empty
  };

  MemoryApplication() : MemoryApplication(Options{}) {}
  explicit MemoryApplication(Options options);
  ~MemoryApplication() override;

  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  void setActivationPolicy(ActivationPolicy policy) override { activationPolicy_ = policy; }
  void run() override;
  void terminate() override;
  void activateIgnoringOtherApps() override { ++activations_; }
  [[nodiscard]] std::unique_ptr<StatusItem> statusItemWithLength(double length) override;
  [[nodiscard]] std::unique_ptr<Menu> makeMenu() override { return std::make_unique<MemoryMenu>(); }
  void openURL(const URL& url) override;
  [[nodiscard]] std::shared_ptr<MainQueue> mainQueue() override { return mainQueue_; }
  [[nodiscard]] BackgroundQueue& utilityQueue() override { return utilityQueue_; }

  // Who is at the screen while a menu is open: by default nobody, so it closes at once.
  std::function<void(MemoryMenu&)> whileMenuOpen;

  // Runs the event loop (launching first, if that has not happened) until done()
  // holds, the application has terminated, or the timeout passes. Returns done().
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  [[nodiscard]] MemoryStatusItem* statusItem() const { return statusItem_; }
  [[nodiscard]] bool terminated() const { return terminated_; }
  [[nodiscard]] std::optional<ActivationPolicy> activationPolicy() const { return activationPolicy_; }
  [[nodiscard]] int activations() const { return activations_; }

 protected:
  [[nodiscard]] bool acceptsURL(const std::string& text) const override;

 private:
  friend class MemoryStatusItem;
  void launchOnce();

  const Options options_;
  GMainContext* const context_;
  GMainLoop* const loop_;
  const std::shared_ptr<GlibMainQueue> mainQueue_;
  ThreadBackgroundQueue utilityQueue_;
  ApplicationDelegate* delegate_ = nullptr;
  std::optional<ActivationPolicy> activationPolicy_;
  MemoryStatusItem* statusItem_ = nullptr;  // the newest, while it exists
  bool launched_ = false;
  bool terminated_ = false;
  int activations_ = 0;
};

}  // namespace platform
