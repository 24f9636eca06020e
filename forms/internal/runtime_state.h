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
  uint32_t id = 0;
  std::vector<LiveItem> items;
  QPointer<QWidget> widget;
  QPointer<QMenuBar> menu_bar;
  bool modal = false;
  std::vector<QPointer<QWidget>> disabled_by_modal;
  QPointer<QEventLoop> loop;
};

struct HandlerKey {
  uint32_t window;
  uint32_t item;
  int32_t event;
  friend auto operator<=>(const HandlerKey&, const HandlerKey&) = default;
};

struct State {
  std::vector<WindowDef> defs;
  std::map<uint32_t, std::unique_ptr<LoadedWindow>> loaded;
  std::map<HandlerKey, EventHandler> handlers;
  EventSource source;
  uint32_t startup = 0;
};

// The one state of the process.
State& S();

WindowDef* FindDef(uint32_t window_id);
// Null when the window is not loaded.
LoadedWindow* Loaded(uint32_t window_id);
// Control id 0 names the window's own item. Null when there is no such item.
LiveItem* FindLive(LoadedWindow* lw, uint32_t control_id);
ItemDef* FindDesign(WindowDef* def, uint32_t control_id);
// The item's current definition fields: the working copy while loaded, else the definition.
// `*control` is the item's control while loaded, else null.
ItemDef* FindItem(uint32_t window_id, uint32_t control_id, Control** control);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_RUNTIME_STATE_H_
