#include "app/class_window.h"

#include "app/bind_routine.h"
#include "app/class_creation.h"
#include "app/class_store.h"
#include "app/roll_class.h"
#include "app/help_tips.h"
#include "app/windows.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

Text SelectedClassName() {
  const int32_t row =
      forms::ReadInt(kClassWindow, kClassList, forms::kPropListSelectedRow);
  return ListCellText(kClassWindow, kClassList, row, 0);
}

// The class list's current row moved: opens that class as "数据库" and lists its students, the
// last one on top.
void ShowClassNames() {
  CloseDatabase(ClassListAlias());
  const Text name = SelectedClassName();
  ListDeleteAllRows(kClassWindow, kStudentList);
  // Without the class open, the current database is some other roster: list nothing. The
  // roll's class is open already under its own alias, and a file opens only once.
  const bool open = IsValidClassName(name) &&
                    (OpenDatabase(ClassPath(name), ClassListAlias()) ||
                     (EqualsIgnoreCase(name, RollClassName()) && RollClassReady()));
  if (!open || !CurrentDatabaseIsRoster()) return;
  ForEachRecord([](int32_t /*record*/) {
    ListInsertRow(kClassWindow, kStudentList, 0, AsText(ReadField(NameField())));
  });
}

// The class list's right click: the "删除班级" menu, when a class row is selected.
void ShowClassMenu() {
  if (!SelectedClassName().empty()) PopUpMenu(kClassWindow, kClassMenu);
}

// The paste box got the focus: empties it, hint text or earlier paste alike.
void ClearPasteBox() {
  forms::WriteProperty(kClassWindow, kPasteBox, forms::kPropEditContent, Text());
}

// The creation event: the class list, last listed class on top, and the paste help.
void OnManagementWindowCreated() {
  RefillClassList();
  ShowPasteHelpTip();
}

// The window is being destroyed: the first class of the combo becomes the roll's class.
void OnManagementWindowClosed() {
  CloseDatabase(ClassListAlias());
  // Setting the selection raises no event of the combo, so the class is opened here.
  forms::WriteProperty(kMainWindow, kClassCombo, forms::kPropComboSelection, 0);
  OpenSelectedClass();
}

}  // namespace

void OpenManagementWindow() {
  // The roll's class stays open: C and X still reach it while the window is up, and the
  // window lists students under an alias of its own.
  // A modal load ignores the parent. The result is not needed: the window is defined and its
  // parent, whose button runs this, is loaded, so the load cannot fail; and a routine bound
  // to a click has no one to report to.
  (void)rc::OpenWindow(kClassWindow, kMainWindow, true);
}

bool BindClassWindowHandlers() {
  bool bound = BindRoutine(kClassWindow, kClassWindowItem, forms::kEventCreated,
                           OnManagementWindowCreated);
  bound &= BindRoutine(kClassWindow, kClassWindowItem, forms::kEventDestroying,
                       OnManagementWindowClosed);
  bound &= BindRoutine(kClassWindow, kClassList, forms::kEventCurrentRowChanged,
                       ShowClassNames);
  bound &= BindRoutine(kClassWindow, kClassList, forms::kEventRightClicked, ShowClassMenu);
  bound &= BindRoutine(kClassWindow, kPasteBox, forms::kEventGotFocus, ClearPasteBox);
  bound &= BindRoutine(kClassWindow, kCreateButton, forms::kEventClicked,
                       CreateClassFromPaste);
  bound &= BindRoutine(kClassWindow, kDeleteClassItem, forms::kEventMenuChosen,
                       DeleteSelectedClass);
  // "姓名" / "删除" is never shown; its item does nothing.
  bound &= BindRoutine(kClassWindow, kDeleteStudentItem, forms::kEventMenuChosen, [] {});
  return bound;
}

}  // namespace rc::app
