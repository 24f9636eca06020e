// The runtime's state and the look-ups by window and control id.
#include "forms/internal/runtime_state.h"

#include "core/fatal.h"
#include "forms/runtime.h"

namespace rc::forms {

[[noreturn]] void Fatal(const char* utf8) { RaiseFatalError(0, Text::FromUtf8(utf8)); }

State& RuntimeState() {
  static State state;
  return state;
}

WindowDef* FindDef(WindowId window_id) {
  for (WindowDef& def : RuntimeState().defs) {
    if (def.id == window_id.value) return &def;
  }
  return nullptr;
}

LoadedWindow* Loaded(WindowId window_id) {
  auto it = RuntimeState().loaded.find(window_id);
  return it == RuntimeState().loaded.end() ? nullptr : it->second.get();
}

// Control id 0 names the window's own item; the first item is tried first.

namespace {

template <typename T, typename GetId>
T* FindIn(std::vector<T>& items, ControlId control_id, GetId id_of) {
  if (items.empty()) return nullptr;
  if (control_id == kWindowItself || id_of(items[0]) == control_id.value) return &items[0];
  for (T& item : items) {
    if (id_of(item) == control_id.value) return &item;
  }
  return nullptr;
}

}  // namespace

LiveItem* FindLive(LoadedWindow* lw, ControlId control_id) {
  return FindIn(lw->items, control_id, [](const LiveItem& i) { return i.def.id; });
}

ItemDef* FindDesign(WindowDef* def, ControlId control_id) {
  return FindIn(def->items, control_id, [](const ItemDef& i) { return i.id; });
}

// The item's current definition fields: the working copy while loaded, else the definition.
ItemDef* FindItem(WindowId window_id, ControlId control_id, Control** control) {
  *control = nullptr;
  if (LoadedWindow* lw = Loaded(window_id)) {
    LiveItem* live = FindLive(lw, control_id);
    if (!live) return nullptr;
    *control = live->control.get();
    return &live->def;
  }
  WindowDef* def = FindDef(window_id);
  return def ? FindDesign(def, control_id) : nullptr;
}

bool IsWindowLoaded(WindowId window_id) { return Loaded(window_id) != nullptr; }

QWidget* WindowWidget(WindowId window_id) {
  LoadedWindow* lw = Loaded(window_id);
  return lw ? lw->widget.data() : nullptr;
}

QWidget* ControlWidget(WindowId window_id, ControlId control_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return nullptr;
  LiveItem* item = FindLive(lw, control_id);
  return item && item->control ? item->control->widget() : nullptr;
}

}  // namespace rc::forms
