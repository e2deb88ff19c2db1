// The desktop services the indicator uses, as plain C++. Each platform implements
// them in its own files; every operation maps onto one native call (see README.md here).
#pragma once

#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/log.h"
#include "model/menu_item.h"
#include "model/row_meaning.h"
#include "model/styled_text.h"

namespace platform {

using Task = std::function<void()>;

// Says in a log line that an exception reached the event loop, and why.
inline void logDroppedError(const char* why) noexcept {
  try {
    base::writeLogLine(std::string("an error reached the event loop and was dropped: ") + why);
  } catch (...) {
    base::writeLogLine("an error reached the event loop and was dropped");
  }
}

// What the platform's own frames call (AppKit's, dispatch's, GLib's, GTK's) runs through
// here: no C++ exception may unwind through frames that are not C++. One that escapes is
// said in a log line (while it still lives: its what() goes with it) and dropped, and the
// event loop goes on.
template <class Call>
void callFromPlatform(Call&& call) noexcept {
  try {
    std::forward<Call>(call)();
  } catch (const std::exception& error) {
    logDroppedError(error.what());
  } catch (...) {
    logDroppedError("not a standard exception");
  }
}

// The queue whose tasks run on the main thread, one at a time, in the order posted,
// between the event loop's other work. Any thread may post to it.
class MainQueue {
 public:
  virtual ~MainQueue() = default;
  virtual void async(Task task) = 0;
  // Runs task once, on the main thread, no earlier than delay from now.
  virtual void asyncAfter(std::chrono::milliseconds delay, Task task) = 0;
  [[nodiscard]] virtual bool isCurrent() const = 0;
};

// A shared background queue of the utility class: tasks run soon, off the main
// thread, and may block for as long as they need.
class BackgroundQueue {
 public:
  virtual ~BackgroundQueue() = default;
  virtual void async(Task task) = 0;
};

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  // Called once, on the main thread, after the event loop has started.
  virtual void applicationDidFinishLaunching() = 0;
};

// The receiver of the menu's commands, called on the main thread.
class MenuTarget {
 public:
  virtual ~MenuTarget() = default;
  virtual void openConsole() = 0;
  virtual void quit() = 0;
};

// Sends an item's command to its target; an item without one does nothing.
inline void perform(model::MenuAction action, MenuTarget& target) {
  switch (action) {
    case model::MenuAction::openConsole: target.openConsole(); break;
    case model::MenuAction::quit: target.quit(); break;
    case model::MenuAction::none: break;
  }
}

// An item chosen while its menu is open is performed once the menu has closed, as on
// macOS, so that no command runs under a menu that is still on screen.
class MenuChoice {
 public:
  void opened() {
    open_ = true;
    chosen_.reset();
  }
  void choose(model::MenuAction action, MenuTarget& target) {
    if (open_) {
      chosen_ = Chosen{action, &target};
    } else {
      perform(action, target);
    }
  }
  void closed() {
    open_ = false;
    if (const std::optional<Chosen> chosen = std::exchange(chosen_, std::nullopt)) perform(chosen->action, *chosen->target);
  }
  [[nodiscard]] bool isOpen() const { return open_; }

 private:
  struct Chosen {
    model::MenuAction action;
    MenuTarget* target;
  };
  std::optional<Chosen> chosen_;
  bool open_ = false;
};

class Menu {
 public:
  virtual ~Menu() = default;
  virtual void setAutoenablesItems(bool autoenables) = 0;
  virtual void removeAllItems() = 0;
  // Adds a native item made from the value; target receives its action, if it has one.
  virtual void addItem(const model::MenuItem& item, MenuTarget& target) = 0;
};

// The menus a platform made, of its own type: a status item handed a Menu finds its own
// here by address, without a cast.
template <class Native>
class MadeMenus {
 public:
  [[nodiscard]] std::unique_ptr<Menu> adopt(std::unique_ptr<Native> menu) {
    made_.push_back(menu.get());
    return menu;
  }
  [[nodiscard]] Native* find(const Menu& menu) const {
    for (Native* made : made_) {
      if (static_cast<const Menu*>(made) == &menu) return made;
    }
    return nullptr;
  }

 private:
  std::vector<Native*> made_;  // owned by whoever holds them; only compared
};

enum class ImagePosition { noImage };

class StatusButton {
 public:
  virtual ~StatusButton() = default;
  virtual void setAttributedTitle(model::StyledText title) = 0;
  virtual void setImagePosition(ImagePosition position) = 0;
  virtual void setToolTip(const std::string& toolTip) = 0;
  // The width of the button's frame in points, as laid out now.
  [[nodiscard]] virtual double frameWidth() const = 0;
  // Opens the menu as a click would; returns only after the menu has closed again.
  virtual void performClick() = 0;
};

class StatusItem {
 public:
  virtual ~StatusItem() = default;
  // May be null: every caller checks.
  [[nodiscard]] virtual StatusButton* button() = 0;
  // The menu drops down on a click; it must outlive the item.
  virtual void setMenu(Menu& menu) = 0;
};

// A parsed address; it keeps the text it was parsed from, unchanged.
class URL {
 public:
  [[nodiscard]] const std::string& string() const { return text_; }

 private:
  friend class Application;
  explicit URL(std::string text) : text_(std::move(text)) {}
  std::string text_;
};

enum class ActivationPolicy { regular, accessory };

inline constexpr double variableStatusItemLength = -1.0;

class Application {
 public:
  virtual ~Application() = default;

  virtual void setDelegate(ApplicationDelegate* delegate) = 0;
  virtual void setActivationPolicy(ActivationPolicy policy) = 0;
  // The event loop: it tells the delegate that launching has finished, then runs
  // until terminate(). The process ends when it returns.
  virtual void run() = 0;
  // Ends the application: no task posted to the main queue runs after this call.
  virtual void terminate() = 0;
  virtual void activateIgnoringOtherApps() = 0;

  // The system status bar: a new item, always given, that stays while it is held.
  [[nodiscard]] virtual std::unique_ptr<StatusItem> statusItemWithLength(double length) = 0;
  [[nodiscard]] virtual std::unique_ptr<Menu> makeMenu() = 0;

  // The platform's URL parser: a URL, or none when it does not accept the text. Only an
  // absolute address counts: Foundation would take "console" or "www.example.com" as a
  // relative one that no handler opens, where GIO refuses it; neither opens anything.
  [[nodiscard]] std::optional<URL> urlFromString(const std::string& text) const {
    if (!startsWithScheme(text) || !acceptsURL(text)) return std::nullopt;
    return URL(text);
  }
  // A scheme is an ASCII letter, then letters, digits, "+", "-" or ".", then ":".
  [[nodiscard]] static bool startsWithScheme(std::string_view text) {
    auto letter = [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !letter(text[0])) return false;
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [&](char c) {
      return letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
  }
  // The workspace: hands the address to the user's default handler for its scheme.
  // Returns why it could not, or nothing once the handler has it.
  [[nodiscard]] virtual std::optional<std::string> openURL(const URL& url) = 0;

  [[nodiscard]] virtual std::shared_ptr<MainQueue> mainQueue() = 0;
  [[nodiscard]] virtual BackgroundQueue& utilityQueue() = 0;

 protected:
  [[nodiscard]] virtual bool acceptsURL(const std::string& text) const = 0;
};

// The application object of the platform this build is for.
Application& sharedApplication();

}  // namespace platform
