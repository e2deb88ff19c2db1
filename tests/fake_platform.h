// The headless status bar with someone at the screen: a test runs the loop until what it
// waits for holds, acts while the menu is open, and sees what would have been opened.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/glib/application.h"

class FakeApplication final : public platform::HeadlessApplication {
 public:
  explicit FakeApplication(bool buttons = true) : buttons_(buttons) {}

  // Keeps every item whole, as a screen would show it.
  class Menu final : public platform::HeadlessMenu {
   public:
    void removeAllItems() override {
      HeadlessMenu::removeAllItems();
      items.clear();
    }
    void addItem(const model::MenuItem& item, platform::MenuTarget& target) override {
      HeadlessMenu::addItem(item, target);
      items.emplace_back(item);
    }
    std::vector<model::KeptMenuItem> items;
  };

  // Keeps the status title as a screen would show it; while its menu is open, someone is at the screen.
  class Button final : public platform::HeadlessStatusButton {
   public:
    explicit Button(FakeApplication& app) : app_(app) {}
    void setAttributedTitle(model::StyledText runs) override {
      HeadlessStatusButton::setAttributedTitle(runs);
      title = model::plainText(runs);
    }
    std::string title;

   protected:
    void whileMenuOpen(platform::HeadlessMenu& menu) override {
      ++app_.clicks;
      if (app_.whileMenuOpen) app_.whileMenuOpen(menu);
    }

   private:
    FakeApplication& app_;
  };

  std::unique_ptr<platform::Menu> makeMenu() override { return menus_.adopt(std::make_unique<Menu>()); }
  std::unique_ptr<platform::StatusItem> statusItemWithLength(double length) override {
    auto item = std::make_unique<platform::HeadlessStatusItem>(buttons_ ? std::make_unique<Button>(*this) : nullptr, menus_);
    statusItem = item.get();
    statusItemLength = length;
    return item;
  }
  std::optional<std::string> openURL(const platform::URL& url) override {
    opened.push_back(url.string());
    if (openFailure == realWorkspace) return HeadlessApplication::openURL(url);
    return openFailure;
  }
  void activateIgnoringOtherApps() override { ++activations; }

  // Runs the loop (launching first) until done() holds or the timeout passes, even past
  // the application's end, as a platform whose loop goes on would; returns done().
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    loop_.launch(delegate_);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      if (!g_main_context_iteration(loop_.context(), FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }
  [[nodiscard]] bool terminated() const { return loop_.ended(); }
  [[nodiscard]] Button& button() const { return static_cast<Button&>(*statusItem->headlessButton()); }
  [[nodiscard]] Menu& menu() const { return static_cast<Menu&>(*statusItem->menu()); }

  std::function<void(platform::HeadlessMenu&)> whileMenuOpen;  // who is at the screen
  platform::HeadlessStatusItem* statusItem = nullptr;          // the newest
  double statusItemLength = 0;
  std::vector<std::string> opened;
  // Why every address fails to open, if it does; realWorkspace hands it to GIO instead.
  std::optional<std::string> openFailure;
  static inline const std::string realWorkspace = "(the real workspace)";
  int activations = 0;
  int clicks = 0;

 private:
  const bool buttons_;
};
