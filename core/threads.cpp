#include "core/threads.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace rc {
namespace detail {

struct HandleState {
  std::mutex mutex;
  std::condition_variable done_changed;
  bool done = false;
};

}  // namespace detail

bool StartThread(std::function<void(int32_t)> routine, std::optional<int32_t> parameter,
                 Handle* handle) {
  if (!routine) return false;
  auto state = std::make_shared<detail::HandleState>();
  try {
    // The thread holds its own reference to the state, so the handle can be released at
    // any time without the thread noticing.
    std::thread worker([state, routine = std::move(routine), p = parameter.value_or(0)]() mutable {
      routine(p);
      // What the routine holds goes before the handle is signalled: a waiter may rely on
      // the thread being done with it (the last owner of an object may be this thread).
      routine = nullptr;
      std::lock_guard lock(state->mutex);
      state->done = true;
      state->done_changed.notify_all();
    });
    worker.detach();
  } catch (const std::system_error&) {
    return false;
  }
  if (handle) handle->state_ = std::move(state);
  return true;
}

bool WaitForHandle(const Handle& handle, std::optional<int32_t> timeout_ms) {
  if (!handle.state_) return false;
  detail::HandleState& s = *handle.state_;
  std::unique_lock lock(s.mutex);
  if (!timeout_ms || *timeout_ms < 0) {
    s.done_changed.wait(lock, [&] { return s.done; });
  } else {
    s.done_changed.wait_for(lock, std::chrono::milliseconds(*timeout_ms), [&] { return s.done; });
  }
  return true;
}

}  // namespace rc
