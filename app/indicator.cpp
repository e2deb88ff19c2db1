// Launch, rendering, the reader hand-over, the self-test run and the two menu commands.
// Everything here runs on the main thread; the reader's thread only decodes and posts.
#include "app/indicator.h"

#include <cassert>
#include <chrono>

#include "render/render.h"
#include "report/stdin_reader.h"
#include "selftest/sample_report.h"

namespace {
constexpr std::string_view toolTip = "Kestrelwick \xE2\x80\x94 measured input compression";
constexpr std::chrono::milliseconds selftestDelay{500};
}  // namespace

Indicator::Indicator(platform::Application& app, Options options)
    : app(app), mainQueue(app.mainQueue()), options(std::move(options)), menu(app.makeMenu()) {}

bool Indicator::onMainThread() const { return mainQueue->isCurrent(); }

void Indicator::applicationDidFinishLaunching() {
  assert(onMainThread());
  item = app.statusItemWithLength(platform::variableStatusItemLength);
  options.log(item->button() ? "status item created" : "status item has no button");
  if (auto* button = item->button()) button->setToolTip(std::string(toolTip));
  // Each item keeps the enabled state the renderer gives it.
  menu->setAutoenablesItems(false);
  item->setMenu(*menu);
  render(Report{});
  if (options.selftest) {
    selftestOpen();
  } else {
    readStdin();
  }
}

void Indicator::render(const Report& report) {
  assert(onMainThread());
  if (auto* button = item->button()) {
    const std::string_view title = render::statusTitleText(report);
    button->setAttributedTitle(render::statusTitle(title));
    button->setImagePosition(platform::ImagePosition::noImage);
    const size_t sectionCount = report.sections ? report.sections->size() : 0;
    render::titleLogMessage(logMessage, title, button->frameWidth(), sectionCount);
    options.log(logMessage);
    releaseIfLarge(logMessage);
  }
  consoleURL = report.console;
  menu->removeAllItems();
  render::buildMenu(report, [this](platform::MenuItem&& entry) { menu->addItem(entry, *this); });
}

void Indicator::readStdin() {
  app.utilityQueue().async([weak = weak_from_this(), mainQueue = mainQueue, &app = app,
                            input = options.input, whenInputPauses = options.whenInputPauses] {
    try {
      readReports(
          input,
          [&](std::vector<Report>&& reports) {
            // Each report still gets its own render, in order.
            mainQueue->async([weak, reports = std::move(reports)] {
              if (auto self = weak.lock()) {
                for (const Report& report : reports) self->render(report);
              }
            });
          },
          whenInputPauses);
    } catch (...) {
      // No memory left for a line or a hand-over: input that can no longer be read.
    }
    // Posted after every render hand-over, so each report read is shown before the end.
    mainQueue->async([&app] { app.terminate(); });
  });
}

void Indicator::selftestOpen() {
  render(selftest::sampleReport());
  mainQueue->asyncAfter(selftestDelay, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->selftestStep();
  });
}

void Indicator::selftestStep() {
  assert(onMainThread());
  app.activateIgnoringOtherApps();
  options.log("selftest opening menu");
  // Returns only once the menu has closed again.
  if (auto* button = item->button()) button->performClick();
  options.log("selftest menu closed");
  app.terminate();
}

void Indicator::openConsole() {
  assert(onMainThread());
  if (!consoleURL) return;
  // The text goes to the parser exactly as the report gave it.
  if (auto url = app.urlFromString(*consoleURL)) app.openURL(*url);
}

void Indicator::quit() {
  assert(onMainThread());
  app.terminate();
}
