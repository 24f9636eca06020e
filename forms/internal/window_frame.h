// The window type: its frame, built from the stored border settings, and its control.
#ifndef ROLLCALL_FORMS_INTERNAL_WINDOW_FRAME_H_
#define ROLLCALL_FORMS_INTERNAL_WINDOW_FRAME_H_

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QColor>
#include <QMargins>
#include <QObject>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cstdint>

#include "core/value.h"
#include "forms/definition_format.h"
#include "forms/definition_model.h"
#include "forms/indexes.h"
#include "forms/internal/control.h"
#include "forms/internal/fonts.h"
#include "forms/internal/runtime_state.h"
#include "forms/internal/window_loading.h"
#include "forms/runtime.h"

namespace rc::forms {

const WindowProps& WindowPropsOf(const ItemDef& item);
bool IsToolFrame(int32_t border);
bool IsFixedFrame(int32_t border);
QMargins FrameMargins(const WindowProps& p);
void KeepFrameCornerOnShow(QWidget* w);
// The cursor a stored cursor byte set names; the default one for an unknown id.
void ApplyCursor(QWidget* w, const ByteSet& cursor);
// The event filter that raises every control's focus events.
QObject* Watcher();

class FormWindow : public QWidget {
 public:
  FormWindow(QWidget* parent, Qt::WindowFlags flags, WindowId id)
      : QWidget(parent, flags), id_(id) {}
  bool up = false;            // the load sequence has finished
  bool close_by_program = false;  // CloseWindow is closing it

 protected:
  void closeEvent(QCloseEvent* e) override {
    // A window that a modal window or a message box has disabled takes no input, and the
    // close box that the window manager draws on it is input too.
    if (!isEnabled() && !close_by_program) {
      e->ignore();
      return;
    }
    if (HandleCloseRequest(id_)) {
      e->accept();
    } else {
      e->ignore();
    }
  }
  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    if (up && Loaded(id_)) RaiseEvent(id_, kWindowItself, kEventMoved);
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (up && Loaded(id_)) RaiseEvent(id_, kWindowItself, kEventResized);
  }
  // Reaches the window from any control that has no menu of its own (labels, buttons).
  void contextMenuEvent(QContextMenuEvent* e) override {
    if (up && isEnabled() && Loaded(id_)) RaiseEvent(id_, kWindowItself, kEventContextMenu);
    e->accept();
  }

 private:
  WindowId id_;
};

// Property index 0: the title. The other stored settings shape the frame when the window is
// created.
class WindowControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = WindowPropsOf(item);
    Qt::WindowFlags flags = IsToolFrame(props_.border_style) ? Qt::Tool : Qt::Window;
    if (props_.border_style == 0) {
      flags |= Qt::FramelessWindowHint;
    } else {
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      if (props_.control_box) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (props_.minimise_box) flags |= Qt::WindowMinimizeButtonHint;
      if (props_.maximise_box) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (props_.topmost) flags |= Qt::WindowStaysOnTopHint;
    auto* w = new FormWindow(parent, flags, window_id());
    SetTitle(w);
    QColor back = ColourFromColorRef(props_.background_colour);
    if (back.isValid()) {
      QPalette pal = w->palette();
      pal.setColor(QPalette::Window, back);
      w->setPalette(pal);
      w->setAutoFillBackground(true);
    }
    widget_ = w;
    QSize client = ClientSizeFor(item.width, item.height);
    if (IsFixedFrame(props_.border_style)) {
      w->setFixedSize(client);
    } else {
      w->resize(client);
    }
    w->move(item.left, item.top);
    return w;
  }
  Value Read(int32_t i) override {
    if (i == 0) return props_.title;
    return {};
  }
  void Write(int32_t i, const Value& v) override {
    if (i != 0) return;
    props_.title = ValueToText(v);
    SetTitle(widget_);
  }

  QSize ClientSizeFor(int32_t width, int32_t height) const {
    QMargins m = FrameMargins(props_);
    return QSize(std::max(0, width - m.left() - m.right()),
                 std::max(0, height - m.top() - m.bottom()));
  }
  QSize OuterSize() const {
    QMargins m = FrameMargins(props_);
    QSize s = widget_->size();
    return QSize(s.width() + m.left() + m.right(), s.height() + m.top() + m.bottom());
  }
  void SetOuterSize(int32_t width, int32_t height) {
    QSize client = ClientSizeFor(width, height);
    if (IsFixedFrame(props_.border_style)) {
      widget_->setFixedSize(client);
    } else {
      widget_->resize(client);
    }
  }
  const WindowProps& props() const { return props_; }

 private:
  // An empty caption stays empty: window managers put the program's name in an empty one,
  // so it is given as a single space.
  void SetTitle(QWidget* w) {
    w->setWindowTitle(props_.title.empty() ? QStringLiteral(" ") : ToQString(props_.title));
  }
  WindowProps props_;
};

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_WINDOW_FRAME_H_
