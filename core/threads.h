// Threads with waitable, releasable handles.
#ifndef ROLLCALL_CORE_THREADS_H_
#define ROLLCALL_CORE_THREADS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace rc {

namespace detail {
struct HandleState;
}

// A handle to a thread: signalled when the thread's routine has returned. Copies refer to
// the same thread. Releasing (or destroying) a handle never stops the thread; the thread runs
// on by itself. Any thread may wait on a handle.
class Handle {
 public:
  Handle() = default;
  bool valid() const { return state_ != nullptr; }
  void Release() { state_.reset(); }

 private:
  friend bool StartThread(std::function<void(int32_t)>, std::optional<int32_t>, Handle*);
  friend bool WaitForHandle(const Handle&, std::optional<int32_t>);
  std::shared_ptr<detail::HandleState> state_;
};

// Runs `routine(parameter)` on a new thread (parameter 0 when omitted). When `handle` is
// given it receives the thread's handle, which then belongs to the caller; otherwise the
// handle is released at once. False when the thread could not be created.
bool StartThread(std::function<void(int32_t)> routine, std::optional<int32_t> parameter = {},
                 Handle* handle = nullptr);

// Waits until the handle is signalled or `timeout_ms` has passed (omitted or negative: no
// limit). False only when the handle is not valid for waiting.
bool WaitForHandle(const Handle& handle, std::optional<int32_t> timeout_ms = {});

}  // namespace rc

#endif  // ROLLCALL_CORE_THREADS_H_
