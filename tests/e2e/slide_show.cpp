// A stand-in for the program a teacher presents with: a window titled "slide-show", filled
// with one colour (#2040C0), full screen with --full-screen, on the monitor that holds the
// point X,Y with --at X,Y. It says "shown" on stdout once
// it is up and "key <name>" for every key it receives, so a test can tell whether it kept the
// keyboard focus while rollcall came up.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

class SlideShow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0x20, 0x40, 0xC0)); }
  void showEvent(QShowEvent*) override {
    std::printf("shown\n");
    std::fflush(stdout);
  }
  void keyPressEvent(QKeyEvent* e) override {
    std::printf("key %s\n", QKeySequence(e->key()).toString().toUtf8().constData());
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SlideShow window;
  window.setWindowTitle(QStringLiteral("slide-show"));
  window.resize(400, 300);
  bool full_screen = false;
  for (int i = 1; i < argc; ++i) {
    int x = 0, y = 0;
    if (std::strcmp(argv[i], "--full-screen") == 0) {
      full_screen = true;
    } else if (std::strcmp(argv[i], "--at") == 0 && i + 1 < argc &&
               std::sscanf(argv[++i], "%d,%d", &x, &y) == 2) {
      window.move(x, y);
    }
  }
  if (full_screen) {
    window.showFullScreen();
  } else {
    window.show();
  }
  return app.exec();
}
