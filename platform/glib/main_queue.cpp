// Tasks run one at a time on the main thread in the order posted; a long backlog is
// worked off in slices so the loop's other sources still get their turn.
#include "platform/glib/main_queue.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace platform {
namespace {
constexpr size_t tasksPerSlice = 256;
}  // namespace

struct GlibMainQueue::Source {
  GSource base;
  GlibMainQueue* queue;

  static gboolean prepare(GSource* source, gint* timeout) {
    *timeout = -1;
    return reinterpret_cast<Source*>(source)->queue->hasTasks();
  }
  static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
    reinterpret_cast<Source*>(source)->queue->runWaitingTasks();
    return G_SOURCE_CONTINUE;
  }
  static GSourceFuncs functions;
};

// No check: a task posted while the loop polls wakes it, and the next prepare finds it.
GSourceFuncs GlibMainQueue::Source::functions = {Source::prepare, nullptr, Source::dispatch,
                                                 nullptr, nullptr, nullptr};

GlibMainQueue::GlibMainQueue(GMainContext* context)
    : context_(g_main_context_ref(context)),
      source_(g_source_new(&Source::functions, sizeof(Source))),
      mainThread_(std::this_thread::get_id()) {
  reinterpret_cast<Source*>(source_.get())->queue = this;
  g_source_attach(source_.get(), context_.get());
}

// Timers first: they post to the queue.
GlibMainQueue::~GlibMainQueue() { timers_.clear(); }

void GlibMainQueue::async(Task task) {
  bool wasIdle = false;
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    wasIdle = tasks_.empty();
    tasks_.push_back(std::move(task));
  }
  // A queue that already holds tasks has woken the loop, or is being worked off now
  // and will be seen again before the loop sleeps.
  if (wasIdle) g_main_context_wakeup(context_.get());
}

void GlibMainQueue::asyncAfter(std::chrono::milliseconds delay, Task task) {
  struct Pending {
    GlibMainQueue* queue;
    GSource* timer;
    Task task;
  };
  const auto milliseconds = static_cast<guint>(delay.count() < 0 ? 0 : delay.count());
  GSource* timer = g_timeout_source_new(milliseconds);
  // At the deadline the task joins the queue, behind whatever was posted before it.
  g_source_set_callback(
      timer,
      [](gpointer data) -> gboolean {
        auto* pending = static_cast<Pending*>(data);
        GlibMainQueue* queue = pending->queue;
        queue->async(std::move(pending->task));
        std::lock_guard lock(queue->mutex_);
        std::erase_if(queue->timers_, [&](const GSourcePtr& kept) { return kept.get() == pending->timer; });
        return G_SOURCE_REMOVE;
      },
      new Pending{this, timer, std::move(task)}, [](gpointer data) { delete static_cast<Pending*>(data); });
  {
    std::lock_guard lock(mutex_);
    timers_.emplace_back(timer);  // the queue's reference
  }
  g_source_attach(timer, context_.get());
}

bool GlibMainQueue::isCurrent() const { return std::this_thread::get_id() == mainThread_; }

void GlibMainQueue::stop() {
  std::deque<Task> dropped;
  std::lock_guard lock(mutex_);
  stopped_ = true;
  dropped.swap(tasks_);
}

bool GlibMainQueue::hasTasks() {
  std::lock_guard lock(mutex_);
  return !tasks_.empty();
}

void GlibMainQueue::runWaitingTasks() {
  // One lock takes a whole slice, so a producer posting at full speed and the main
  // thread working the backlog off seldom meet on the mutex.
  std::vector<Task> slice;
  {
    std::lock_guard lock(mutex_);
    const size_t count = std::min(tasks_.size(), tasksPerSlice);
    slice.reserve(count);
    std::move(tasks_.begin(), tasks_.begin() + static_cast<std::ptrdiff_t>(count), std::back_inserter(slice));
    tasks_.erase(tasks_.begin(), tasks_.begin() + static_cast<std::ptrdiff_t>(count));
  }
  for (Task& task : slice) {
    // stopped_ is written only on this thread, by a task of this slice.
    if (stopped_) return;
    callFromPlatform(task);
    task = nullptr;
  }
}

}  // namespace platform
