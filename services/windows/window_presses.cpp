#include "services/windows/window_presses.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <utility>

#include "forms/runtime.h"

namespace rc {
namespace {

struct PressWatch {
  forms::WindowId window;
  std::vector<forms::ControlId> controls;
  WindowPressHandler handler;
};

// Sees every press in the application before its widget does. A press that no widget takes
// goes on to the widget's parents as copies of itself, with the same time stamp: only the
// first is a press of the teacher's.
class PressFilter : public QObject {
 public:
  void Add(PressWatch watch) {
    for (PressWatch& held : watches_) {
      if (held.window == watch.window) {
        held = std::move(watch);
        return;
      }
    }
    watches_.push_back(std::move(watch));
  }

  bool eventFilter(QObject* receiver, QEvent* event) override {
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) ||
        !receiver->isWidgetType()) {
      return false;
    }
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->timestamp() == last_timestamp_ && type == last_type_) return false;
    last_timestamp_ = mouse->timestamp();
    last_type_ = type;
    const auto* pressed = static_cast<const QWidget*>(receiver);
    for (const PressWatch& watch : watches_) {
      const QWidget* window = forms::WindowWidget(watch.window);
      if (window == nullptr || pressed->window() != window) continue;
      WindowPress press{forms::kWindowItself, mouse->button() == Qt::LeftButton};
      for (forms::ControlId control : watch.controls) {
        const QWidget* widget = forms::ControlWidget(watch.window, control);
        if (widget && (widget == pressed || widget->isAncestorOf(pressed))) {
          press.control = control;
          break;
        }
      }
      // A copy: the handler may watch anew.
      WindowPressHandler handler = watch.handler;
      handler(press);
      break;
    }
    return false;
  }

 private:
  std::vector<PressWatch> watches_;
  quint64 last_timestamp_ = 0;
  QEvent::Type last_type_ = QEvent::None;
};

}  // namespace

void WatchWindowPresses(forms::WindowId window, std::vector<forms::ControlId> controls,
                        WindowPressHandler handler) {
  // Owned by the application, and gone with it.
  static QPointer<PressFilter> filter;
  if (filter.isNull()) {
    filter = new PressFilter;
    filter->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
  }
  filter->Add({window, std::move(controls), std::move(handler)});
}

}  // namespace rc
