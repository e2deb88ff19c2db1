// Menus here open and close at once unless someone is set to be at the screen;
// the rest of the platform (loop, timers, URLs) is the real one.
#include "platform/application_memory.h"

#include <utility>

#include "platform/ending_signals_glib.h"
#include "platform/workspace_gio.h"

namespace platform {

void MemoryMenu::choose(size_t index) {
  if (index >= entries_.size()) return;
  const Entry& entry = entries_[index];
  if (entry.item.isSeparator || !entry.item.enabled || entry.item.action == MenuAction::none) return;
  if (open_) {
    chosen_ = index;
  } else {
    perform(entry.item.action, *entry.target);
  }
}

void MemoryMenu::open() {
  open_ = true;
  chosen_.reset();
}

void MemoryMenu::close() {
  open_ = false;
  const std::optional<size_t> chosen = std::exchange(chosen_, std::nullopt);
  if (chosen) perform(entries_[*chosen].item.action, *entries_[*chosen].target);
}

double MemoryStatusButton::frameWidth() const {
  size_t codePoints = 0;
  for (const auto& run : title_) {
    for (unsigned char byte : run.text) codePoints += (byte & 0xC0) != 0x80;
  }
  return padding + advance * static_cast<double>(codePoints);
}

void MemoryStatusButton::performClick() {
  ++clicks_;
  if (menu_ == nullptr) return;
  menu_->open();
  if (app_.whileMenuOpen) app_.whileMenuOpen(*menu_);
  menu_->close();
}

MemoryStatusItem::MemoryStatusItem(MemoryApplication& app, double length, bool hasButton)
    : app_(app), length_(length), button_(hasButton ? std::make_unique<MemoryStatusButton>(app) : nullptr) {
  app_.statusItem_ = this;
}

MemoryStatusItem::~MemoryStatusItem() {
  if (app_.statusItem_ == this) app_.statusItem_ = nullptr;
}

void MemoryStatusItem::setMenu(Menu& menu) {
  menu_ = &dynamic_cast<MemoryMenu&>(menu);
  if (button_) button_->menu_ = menu_;
}

MemoryApplication::MemoryApplication(Options options)
    : options_(std::move(options)),
      context_(g_main_context_new()),
      loop_(g_main_loop_new(context_, FALSE)),
      mainQueue_(std::make_shared<GlibMainQueue>(context_)) {}

MemoryApplication::~MemoryApplication() {
  mainQueue_->stop();
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);
}

void MemoryApplication::launchOnce() {
  if (launched_) return;
  launched_ = true;
  mainQueue_->async([this] {
    if (delegate_ != nullptr) delegate_->applicationDidFinishLaunching();
  });
}

void MemoryApplication::run() {
  launchOnce();
  EndingSignals signals(context_, [this] { terminate(); });
  if (!terminated_) g_main_loop_run(loop_);
  signals.raiseReceived();
}

bool MemoryApplication::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  launchOnce();
  const gint64 deadline = g_get_monotonic_time() + timeout.count() * 1000;
  bool timedOut = false;
  GSource* timer = g_timeout_source_new(static_cast<guint>(timeout.count()));
  g_source_set_callback(
      timer, [](gpointer flag) -> gboolean { *static_cast<bool*>(flag) = true; return G_SOURCE_REMOVE; },
      &timedOut, nullptr);
  g_source_attach(timer, context_);
  while (!done() && !terminated_ && !timedOut && g_get_monotonic_time() < deadline) {
    g_main_context_iteration(context_, TRUE);
  }
  g_source_destroy(timer);
  g_source_unref(timer);
  return done();
}

void MemoryApplication::terminate() {
  terminated_ = true;
  mainQueue_->stop();
  g_main_loop_quit(loop_);
}

std::unique_ptr<StatusItem> MemoryApplication::statusItemWithLength(double length) {
  return std::make_unique<MemoryStatusItem>(*this, length, options_.statusItemsHaveButtons);
}

bool MemoryApplication::acceptsURL(const std::string& text) const { return gio::acceptsURL(text); }

void MemoryApplication::openURL(const URL& url) {
  if (options_.openURL) {
    options_.openURL(url.string());
  } else {
    gio::openURL(url.string());
  }
}

}  // namespace platform
