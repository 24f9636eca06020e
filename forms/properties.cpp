// Reading and writing properties, and the targets of the controls' own methods.
#include <QPoint>
#include <QSize>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "forms/definition_format.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/internal/control.h"
#include "forms/internal/runtime_state.h"
#include "forms/internal/window_frame.h"
#include "forms/runtime.h"

namespace rc::forms {

bool PopUpBalloonTipOf(Control* control, int32_t x, int32_t y, const Text& text, int32_t icon,
                       bool auto_hide);

namespace {

// What a property read or write addresses: the item's definition always, its control, widget
// and window control when it is loaded. Fatal when the window or the item is not defined.
struct PropertyTarget {
  ItemDef* item;
  Control* control;
  QWidget* widget;
  WindowControl* window;
};

PropertyTarget FindPropertyTarget(WindowId window_id, ControlId control_id) {
  if (!FindDef(window_id)) Fatal("未载入欲访问窗口组件所在的窗口");
  Control* control = nullptr;
  ItemDef* item = FindItem(window_id, control_id, &control);
  if (!item) Fatal("指定窗口或窗口组件不存在或尚未载入");
  QWidget* widget = control ? control->widget() : nullptr;
  return {item, control, widget, dynamic_cast<WindowControl*>(control)};
}

}  // namespace

Value ReadProperty(WindowId window_id, ControlId control_id, int32_t index, int32_t part) {
  (void)part;
  auto [item, control, w, window] = FindPropertyTarget(window_id, control_id);
  switch (index) {
    case kPropLeft:
    case kPropTop: {
      if (!w) return index == kPropLeft ? item->left : item->top;
      QPoint p = w->isWindow() ? w->frameGeometry().topLeft() : w->pos();
      return static_cast<int32_t>(index == kPropLeft ? p.x() : p.y());
    }
    case kPropWidth:
    case kPropHeight: {
      if (!w) return index == kPropWidth ? item->width : item->height;
      QSize s = window ? window->OuterSize() : w->size();
      return static_cast<int32_t>(index == kPropWidth ? s.width() : s.height());
    }
    case kPropTag: return item->tag;
    case kPropVisible: return Logical(w ? w->isVisible() : (item->flags & kFlagVisible) != 0);
    case kPropDisabled:
      return Logical(w ? w->testAttribute(Qt::WA_ForceDisabled)
                       : (item->flags & kFlagDisabled) != 0);
    case kPropCursor: return item->cursor;
    default: break;
  }
  // A menu item has no control of its own; its state lives in its definition fields, which
  // the pop-up menu reads when it is built.
  if (item->type == kTypeMenuItem && index == kPropMenuChecked) {
    return Logical((item->menu_flags & kMenuFlagChecked) != 0);
  }
  if (!w) Fatal("指定窗口尚未载入");
  return control->Read(index - kFirstTypeProperty);
}

void WriteProperty(WindowId window_id, ControlId control_id, int32_t index, const Value& value,
                   int32_t part) {
  (void)part;
  auto [item, control, w, window] = FindPropertyTarget(window_id, control_id);
  int32_t n = ValueToInt(value);
  switch (index) {
    case kPropLeft:
    case kPropTop:
      if (!w) {
        (index == kPropLeft ? item->left : item->top) = n;
      } else if (index == kPropLeft) {
        w->move(n, w->isWindow() ? w->frameGeometry().y() : w->y());
      } else {
        w->move(w->isWindow() ? w->frameGeometry().x() : w->x(), n);
      }
      return;
    case kPropWidth:
    case kPropHeight:
      if (!w) {
        (index == kPropWidth ? item->width : item->height) = n;
      } else if (window) {
        QSize s = window->OuterSize();
        window->SetOuterSize(index == kPropWidth ? n : s.width(),
                             index == kPropHeight ? n : s.height());
      } else {
        w->resize(index == kPropWidth ? std::max(0, n) : w->width(),
                  index == kPropHeight ? std::max(0, n) : w->height());
      }
      return;
    case kPropTag: item->tag = ValueToText(value); return;
    case kPropVisible:
      if (w) {
        if (n != 0) KeepFrameCornerOnShow(w);
        w->setVisible(n != 0);
      } else {
        item->flags = n ? (item->flags | kFlagVisible) : (item->flags & ~kFlagVisible);
      }
      return;
    case kPropDisabled:
      if (w) {
        w->setEnabled(n == 0);
      } else {
        item->flags = n ? (item->flags | kFlagDisabled) : (item->flags & ~kFlagDisabled);
      }
      return;
    case kPropCursor:
      if (const ByteSet* b = std::get_if<ByteSet>(&value)) item->cursor = *b;
      if (w) ApplyCursor(w, item->cursor);
      return;
    default: break;
  }
  if (item->type == kTypeMenuItem && index == kPropMenuChecked) {
    item->menu_flags = n ? (item->menu_flags | kMenuFlagChecked)
                         : (item->menu_flags & ~kMenuFlagChecked);
    return;
  }
  if (!w) Fatal("指定窗口尚未载入");
  control->Write(index - kFirstTypeProperty, value);
}

int32_t ReadInt(WindowId window_id, ControlId control_id, int32_t index) {
  return ValueToInt(ReadProperty(window_id, control_id, index));
}

Text ReadText(WindowId window_id, ControlId control_id, int32_t index) {
  return ValueToText(ReadProperty(window_id, control_id, index));
}

bool ReadLogical(WindowId window_id, ControlId control_id, int32_t index) {
  return ValueToInt(ReadProperty(window_id, control_id, index)) != 0;
}

namespace {

Control* MethodTargetOrDie(WindowId window_id, ControlId control_id, uint32_t type_id) {
  LoadedWindow* lw = Loaded(window_id);
  LiveItem* item = lw ? FindLive(lw, control_id) : nullptr;
  if (!item || !item->control || !item->control->widget() || item->def.type != type_id) {
    Fatal("指定窗口或窗口组件不存在或尚未载入");
  }
  return item->control.get();
}

}  // namespace

QWidget* ListViewWidgetOrDie(WindowId window_id, ControlId control_id) {
  return MethodTargetOrDie(window_id, control_id, kTypeListView)->widget();
}

bool PopUpBalloonTipControl(WindowId window_id, ControlId control_id, int32_t x, int32_t y,
                            const Text& text, int32_t icon, std::optional<int32_t> auto_hide) {
  Control* control = MethodTargetOrDie(window_id, control_id, kTypeBalloonTip);
  return PopUpBalloonTipOf(control, x, y, text, icon, auto_hide.value_or(0) != 0);
}

}  // namespace rc::forms
