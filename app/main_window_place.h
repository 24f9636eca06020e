// Where the main window comes up when it shows: on the monitor the teacher presents on (the
// one with the active window, a slide show say, or else the one under the mouse), placed as
// the design places it on a single screen; or, once the teacher has dragged the window
// somewhere, at that place, kept for that arrangement of monitors in the settings file.
//
// The pure part decides; the rest reads the monitors and moves the window. User-interface
// thread only.
#ifndef ROLLCALL_APP_MAIN_WINDOW_PLACE_H_
#define ROLLCALL_APP_MAIN_WINDOW_PLACE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/windows/screens.h"

namespace rc::app {

// The settings key of the teacher's place on this arrangement of monitors: one arrangement,
// one key, whichever order the monitors are listed in.
std::string PlaceSettingKey(const std::vector<Monitor>& monitors);

// A place as stored ("x,y") and back; nothing for a value that is not one.
std::string FormatPlace(ScreenPoint place);
std::optional<ScreenPoint> ParsePlace(std::string_view value);

// The monitor that holds the middle of `window`; nothing when it is off every monitor.
std::optional<size_t> MonitorHolding(const std::vector<Monitor>& monitors,
                                     const ScreenRect& window);

// What the choice of a place looks at.
struct PlaceInputs {
  std::vector<Monitor> monitors;        // not empty
  std::optional<ScreenPoint> remembered;  // the teacher's place on this arrangement
  int32_t width = 0;                     // the window's outer size now
  int32_t height = 0;
  int32_t design_width = 0;  // the size the design centres the window by
  int32_t design_height = 0;
  std::optional<size_t> active_monitor;   // the monitor of the active window
  std::optional<size_t> pointer_monitor;  // the monitor under the mouse
};

// Where the window's frame corner goes: the remembered place while the window would stand
// on a monitor there; else centred by its design size in the work area of the active
// window's monitor, of the monitor under the mouse, or of the primary monitor, in that order.
ScreenPoint ChoosePlace(const PlaceInputs& in);

// Notes the main window's size as the design gives it. Call in its creation event, before
// the window is narrowed.
void NoteMainWindowDesignSize();

// Puts the main window where it is to come up, before it is shown. A window that is up
// already stays where it is unless it is on another monitor than the one it belongs on.
void PlaceMainWindowForShowing();

// The main window's moved event: a move that the program did not make, of the visible window,
// is the teacher's, and its place is remembered for this arrangement of monitors.
void OnMainWindowMoved();

}  // namespace rc::app

#endif  // ROLLCALL_APP_MAIN_WINDOW_PLACE_H_
