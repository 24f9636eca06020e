// The baseline of the start-up and memory figures: the least a Qt Widgets program does to
// show a text, one window with one label. Usage: minimal_window TITLE TEXT
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8(argc > 1 ? argv[1] : "minimal_window"));
  auto* label = new QLabel(QString::fromUtf8(argc > 2 ? argv[2] : "minimal_window"), &window);
  label->setWordWrap(true);
  (new QVBoxLayout(&window))->addWidget(label);
  window.show();
  return QApplication::exec();
}
