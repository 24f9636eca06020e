// The program's entry. For now it shows an empty window; the form runtime will load the
// main window from its definition here.
#include <QApplication>
#include <QWidget>

#include "core/program_location.h"
#include "services/skin/skin_engine_module.h"

int main(int argc, char** argv) {
  rc::InitProgramLocation();
  QApplication app(argc, argv);
  // Before any window exists; without an engine the program keeps the ordinary look.
  rc::LoadSkinEngine();
  QWidget window;
  window.setWindowTitle(QString::fromUtf8("C键 随机点名"));
  window.resize(246, 98);
  window.show();
  return app.exec();
}
