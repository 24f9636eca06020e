// Binding handlers and raising events.
#include "forms/definition_format.h"
#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/internal/control.h"
#include "forms/internal/runtime_state.h"
#include "forms/runtime.h"

namespace rc::forms {

namespace {

// Whether the definitions bind the event, and the key under which its handler is kept.
bool IsBound(const ItemDef& item, int32_t event) {
  if (item.type == kTypeMenuItem) return item.handler != kNoHandler;
  for (const EventBinding& b : item.events) {
    if (b.event == event && b.handler != kNoHandler) return true;
  }
  return false;
}

}  // namespace

bool BindHandler(WindowId window_id, ControlId control_id, int32_t event, EventHandler handler) {
  WindowDef* def = FindDef(window_id);
  if (!def) return false;
  ItemDef* item = FindDesign(def, control_id);
  if (!item) return false;
  if (item->type == kTypeMenuItem) event = kEventMenuChosen;
  if (!IsBound(*item, event)) return false;
  RuntimeState().handlers[{window_id, ControlId(item->id), event}] = std::move(handler);
  return true;
}

EventResult RaiseEvent(WindowId window_id, ControlId control_id, int32_t event, int32_t arg1,
                       int32_t arg2) {
  if (FatalErrorInProgress()) return {};
  WindowDef* def = FindDef(window_id);
  if (!def) Fatal("未找到引发事件的窗口");
  Control* control = nullptr;
  ItemDef* item = FindItem(window_id, control_id, &control);
  if (!item) Fatal("未找到引发事件的窗口组件");
  if (item->type != kTypeMenuItem) {
    const TypeDescriptor* type = FindTypeDescriptor(item->type);
    if (!type || !(type->flags & kTypeRaisesEvents)) Fatal("引发事件的窗口组件无效");
  } else {
    event = kEventMenuChosen;
  }
  if (!IsBound(*item, event)) return {};
  auto it = RuntimeState().handlers.find({window_id, ControlId(item->id), event});
  if (it == RuntimeState().handlers.end() || !it->second) return {};
  EventHandler handler = it->second;  // a handler may rebind itself while it runs
  EventSource saved = RuntimeState().source;
  RuntimeState().source = {window_id, ControlId(item->id)};
  int32_t result = handler(arg1, arg2);
  RuntimeState().source = saved;
  return {true, result};
}

EventSource CurrentEventSource() { return RuntimeState().source; }

}  // namespace rc::forms
