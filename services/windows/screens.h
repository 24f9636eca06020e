// The monitors of the desktop, and which of them the teacher is looking at.
//
// Coordinates are those of window positions (Qt's device-independent pixels): what the form
// runtime's left and top properties read and write. With one X screen split into monitors
// (an extended desktop, a laptop beside a projector) each monitor is one entry.
//
// Monitors, MonitorOfActiveWindow and MonitorUnderPointer run on the user-interface thread,
// after the QApplication exists; the rest is plain geometry.
#ifndef ROLLCALL_SERVICES_WINDOWS_SCREENS_H_
#define ROLLCALL_SERVICES_WINDOWS_SCREENS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace rc {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;

  bool Contains(ScreenPoint p) const {
    return p.x >= left && p.y >= top && p.x - left < width && p.y - top < height;
  }
  ScreenPoint Centre() const { return {left + width / 2, top + height / 2}; }
  // The area two rectangles share; 0 when they do not meet.
  int64_t OverlapArea(const ScreenRect& other) const;
};

struct Monitor {
  ScreenRect geometry;
  ScreenRect work_area;  // without the desktop's panels and docks
  friend bool operator==(const Monitor&, const Monitor&) = default;
};

// The monitors, the primary one first. Empty only without a screen at all.
std::vector<Monitor> Monitors();

// The index in Monitors() of the monitor that shows most of the active window (the window
// manager's _NET_ACTIVE_WINDOW), such as a slide show. Nothing when no window is active, when
// the active window is the desktop itself, or off X11.
std::optional<size_t> MonitorOfActiveWindow();

// The index in Monitors() of the monitor under the mouse pointer; nothing when it is on none.
std::optional<size_t> MonitorUnderPointer();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_SCREENS_H_
