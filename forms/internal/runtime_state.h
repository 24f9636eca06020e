// The form runtime's state, shared by its source files: the decoded definitions, the loaded
// windows with their controls and the bound handlers. Private to forms/. Everything here
// runs on the GUI thread.
#ifndef ROLLCALL_FORMS_INTERNAL_RUNTIME_STATE_H_
#define ROLLCALL_FORMS_INTERNAL_RUNTIME_STATE_H_

#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/text.h"
#include "forms/definition_model.h"
#include "forms/ids.h"
#include "forms/internal/control.h"
#include "forms/runtime.h"

namespace rc::forms {

// The fatal error with a runtime message (UTF-8).
[[noreturn]] void Fatal(const char* utf8);

// One item of a loaded window: its definition fields (the working copy) and its control.
struct LiveItem {
  ItemDef def;
  std::unique_ptr<Control> control;
};

struct LoadedWindow {
  WindowId id;
  std::vector<LiveItem> items;
  QPointer<QWidget> widget;
  QPointer<QMenuBar> menu_bar;
  bool modal = false;
  std::vector<QPointer<QWidget>> disabled_by_modal;
  QPointer<QEventLoop> loop;
};

struct HandlerKey {
  WindowId window;
  ControlId item;
  int32_t event;
  friend auto operator<=>(const HandlerKey&, const HandlerKey&) = default;
};

struct State {
  std::vector<WindowDef> defs;
  std::map<WindowId, std::unique_ptr<LoadedWindow>> loaded;
  std::map<HandlerKey, EventHandler> handlers;
  EventSource source;
  WindowId startup;
};

// The one state of the process.
State& RuntimeState();

WindowDef* FindDef(WindowId window_id);
// Null when the window is not loaded.
LoadedWindow* Loaded(WindowId window_id);
// Control id 0 names the window's own item. Null when there is no such item.
LiveItem* FindLive(LoadedWindow* lw, ControlId control_id);
ItemDef* FindDesign(WindowDef* def, ControlId control_id);
// The item's current definition fields: the working copy while loaded, else the definition.
// `*control` is the item's control while loaded, else null.
ItemDef* FindItem(WindowId window_id, ControlId control_id, Control** control);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_RUNTIME_STATE_H_
