// Opening the console address on Linux: a fake default handler, installed in private XDG
// directories before GIO first looks, must receive the exact text once, as one argument,
// and what it prints must not reach the indicator's standard output or standard error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/workspace_gio.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path scratch;

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Installs a handler for the scheme "fake" that records how many arguments it got and the
// first one, and prints to its standard output and standard error.
class FakeHandler : public testing::Environment {
 public:
  void SetUp() override {
    scratch = fs::temp_directory_path() / ("indicator-workspace-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    writeFile(scratch / "handler.sh",
              "printf '%s\\n%s' \"$#\" \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n"
              "echo handler-stdout\necho handler-stderr >&2\n");
    writeFile(scratch / "data/applications/fake-handler.desktop",
              "[Desktop Entry]\nType=Application\nName=Fake handler\nNoDisplay=true\n"
              "MimeType=x-scheme-handler/fake;\nExec=sh " + (scratch / "handler.sh").string() + " %u\n");
    writeFile(scratch / "config/mimeapps.list", "[Default Applications]\nx-scheme-handler/fake=fake-handler.desktop\n");
    ::setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (scratch / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (scratch / "config").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(scratch); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new FakeHandler);

std::optional<std::string> waitForHandler(std::chrono::milliseconds patience) {
  const fs::path out = scratch / "handler.sh.out";
  for (auto waited = 0ms; waited < patience; waited += 20ms) {
    if (fs::exists(out)) {
      std::string text = readFile(out);
      fs::remove(out);
      return text;
    }
    std::this_thread::sleep_for(20ms);
  }
  return std::nullopt;
}

TEST(OpenURL, HandsTheExactTextToTheDefaultHandlerOnceWithoutAShell) {
  const std::string marker = (scratch / "shell-ran").string();
  const std::vector<std::string> addresses = {
      "fake://console/",
      "fake://console/a b?q=\"quoted\"&r='single'",
      "fake://console/$(touch " + marker + ")`touch " + marker + "`;touch " + marker + "|&",
      "fake:opaque-part",
  };
  // The handler's output would land in these, were it to reach the indicator's streams.
  const fs::path captured = scratch / "captured";
  const int capture = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(capture, 0);
  const int savedOut = ::dup(STDOUT_FILENO), savedErr = ::dup(STDERR_FILENO);
  std::vector<std::optional<std::string>> received;
  ::dup2(capture, STDOUT_FILENO);
  ::dup2(capture, STDERR_FILENO);
  for (const auto& address : addresses) {
    platform::gio::openURL(address);
    received.push_back(waitForHandler(10s));
  }
  std::this_thread::sleep_for(300ms);  // time for the handler's own output, and any second launch
  ::dup2(savedOut, STDOUT_FILENO);
  ::dup2(savedErr, STDERR_FILENO);
  ::close(savedOut);
  ::close(savedErr);
  ::close(capture);

  for (size_t i = 0; i < addresses.size(); ++i) EXPECT_EQ(received[i], "1\n" + addresses[i]);
  EXPECT_FALSE(fs::exists(scratch / "handler.sh.out")) << "launched more than once";
  EXPECT_FALSE(fs::exists(marker)) << "a shell read the address";
  EXPECT_EQ(readFile(captured), "");
}

TEST(OpenURL, TextThatCannotBeOpenedDoesNothing) {
  for (const std::string& text : {std::string("fake://a\0b", 10), std::string("nohandler://x"), std::string("")}) {
    platform::gio::openURL(text);
  }
  EXPECT_EQ(waitForHandler(500ms), std::nullopt);
}

}  // namespace
