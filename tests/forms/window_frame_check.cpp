// On a real X server with a window manager: a window's position is that of its frame's
// corner, also when the program took the window's handle and changed its width in the
// created handler, as the main window's handler does. Exit code 0 when it holds, 1 when
// not, 77 (skipped) without a window manager to run.
//   window_frame_check   (under xvfb-run; starts openbox itself)
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <functional>

#include "core/value.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

namespace {

using namespace rc::forms;

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

// openbox announces itself before it manages new windows, and a window mapped in between
// stays unframed for good: wait until it has framed a probe window of our own.
bool WindowManagerManages() {
  QWidget probe;
  probe.resize(40, 40);
  probe.show();
  bool framed = WaitUntil([&] { return probe.frameGeometry() != probe.geometry(); }, 3000);
  probe.hide();
  return framed;
}

bool WindowManagerRunning() {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"),
                                        QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
  xprop.waitForFinished(2000);
  return xprop.readAllStandardOutput().contains("window id");
}

QPoint Position() {
  return {ReadInt(kToolWindow, kWindowItself, kPropLeft),
          ReadInt(kToolWindow, kWindowItself, kPropTop)};
}

// The frame is known once the window manager has put one around the window.
bool Framed() {
  QWidget* w = WindowWidget(kToolWindow);
  return w && w->isVisible() && w->frameGeometry() != w->geometry();
}

bool Check(bool ok, const char* what, QPoint got, QPoint want) {
  if (!ok) {
    std::fprintf(stderr, "%s: at (%d, %d), expected (%d, %d)\n", what, got.x(), got.y(), want.x(),
                 want.y());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QProcess wm;
  wm.start(QStringLiteral("openbox"), {});
  if (!wm.waitForStarted(5000) || !WaitUntil(WindowManagerRunning, 10000) ||
      !WaitUntil(WindowManagerManages, 10000)) {
    std::fprintf(stderr, "no window manager to run\n");
    return 77;
  }
  InitFormRuntime(TestDefinitionBlock());
  QPoint in_created;
  const bool bound =
      BindHandler(kToolWindow, kToolWindowItem, kEventCreated, [&](int32_t, int32_t) {
        WindowWidget(kToolWindow)->winId();
        ControlWidget(kToolWindow, kToolLabel)->winId();
        WriteProperty(kToolWindow, kToolWindowItem, kPropWidth, int32_t{170});
        in_created = Position();
        return 0;
      });
  if (!bound) {
    std::fprintf(stderr, "the tool window's created event is not bound\n");
    return 1;
  }
  LoadStartupWindow(kToolWindow);
  QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  QPoint centred(area.x() + (area.width() - 246) / 2, area.y() + (area.height() - 98) / 2);
  bool ok = Check(in_created == centred, "in the created event", in_created, centred);
  if (!WaitUntil(Framed, 10000)) {
    std::fprintf(stderr, "the window manager put no frame around the window\n");
    return 1;
  }
  // The manager may move the window more than once before it settles; poll, never guess.
  auto frame_at_centre = [&] {
    return WindowWidget(kToolWindow)->frameGeometry().topLeft() == centred;
  };
  WaitUntil(frame_at_centre, 5000);
  QPoint frame = WindowWidget(kToolWindow)->frameGeometry().topLeft();
  ok &= Check(frame == centred, "frame after showing", frame, centred);
  ok &= Check(Position() == centred, "left and top after showing", Position(), centred);

  // Hidden and shown again by the countdown: the same place.
  WriteProperty(kToolWindow, kToolWindowItem, kPropVisible, rc::Logical(false));
  WaitUntil([] { return !WindowWidget(kToolWindow)->isVisible(); }, 5000);
  WriteProperty(kToolWindow, kToolWindowItem, kPropVisible, rc::Logical(true));
  WaitUntil(Framed, 5000);
  WaitUntil(frame_at_centre, 5000);
  frame = WindowWidget(kToolWindow)->frameGeometry().topLeft();
  ok &= Check(frame == centred, "frame after showing again", frame, centred);

  wm.terminate();
  wm.waitForFinished(3000);
  return ok ? 0 : 1;
}
