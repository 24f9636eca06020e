// Binding the application's routines, which take no arguments and give no result, to the
// windows' events.
#ifndef ROLLCALL_APP_BIND_ROUTINE_H_
#define ROLLCALL_APP_BIND_ROUTINE_H_

#include <cstdint>
#include <utility>

#include "forms/ids.h"
#include "forms/runtime.h"

namespace rc::app {

// Runs `routine()` for the event; the event's arguments are not looked at and its result
// is 0. Returns whether the definitions bind that event.
template <typename Routine>
[[nodiscard]] bool BindRoutine(forms::WindowId window, forms::ControlId control, int32_t event,
                               Routine routine) {
  return forms::BindHandler(window, control, event,
                            [routine = std::move(routine)](int32_t, int32_t) {
                              routine();
                              return 0;
                            });
}

}  // namespace rc::app

#endif  // ROLLCALL_APP_BIND_ROUTINE_H_
