// The window frame, cursors and focus events.
#include "forms/internal/window_frame.h"

#include <QCursor>
#include <QEvent>
#include <QPointer>
#include <QVariant>
#include <QWindow>

namespace rc::forms {

const WindowProps& WindowPropsOf(const ItemDef& item) {
  static const WindowProps kDefaults;
  const WindowProps* p = std::get_if<WindowProps>(&item.props);
  return p ? *p : kDefaults;
}

bool IsToolFrame(int32_t border) { return border == 3 || border == 4; }
bool IsFixedFrame(int32_t border) {
  return border == 0 || border == 2 || border == 4 || border == 6;
}

// The design size of a window is its outer size, frame included. The frame is drawn by the
// window manager, whose sizes are not known before the window is up, so the client area is
// the design size less a fixed frame of the kind the border style asks for.
QMargins FrameMargins(const WindowProps& p) {
  if (p.border_style == 0) return {};
  int edge = IsFixedFrame(p.border_style) ? 3 : 4;
  if (p.border_style == 5 || p.border_style == 6) edge += 2;
  bool caption = !p.title.empty() || p.control_box != 0;
  int caption_height = caption ? (IsToolFrame(p.border_style) ? 18 : 22) : 0;
  return QMargins(edge, edge + caption_height, edge, edge);
}

// Call right before a hidden window is shown. A window's position is that of its frame's
// corner. Once the window has its native window (the program asks for its handle while the
// window is being created), a size set while it is hidden makes Qt place the inside of the
// frame at the position when it is shown; handing the geometry over first keeps the corner.
void KeepFrameCornerOnShow(QWidget* w) {
  if (!w->isWindow() || w->isVisible() || !w->windowHandle()) return;
  QPoint corner = w->frameGeometry().topLeft();
  w->windowHandle()->setGeometry(w->geometry());
  w->windowHandle()->setFramePosition(corner);
}

void ApplyCursor(QWidget* w, const ByteSet& cursor) {
  int32_t id = 0;
  if (cursor.size() >= 4) {
    id = static_cast<int32_t>(cursor[0] | (cursor[1] << 8) | (cursor[2] << 16) |
                              (static_cast<uint32_t>(cursor[3]) << 24));
  }
  Qt::CursorShape shape;
  switch (id) {
    case 32513: shape = Qt::IBeamCursor; break;
    case 32514: shape = Qt::WaitCursor; break;
    case 32515: shape = Qt::CrossCursor; break;
    case 32516: shape = Qt::UpArrowCursor; break;
    case 32642: shape = Qt::SizeFDiagCursor; break;
    case 32643: shape = Qt::SizeBDiagCursor; break;
    case 32644: shape = Qt::SizeHorCursor; break;
    case 32645: shape = Qt::SizeVerCursor; break;
    case 32646: shape = Qt::SizeAllCursor; break;
    case 32648: shape = Qt::ForbiddenCursor; break;
    case 32649: shape = Qt::PointingHandCursor; break;
    case 32650: shape = Qt::BusyCursor; break;
    case 32651: shape = Qt::WhatsThisCursor; break;
    case 32512: shape = Qt::ArrowCursor; break;
    default: w->unsetCursor(); return;
  }
  w->setCursor(shape);
}

namespace {

// Raises the focus events of every control.
class FocusWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
      QVariant window = watched->property("rc_window_id");
      QVariant control = watched->property("rc_control_id");
      if (window.isValid() && control.isValid() && Loaded(WindowId(window.toUInt()))) {
        RaiseEvent(WindowId(window.toUInt()), ControlId(control.toUInt()),
                   e->type() == QEvent::FocusIn ? kEventGotFocus : kEventLostFocus);
      }
    }
    return false;
  }
};

}  // namespace

QObject* Watcher() {
  static QPointer<FocusWatcher> watcher;
  if (!watcher) watcher = new FocusWatcher();
  return watcher;
}

std::unique_ptr<Control> MakeWindowControl() { return std::make_unique<WindowControl>(); }

}  // namespace rc::forms
