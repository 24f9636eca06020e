#include "app/class_window.h"

#include "app/bind_routine.h"
#include "app/class_creation.h"
#include "app/class_store.h"
#include "app/roll_class.h"
#include "app/help_tips.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

using forms::kClassWindow;

Text SelectedClassName() {
  const int32_t row =
      forms::ReadInt(kClassWindow, forms::kClassList1, forms::kPropListSelectedRow);
  return ListCellText(kClassWindow, forms::kClassList1, row, 0);
}

}  // namespace

void OpenManagementWindow() {
  // The roll's class stays open: C and X still reach it while the window is up, and the
  // window lists students under an alias of its own.
  // A modal load ignores the parent. The result is not needed: the window is defined and its
  // parent, whose button runs this, is loaded, so the load cannot fail; and a routine bound
  // to a click has no one to report to.
  (void)rc::LoadWindow(kClassWindow, forms::kMainWindow, true);
}

void OnManagementWindowCreated() {
  RefillClassList();
  ShowPasteHelpTip();
}

void ShowClassNames() {
  CloseDatabase(ClassListAlias());
  const Text name = SelectedClassName();
  ListDeleteAllRows(kClassWindow, forms::kClassList2);
  // Without the class open, the current database is some other roster: list nothing. The
  // roll's class is open already under its own alias, and a file opens only once.
  const bool open = IsValidClassName(name) &&
                    (OpenDatabase(ClassPath(name), ClassListAlias()) ||
                     (EqualsIgnoreCase(name, RollClassName()) && RollClassReady()));
  if (!open || !CurrentDatabaseIsRoster()) return;
  GoToFirstRecord();
  const int32_t count = RecordCount();
  for (int32_t i = 0; i < count; ++i) {
    ListInsertRow(kClassWindow, forms::kClassList2, 0, AsText(ReadField(NameField())));
    SkipRecords();
  }
}

void ShowClassMenu() {
  if (!SelectedClassName().empty()) PopUpMenu(kClassWindow, forms::kClassMenuClass);
}

void ClearPasteBox() {
  forms::WriteProperty(kClassWindow, forms::kClassEdit1, forms::kPropEditContent, Text());
}

void OnManagementWindowClosed() {
  CloseDatabase(ClassListAlias());
  // Setting the selection raises no event of the combo, so the class is opened here.
  forms::WriteProperty(forms::kMainWindow, forms::kMainCombo1, forms::kPropComboSelection, 0);
  OpenSelectedClass();
}

bool BindClassWindowHandlers() {
  bool bound = BindRoutine(kClassWindow, forms::kClassWindowItem, forms::kEventCreated,
                           OnManagementWindowCreated);
  bound &= BindRoutine(kClassWindow, forms::kClassWindowItem, forms::kEventDestroying,
                       OnManagementWindowClosed);
  bound &= BindRoutine(kClassWindow, forms::kClassList1, forms::kEventCurrentRowChanged,
                       ShowClassNames);
  bound &= BindRoutine(kClassWindow, forms::kClassList1, forms::kEventRightClicked, ShowClassMenu);
  bound &= BindRoutine(kClassWindow, forms::kClassEdit1, forms::kEventGotFocus, ClearPasteBox);
  bound &= BindRoutine(kClassWindow, forms::kClassButton1, forms::kEventClicked,
                       CreateClassFromPaste);
  bound &= BindRoutine(kClassWindow, forms::kClassMenuDeleteClass, forms::kEventMenuChosen,
                       DeleteSelectedClass);
  // "姓名" / "删除" is never shown; its item does nothing.
  bound &= BindRoutine(kClassWindow, forms::kClassMenuDelete, forms::kEventMenuChosen, [] {});
  return bound;
}

}  // namespace rc::app
