// Pops the main window's start-up tip on a real X display, as start-up does, and saves a
// picture of the screen: balloon_tip_shot OUT.png. Exits 0 when the picture shows the
// balloon: its pointer's tip drawn on the anchor point, and its body in the stored light
// yellow.
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "forms/balloon/balloon_window.h"
#include "app/embedded_definitions.h"
#include "app/windows.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace {

using namespace rc;
using namespace rc::forms;
using namespace rc::app;

// The key help of the start-up tip; "</br>" breaks the lines.
const char kKeyHelp[] =
    "开启软件10秒后界面将隐藏（避免遮挡幻灯片）！</br>按 C 键即可随机点名，方便快捷，不用退出幻灯片！"
    "</br>按 X 键增加该生答错次数，方便统计每节课的回答情况</br>按 v 键可以查看历史统计"
    "</br>更多请点击这里设置";

int Check(const QPoint& anchor, const char* path) {
  QWidget* control = ControlWidget(kMainWindow, kKeyHelpTip);
  auto* balloon = control ? dynamic_cast<BalloonWindow*>(control->findChild<QWidget*>(
                                QStringLiteral("balloon_tip"), Qt::FindDirectChildrenOnly))
                          : nullptr;
  if (!balloon || balloon->CurrentState() != BalloonState::kShown) {
    std::fprintf(stderr, "the balloon is not up\n");
    return 1;
  }
  QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  if (!screen.save(QString::fromLocal8Bit(path))) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  const BalloonGeometry& g = balloon->Geometry();
  const QColor tip = screen.pixelColor(anchor);
  const QColor body = screen.pixelColor(g.frame.topLeft() +
                                        QPoint(g.body.left() + 4, g.body.center().y()));
  std::printf("anchor (%d,%d): tip %s, body %s, %d lines\n", anchor.x(), anchor.y(),
              qPrintable(tip.name()), qPrintable(body.name()),
              int(balloon->Document().toRawText().count(QChar::LineSeparator)) + 1);
  if (tip.lightness() > 80) return 1;           // the outline is drawn in black text colour
  if (body != QColor(0xFF, 0xFF, 0xE1)) return 1;  // 0xE1FFFF as a COLORREF
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: balloon_tip_shot OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  LoadStartupWindow(kMainWindow);
  // Start-up narrows the window.
  WriteProperty(kMainWindow, kWindowItself, kPropWidth, int32_t{170});
  QPoint anchor;
  int result = 1;
  // With a window manager, the anchor is taken once the window has its frame, whose top the
  // window's position means; the tip then comes up after its 600 ms delay.
  QTimer::singleShot(500, &app, [&] {
    anchor = QPoint(ReadInt(kMainWindow, kWindowItself, kPropLeft) +
                        ReadInt(kMainWindow, kWidenButton, kPropLeft) + 20,
                    ReadInt(kMainWindow, kWindowItself, kPropTop) +
                        ReadInt(kMainWindow, kWidenButton, kPropTop) + 30);
    PopUpBalloonTipControl(kMainWindow, kKeyHelpTip, anchor.x(), anchor.y(),
                           Text::FromUtf8(kKeyHelp), -1);
    QTimer::singleShot(1500, &app, [&] {
      result = Check(anchor, argv[1]);
      QApplication::exit(0);
    });
  });
  QApplication::exec();
  return result;
}
