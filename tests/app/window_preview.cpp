// Shows one window from its definition, for screenshots: window_preview WINDOW_ID (hex)
// [rows]. With "rows" the list views hold a few rows, the first one selected, filled through
// the list-view commands as the application fills them.
#include <QApplication>
#include <QTreeWidget>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/embedded_definitions.h"
#include "app/windows.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace {

using namespace rc::literals;
using namespace rc::forms;
using namespace rc::app;

void Select(WindowId window_id, ControlId list_id, int row) {
  auto* list = qobject_cast<QTreeWidget*>(ControlWidget(window_id, list_id));
  if (list) list->setCurrentItem(list->topLevelItem(row));
}

void FillRows(WindowId window_id) {
  if (window_id == kStatsWindow) {
    const char* names[] = {"张三", "李四", "王小明"};
    for (int32_t i = 0; i < 3; ++i) {
      rc::ListInsertRow(window_id, kCountsList, std::nullopt, rc::ToText(rc::Value(i + 1)));
      rc::ListSetCellText(window_id, kCountsList, i, 1, "九（1）班"_gbk);
      rc::ListSetCellText(window_id, kCountsList, i, 2, rc::Text::FromUtf8(names[i]));
      rc::ListSetCellText(window_id, kCountsList, i, 3, rc::ToText(rc::Value(i * 3)));
      rc::ListSetCellText(window_id, kCountsList, i, 4, rc::ToText(rc::Value(i)));
    }
    Select(window_id, kCountsList, 1);
  } else if (window_id == kClassWindow) {
    for (const char* c : {"九（2）班", "九（1）班"}) {
      rc::ListInsertRow(window_id, kClassList, 0, rc::Text::FromUtf8(c));
    }
    Select(window_id, kClassList, 0);
    for (const char* n : {"张三", "李四", "王小明"}) {
      rc::ListInsertRow(window_id, kStudentList, 0, rc::Text::FromUtf8(n));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s WINDOW_ID [rows]\n", argv[0]);
    return 2;
  }
  InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  const WindowId id(static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 16)));
  LoadStartupWindow(id);
  // The program asks for the name label's native handle when it registers its hot keys,
  // which gives the label a native window of its own: show it the way the program does.
  if (id == kMainWindow) {
    if (QWidget* label = ControlWidget(id, kNameLabel)) label->winId();
  }
  if (argc > 2 && std::strcmp(argv[2], "rows") == 0) FillRows(id);
  return RunMessageLoop();
}
