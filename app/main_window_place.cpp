#include "app/main_window_place.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <tuple>

#include "app/windows.h"
#include "core/settings.h"
#include "core/value.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

// A window manager nudges a window it frames or unframes by its frame's size, some time after
// the program placed it; a teacher's drag moves it further than that.
constexpr int32_t kLargestNudge = 48;

struct PlaceState {
  int32_t design_width = 0;
  int32_t design_height = 0;
  // The frame corner the program last gave the window: a move to anywhere else is not ours.
  std::optional<ScreenPoint> placed_at;
  // True while the program itself moves the window.
  bool placing = false;
  // The teacher's places of this run, by settings key: they hold even where the settings
  // file cannot be written.
  std::map<std::string, ScreenPoint> dragged;
};

PlaceState& State() {
  static PlaceState state;
  return state;
}

ScreenRect MainWindowRect() {
  auto read = [](int32_t property) {
    return forms::ReadInt(kMainWindow, forms::kWindowItself, property);
  };
  return {read(forms::kPropLeft), read(forms::kPropTop), read(forms::kPropWidth),
          read(forms::kPropHeight)};
}

std::optional<ScreenPoint> RememberedPlace(const std::string& key) {
  const auto it = State().dragged.find(key);
  if (it != State().dragged.end()) return it->second;
  const std::optional<std::string> stored = ReadSetting(key);
  return stored ? ParsePlace(*stored) : std::nullopt;
}

}  // namespace

std::string PlaceSettingKey(const std::vector<Monitor>& monitors) {
  std::vector<ScreenRect> rects;
  for (const Monitor& m : monitors) rects.push_back(m.geometry);
  std::sort(rects.begin(), rects.end(), [](const ScreenRect& a, const ScreenRect& b) {
    return std::tie(a.left, a.top, a.width, a.height) < std::tie(b.left, b.top, b.width, b.height);
  });
  std::string key = "main_window_place:";
  for (size_t i = 0; i < rects.size(); ++i) {
    char part[64];
    std::snprintf(part, sizeof part, "%s%dx%d%+d%+d", i ? "," : "", rects[i].width,
                  rects[i].height, rects[i].left, rects[i].top);
    key += part;
  }
  return key;
}

std::string FormatPlace(ScreenPoint place) {
  return std::to_string(place.x) + "," + std::to_string(place.y);
}

std::optional<ScreenPoint> ParsePlace(std::string_view value) {
  ScreenPoint p;
  const char* end = value.data() + value.size();
  auto [after_x, x_error] = std::from_chars(value.data(), end, p.x);
  if (x_error != std::errc() || after_x == end || *after_x != ',') return std::nullopt;
  auto [after_y, y_error] = std::from_chars(after_x + 1, end, p.y);
  if (y_error != std::errc() || after_y != end) return std::nullopt;
  return p;
}

std::optional<size_t> MonitorHolding(const std::vector<Monitor>& monitors,
                                     const ScreenRect& window) {
  for (size_t i = 0; i < monitors.size(); ++i) {
    if (monitors[i].geometry.Contains(window.Centre())) return i;
  }
  return std::nullopt;
}

ScreenPoint ChoosePlace(const PlaceInputs& in) {
  if (in.remembered &&
      MonitorHolding(in.monitors, {in.remembered->x, in.remembered->y, in.width, in.height})) {
    return *in.remembered;
  }
  size_t monitor = in.active_monitor.value_or(in.pointer_monitor.value_or(0));
  if (monitor >= in.monitors.size()) monitor = 0;
  const ScreenRect& area = in.monitors[monitor].work_area;
  return {area.left + (area.width - in.design_width) / 2,
          area.top + (area.height - in.design_height) / 2};
}

void NoteMainWindowDesignSize() {
  const ScreenRect now = MainWindowRect();
  State().design_width = now.width;
  State().design_height = now.height;
  State().placed_at = ScreenPoint{now.left, now.top};
}

void PlaceMainWindowForShowing() {
  PlaceInputs in;
  in.monitors = Monitors();
  if (in.monitors.empty()) return;
  const ScreenRect now = MainWindowRect();
  in.remembered = RememberedPlace(PlaceSettingKey(in.monitors));
  in.width = now.width;
  in.height = now.height;
  in.design_width = State().design_width ? State().design_width : now.width;
  in.design_height = State().design_height ? State().design_height : now.height;
  in.active_monitor = MonitorOfActiveWindow();
  in.pointer_monitor = MonitorUnderPointer();
  const ScreenPoint target = ChoosePlace(in);
  const bool visible = forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible);
  if (visible && MonitorHolding(in.monitors, now) ==
                     MonitorHolding(in.monitors, {target.x, target.y, now.width, now.height})) {
    return;  // up already where it belongs: the teacher may be working with it
  }
  State().placed_at = target;
  if (target == ScreenPoint{now.left, now.top}) return;
  State().placing = true;
  MoveWindowTo(kMainWindow, target.x, target.y);
  State().placing = false;
}

void OnMainWindowMoved() {
  if (State().placing) return;
  const ScreenRect now = MainWindowRect();
  const ScreenPoint corner{now.left, now.top};
  const std::optional<ScreenPoint> placed = State().placed_at;
  // Where the program put it, give or take the window manager's nudge: not the teacher's
  // place. The place stays the program's, so that a drag reported step by step still counts
  // once it has gone further.
  if (placed && std::abs(corner.x - placed->x) <= kLargestNudge &&
      std::abs(corner.y - placed->y) <= kLargestNudge) {
    return;
  }
  // Nobody drags a hidden window: a move then is the program's own, such as the shift a
  // change between framed and unframed showing may bring, and the window shows there.
  State().placed_at = corner;
  if (!forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible)) return;
  const std::string key = PlaceSettingKey(Monitors());
  State().dragged[key] = corner;
  // Kept for this run all the same when the settings file cannot be written.
  (void)WriteSetting(key, FormatPlace(corner));
}

}  // namespace rc::app
