// A native window handle as the window commands hand it out and the hot keys take it (an X11
// window id here).
#ifndef ROLLCALL_SERVICES_NATIVE_HANDLE_H_
#define ROLLCALL_SERVICES_NATIVE_HANDLE_H_

#include <cstdint>

namespace rc {

using NativeHandle = int64_t;

}  // namespace rc

#endif  // ROLLCALL_SERVICES_NATIVE_HANDLE_H_
