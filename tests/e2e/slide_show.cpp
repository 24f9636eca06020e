// A stand-in for the program a teacher presents with: a window titled "slide-show", filled
// with one colour (#2040C0), full screen with --full-screen. It says "shown" on stdout once
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
  if (argc > 1 && std::strcmp(argv[1], "--full-screen") == 0) {
    window.showFullScreen();
  } else {
    window.show();
  }
  return app.exec();
}
