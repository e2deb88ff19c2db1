// The Indicator on the headless platform: launch, reports through a pipe, the menu's
// commands and the self-test, observed through the status item, the menu and the log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "app/indicator.h"
#include "base/text.h"
#include "tests/fake_platform.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using app::Indicator;
using model::MenuAction;
using Clock = std::chrono::steady_clock;

constexpr auto patience = 10s;

struct Harness {
  explicit Harness(bool selftest = false, bool buttons = true) : app(buttons) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    // The read end stays open for the reader thread, which may outlive the test.
    writeEnd = fds[1];
    indicator = std::make_shared<Indicator>(
        app, Indicator::Options{.selftest = selftest,
                                .log = [this](std::string_view line) { log.emplace_back(line, Clock::now()); },
                                .input = fds[0],
                                .whenInputPauses = [this] { ++(app.mainQueue()->isCurrent() ? idleOnMain : idleOffMain); }});
    app.setDelegate(indicator.get());
  }

  ~Harness() { endInput(); }

  void send(const std::string& bytes) const { ASSERT_TRUE(base::writeAll(writeEnd, bytes)); }

  void endInput() {
    if (writeEnd >= 0) close(writeEnd);
    writeEnd = -1;
  }

  bool runUntilLogHas(size_t lines) {
    return app.runUntil([&] { return log.size() >= lines; }, patience);
  }
  bool runUntilTerminated() { return app.runUntil([&] { return app.terminated(); }, patience); }

  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& entry : log) texts.push_back(entry.first);
    return texts;
  }

  std::vector<std::string> menuTitles() const {
    std::vector<std::string> titles;
    for (const auto& kept : app.menu().items) {
      titles.emplace_back(kept.item().isSeparator ? "---" : kept.item().title);
    }
    return titles;
  }

  // The item's place in the menu, or the menu's size if it has none.
  size_t indexOf(MenuAction action) const {
    const auto& items = app.menu().items;
    return std::find_if(items.begin(), items.end(), [&](const auto& kept) { return kept.item().action == action; }) -
           items.begin();
  }

  std::vector<std::pair<std::string, Clock::time_point>> log;
  std::atomic<int> idleOnMain = 0, idleOffMain = 0;  // outlive the app, whose reader calls them
  FakeApplication app;
  std::shared_ptr<Indicator> indicator;
  int writeEnd = -1;
};

TEST(Launch, ShowsTheEmptyReportThenEachReportInTurnAndGivesBackIdleMemory) {
  const std::vector<std::string> launchMenu = {"no measurement yet", "---", "Quit indicator"};
  // Each step's input, then the log line, status title and menu it leaves: first the empty
  // report of the launch, then a report; bad lines change nothing, the next good one replaces everything.
  const std::vector<std::tuple<std::string, std::string, std::string, std::vector<std::string>>> steps = {
      {"", "title=\u2026 width=17.5 sections=0", "\u2026", launchMenu},
      {"{\"title\":\"42%\",\"sections\":[{\"title\":\"Now\",\"rows\":[]}],\"console\":\"http://x\"}\n",
       "title=42% width=32.5 sections=1", "42%", {"Now", "---", "Open Kestrelwick console", "Quit indicator"}},
      {"\n{\"title\":1}\nnot json\r\n{\"title\":\"\"}\r\n", "title= width=10.0 sections=0", "", launchMenu},
  };
  Harness harness;
  for (size_t step = 0; step < steps.size(); ++step) {
    const auto& [input, logged, title, menu] = steps[step];
    harness.send(input);
    ASSERT_TRUE(harness.runUntilLogHas(step + 2)) << step;
    EXPECT_EQ(harness.log[step + 1].first, logged);
    EXPECT_EQ(harness.app.button().title, title) << step;
    EXPECT_EQ(harness.menuTitles(), menu) << step;
  }
  EXPECT_EQ(harness.log[0].first, "status item created");
  EXPECT_FALSE(harness.app.terminated());
  // The console follows the last report only, as if an older menu's item were chosen.
  harness.indicator->openConsole();
  EXPECT_TRUE(harness.app.opened.empty());
  // While input pauses, idle memory is given back on the reader's thread and on the main thread.
  ASSERT_TRUE(harness.app.runUntil([&] { return harness.idleOnMain > 0; }, patience));
  EXPECT_GT(harness.idleOffMain, 0);
}

TEST(Launch, EndOfInputRendersEveryReportThenQuits) {
  Harness harness;
  std::string burst;
  std::vector<std::string> logged;  // how each report's log line starts
  for (int i = 0; i < 500; ++i) {
    // Every seventh has no title and a section: each replaced one keeps what its log line says.
    const bool untitled = i % 7 == 6;
    burst += untitled ? R"({"sections":[{"title":"s","rows":[]}]})" "\n"
                      : "{\"title\":\"" + std::to_string(i % 250) + "\"}\n";
    logged.push_back(untitled ? "title=\u2026 width=17.5 sections=1" : "title=" + std::to_string(i % 250) + " ");
  }
  harness.send(burst + "{\"title\":\"last\"}");
  harness.endInput();
  ASSERT_TRUE(harness.runUntilTerminated());
  ASSERT_EQ(harness.log.size(), 503u);
  for (int i = 0; i < 500; ++i) EXPECT_TRUE(harness.log[i + 2].first.starts_with(logged[i])) << harness.log[i + 2].first;
  EXPECT_EQ(harness.log.back().first, "title=last width=40.0 sections=0");
  EXPECT_EQ(harness.app.button().title, "last");
}

TEST(OpenConsole, HandsOnlyAddressesTheParserAcceptsToTheWorkspace) {
  // The console as JSON, what reaches the workspace, why the workspace fails to open it, and
  // what is logged after the title's line.
  const std::vector<std::tuple<std::string, std::vector<std::string>, std::optional<std::string>, std::string>> cases = {
      {R"("HTTP://Example.COM/a/../b?q=1#f")", {"HTTP://Example.COM/a/../b?q=1#f"}, {}, ""},  // as it came
      {R"("")", {}, {}, "console  could not be opened: not an absolute address"},
      {R"(" http://x")", {}, {}, "console  http://x could not be opened: not an absolute address"},
      {R"("http://x\u0000.evil")", {}, {}, "console http://x\0.evil could not be opened: not an absolute address"s},
      {R"("x:y")", {"x:y"}, "Operation not supported", "console x:y could not be opened: Operation not supported"},
      {R"("nosuch-scheme:x")", {"nosuch-scheme:x"}, FakeApplication::realWorkspace,
       "console nosuch-scheme:x could not be opened: Operation not supported"},
  };
  for (const auto& [consoleJSON, opened, handlerFailure, logged] : cases) {
    Harness harness;
    harness.app.openFailure = handlerFailure;
    harness.send("{\"console\":" + consoleJSON + "}\n");
    ASSERT_TRUE(harness.runUntilLogHas(3));
    const size_t console = harness.indexOf(MenuAction::openConsole);
    ASSERT_LT(console, harness.app.menu().items.size()) << consoleJSON;
    harness.app.menu().choose(console);
    EXPECT_EQ(harness.app.opened, opened) << consoleJSON;
    EXPECT_EQ(harness.log.size() > 3 ? harness.log[3].first : "", logged);
    EXPECT_FALSE(harness.app.terminated());
  }
}

TEST(OpenConsole, TakesOnlyAnAbsoluteAddress) {
  for (const auto& [text, absolute] : std::vector<std::pair<std::string, bool>>{
           {"Z:", true}, {"a+b-c.9:x", true}, {"console", false}, {":x", false}, {"9a:x", false},
           {"a b:x", false}, {"a_b:x", false}, {"@:x", false}, {"[:x", false}}) {
    EXPECT_EQ(platform::Application::startsWithScheme(text), absolute) << text;
  }
}

TEST(Quit, EndsTheApplicationWhileTheReaderWaits) {
  Harness harness;
  ASSERT_TRUE(harness.runUntilLogHas(2));
  harness.app.menu().choose(harness.indexOf(MenuAction::quit));
  EXPECT_TRUE(harness.app.terminated());
  // Nothing posted after the end runs any more, however long the loop goes on.
  harness.send("{\"title\":\"too late\"}\n");
  harness.app.runUntil([] { return false; }, 300ms);
  EXPECT_EQ(harness.log.size(), 2u);
}

TEST(MainQueue, ATaskThatThrowsIsDroppedAndTheTasksAfterItStillRunAndThoseLeftAtTheEndGoThen) {
  Harness harness;
  ASSERT_TRUE(harness.runUntilLogHas(2));
  harness.app.mainQueue()->async([] { throw std::runtime_error("no memory for the menu"); });
  harness.send("{\"title\":\"after\"}\n");
  EXPECT_TRUE(harness.runUntilLogHas(3));
  EXPECT_EQ(harness.app.button().title, "after");
  // A task still waiting as the application ends goes then, with what it holds.
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> watched = held;
  harness.app.mainQueue()->async([held = std::move(held)] {});
  harness.app.terminate();
  EXPECT_TRUE(watched.expired());
  // So does one posted after the application has gone, by whoever still holds its queue.
  const std::shared_ptr<platform::MainQueue> kept = FakeApplication().mainQueue();
  held = std::make_shared<int>(0);
  const std::weak_ptr<int> late = held;
  kept->async([held = std::move(held)] {});
  EXPECT_TRUE(late.expired());
}

TEST(Selftest, ShowsTheSampleOpensTheMenuAndQuitsWhenItClosesAndAnItemChosenThenTakesEffect) {
  Harness harness(/*selftest=*/true);
  harness.send("{\"title\":\"never read\"}\n");
  // Someone at the screen sees the sample in the open menu and chooses an item, which takes
  // effect only as the menu closes. The click count below shows that this ran.
  harness.app.whileMenuOpen = [&](platform::HeadlessMenu& menu) {
    EXPECT_TRUE(menu.isOpen());
    EXPECT_EQ(harness.menuTitles(),
              (std::vector<std::string>{"Running now \u00B7 2 windows \u00B7 22.7% together", "codex     ",
                                        "claude    ", "---", "Today", "all agents", "cursor    ", "---",
                                        "Open Kestrelwick console", "Quit indicator"}));
    menu.choose(harness.indexOf(MenuAction::openConsole));
    EXPECT_TRUE(harness.app.opened.empty());
  };
  ASSERT_TRUE(harness.runUntilTerminated());

  EXPECT_EQ(harness.messages(),
            (std::vector<std::string>{"status item created", "title=\u2026 width=17.5 sections=0",
                                      "title=\u2301 23% width=47.5 sections=2", "selftest opening menu",
                                      "selftest menu closed"}));
  EXPECT_GE(harness.log[3].second - harness.log[2].second, 500ms);
  EXPECT_FALSE(harness.app.menu().isOpen());
  EXPECT_EQ(harness.app.clicks, 1);
  EXPECT_EQ(harness.app.activations, 1);
  EXPECT_EQ(harness.app.opened, std::vector<std::string>{"http://127.0.0.1:8180"});
}

TEST(WithoutAButton, TheMenuIsStillRebuiltAndTheSelftestStillEnds) {
  Harness harness(/*selftest=*/false, /*buttons=*/false);
  harness.send("{\"title\":\"t\",\"sections\":[{\"title\":\"S\",\"rows\":[]}]}\n");
  harness.endInput();
  ASSERT_TRUE(harness.runUntilTerminated());
  EXPECT_EQ(harness.messages(), std::vector<std::string>{"status item has no button"});
  EXPECT_EQ(harness.menuTitles(), (std::vector<std::string>{"S", "---", "Quit indicator"}));

  Harness selftest(/*selftest=*/true, /*buttons=*/false);
  ASSERT_TRUE(selftest.runUntilTerminated());
  EXPECT_EQ(selftest.messages(), (std::vector<std::string>{"status item has no button", "selftest opening menu",
                                                           "selftest menu closed"}));
}

TEST(Selftest, TheDelayedStepDoesNothingOnceTheIndicatorIsGone) {
  Harness harness(/*selftest=*/true);
  ASSERT_TRUE(harness.runUntilLogHas(3));
  harness.indicator.reset();
  harness.app.runUntil([] { return false; }, 800ms);
  EXPECT_EQ(harness.log.size(), 3u);
  EXPECT_FALSE(harness.app.terminated());
  EXPECT_EQ(harness.app.activations, 0);
}

}  // namespace
