// The application delegate: owns what is shown, renders reports, carries the menu's commands.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/log.h"
#include "platform/platform.h"
#include "report/report.h"
#include "report/stdin_reader.h"

namespace app {

class Indicator final : public platform::ApplicationDelegate,
                        public platform::MenuTarget,
                        public std::enable_shared_from_this<Indicator> {
 public:
  struct Options {
    bool selftest = false;
    std::function<void(std::string_view)> log = base::writeLogLine;
    int input = 0;  // where report lines come from: standard input
    std::function<void()> whenInputPauses;  // called on the reader's thread and the main thread
    // Called on the reader's thread after each hand-over, so that it reads no faster than
    // standard error's reader takes the log lines.
    std::function<void()> waitForLog = base::waitWhileLogBehind;
  };

  // Held by a shared_ptr for its whole life: deferred work holds it weakly.
  Indicator(platform::Application& app, Options options);

  void applicationDidFinishLaunching() override;
  void openConsole() override;
  void quit() override;

 private:
  void render(const report::Report& report);
  void renderTitle(std::optional<std::string_view> title, size_t sectionCount);
  void show(const report::Burst& burst);
  void readStdin();
  void selftestOpen();
  void selftestStep();
  [[nodiscard]] bool onMainThread() const;

  platform::Application& app_;
  const std::shared_ptr<platform::MainQueue> mainQueue_;
  const Options options_;

  // What is shown, by the names the design gives them.
  std::unique_ptr<platform::StatusItem> item;
  std::unique_ptr<platform::Menu> menu;
  std::optional<std::string> consoleURL;

  std::string logMessage_;  // one buffer for every report's log line
};

}  // namespace app
