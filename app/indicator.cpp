// Launch, rendering, the reader hand-over, the self-test run and the two menu commands.
// Everything here runs on the main thread; the reader's thread only decodes and posts.
#include "app/indicator.h"

#include <unistd.h>

#include <cassert>
#include <chrono>
#include <cstring>
#include <new>
#include <semaphore>
#include <string>

#include "base/text.h"
#include "render/render.h"
#include "report/stdin_reader.h"
#include "selftest/sample_report.h"

namespace app {

namespace {
constexpr std::string_view toolTip = "Kestrelwick \xE2\x80\x94 measured input compression";
constexpr std::chrono::milliseconds selftestDelay{500};
constexpr std::string_view terminalHint =
    "version " INDICATOR_VERSION "; reads reports from standard input, one JSON object per line "
    "(indicator-check --help and man indicator explain them)";
constexpr std::ptrdiff_t maxUnshownHandOvers = 16;
}  // namespace

Indicator::Indicator(platform::Application& app, Options options)
    : app_(app), mainQueue_(app_.mainQueue()), options_(std::move(options)), menu(app_.makeMenu()) {}

bool Indicator::onMainThread() const { return mainQueue_->isCurrent(); }

void Indicator::applicationDidFinishLaunching() {
  assert(onMainThread());
  item = app_.statusItemWithLength(platform::variableStatusItemLength);
  options_.log(item->button() ? "status item created" : "status item has no button");
  if (auto* button = item->button()) button->setToolTip(std::string(toolTip));
  // Each item keeps the enabled state the renderer gives it.
  menu->setAutoenablesItems(false);
  item->setMenu(*menu);
  render(report::Report{});
  if (options_.selftest) {
    selftestOpen();
    return;
  }
  // A person who starts it by hand sees it wait on the terminal: say for what.
  if (::isatty(options_.input) == 1) options_.log(terminalHint);
  readStdin();
}

void Indicator::render(const report::Report& report) {
  renderTitle(report.title, report.sections ? report.sections->size() : 0);
  consoleURL = report.console;
  menu->removeAllItems();
  rendering::buildMenu(report, [this](model::MenuItem&& entry) { menu->addItem(entry, *this); });
}

void Indicator::renderTitle(std::optional<std::string_view> title, size_t sectionCount) {
  assert(onMainThread());
  if (auto* button = item->button()) {
    const std::string_view text = rendering::statusTitleText(title);
    button->setAttributedTitle(rendering::statusTitle(text));
    button->setImagePosition(platform::ImagePosition::noImage);
    rendering::titleLogMessage(logMessage_, text, button->frameWidth(), sectionCount);
    options_.log(logMessage_);
    base::releaseIfLarge(logMessage_);
  }
}

// Reports of one hand-over replace each other before the loop could draw any of them,
// so each gets its title and log line in turn, and only the last its menu.
void Indicator::show(const report::Burst& burst) {
  const base::LogBatch logBatch;
  for (size_t i = 0; i < burst.replacedCount(); ++i) {
    const report::Burst::Replaced replaced = burst.replaced(i);
    renderTitle(replaced.title, replaced.sectionCount);
  }
  render(burst.last);
}

void Indicator::readStdin() {
  app_.utilityQueue().async([weak = weak_from_this(), mainQueue = mainQueue_, &app = app_, options = options_] {
    // The reader stays at most a few hand-overs ahead of what is shown. A slot is given
    // back when its hand-over is shown, or dropped with a main queue that has stopped.
    const auto slots = std::make_shared<std::counting_semaphore<>>(maxUnshownHandOvers);
    std::string failure;
    try {
      const int readFailure = report::readReports(
          options.input,
          [&](report::Burst&& burst) {
            slots->acquire();
            // A null pointer with a deleter: the deleter still runs when the last copy goes.
            std::shared_ptr<void> slot(nullptr, [slots](void*) { slots->release(); });
            mainQueue->async([weak, slot = std::move(slot), burst = std::move(burst)] {
              if (auto self = weak.lock()) self->show(burst);
            });
            if (options.waitForLog) options.waitForLog();
          },
          [&] {
            if (!options.whenInputPauses) return;
            options.whenInputPauses();
            // The main thread's allocations (the log lines) are freed by other threads;
            // an allocator may take them back only on the thread that made them.
            mainQueue->async(options.whenInputPauses);
          });
      // A read that failed (standard input a directory, say) ends the input as its end does.
      if (readFailure != 0) failure = std::strerror(readFailure);
    } catch (const std::bad_alloc&) {
      failure = "out of memory";
    } catch (...) {
      failure = "an unexpected error";
    }
    // Posted after every render hand-over, so each report read is shown before the end.
    mainQueue->async([weak, &app, failure = std::move(failure)] {
      if (auto self = weak.lock(); self && !failure.empty()) {
        self->options_.log("standard input can no longer be read (" + failure + "); it is taken as ended");
      }
      app.terminate();
    });
  });
}

void Indicator::selftestOpen() {
  render(selftest::sampleReport());
  mainQueue_->asyncAfter(selftestDelay, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->selftestStep();
  });
}

void Indicator::selftestStep() {
  assert(onMainThread());
  app_.activateIgnoringOtherApps();
  options_.log("selftest opening menu");
  // Returns only once the menu has closed again.
  if (auto* button = item->button()) button->performClick();
  options_.log("selftest menu closed");
  app_.terminate();
}

void Indicator::openConsole() {
  assert(onMainThread());
  if (!consoleURL) return;
  // The text goes to the parser exactly as the report gave it.
  const std::optional<platform::URL> url = app_.urlFromString(*consoleURL);
  const std::optional<std::string> failure = url ? app_.openURL(*url) : "not an absolute address";
  if (failure) options_.log("console " + *consoleURL + " could not be opened: " + *failure);
}

void Indicator::quit() {
  assert(onMainThread());
  app_.terminate();
}

}  // namespace app
