#include "app/statistics_window.h"

#include "app/bind_routine.h"
#include "app/class_store.h"
#include "core/program_location.h"
#include "core/value.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

using forms::kStatsList1;
using forms::kStatsWindow;

enum Column : int32_t { kNumber = 0, kClass, kName, kAnswers, kWrong };

// Which fixed roster the window shows: it follows the main window's class combo.
void MakeChosenRosterCurrent() {
  const int32_t selected = forms::ReadInt(forms::kMainWindow, forms::kMainCombo1,
                                          forms::kPropComboSelection);
  // When the alias is not open this fails and the current database stays current.
  SetCurrentDatabase(selected == 0 ? "数据库1"_gbk : "数据库2"_gbk);
}

}  // namespace

// The result is not needed: the window is defined and a modal load without a parent has
// nothing else to fail on; and the routine, run by a click or a hot key, has no one to report
// to.
void OpenStatisticsWindow() { (void)rc::LoadWindow(kStatsWindow, std::nullopt, true); }

void OnStatisticsWindowCreated() {
  // On a second opening both files are open already under these aliases; the opens fail
  // and the aliases stay usable.
  OpenDatabase(ProgramFolder() + "/date2.edb"_gbk, "数据库2"_gbk);
  OpenDatabase(ProgramFolder() + "/date1.edb"_gbk, "数据库1"_gbk);
  FillStatistics();
}

void FillStatistics() {
  MakeChosenRosterCurrent();
  GoToFirstRecord();
  const int32_t count = RecordCount();
  for (int32_t i = 1; i <= count; ++i) {
    const Value answers = ReadField(AnswersField());
    const Value wrong = ReadField(WrongField());
    ListInsertRow(kStatsWindow, kStatsList1, std::nullopt, ToText(i), std::nullopt,
                  std::nullopt, std::nullopt, static_cast<int32_t>(AsInteger(wrong)));
    const int32_t row = i - 1;
    ListSetCellText(kStatsWindow, kStatsList1, row, kClass, AsText(ReadField(ClassField())));
    ListSetCellText(kStatsWindow, kStatsList1, row, kName, AsText(ReadField(NameField())));
    ListSetCellText(kStatsWindow, kStatsList1, row, kAnswers, ToText(answers));
    ListSetCellText(kStatsWindow, kStatsList1, row, kWrong, ToText(wrong));
    SkipRecords();
  }
}

void ResetCounts() {
  MakeChosenRosterCurrent();
  GoToFirstRecord();
  const int32_t count = RecordCount();
  for (int32_t i = 0; i < count; ++i) {
    WriteFields(std::nullopt, {{AnswersField(), int32_t{0}}, {WrongField(), int32_t{0}}});
    SkipRecords();
  }
  ListDeleteAllRows(kStatsWindow, kStatsList1);
  FillStatistics();
}

bool BindStatisticsWindowHandlers() {
  bool bound = BindRoutine(kStatsWindow, forms::kStatsWindowItem, forms::kEventCreated,
                           OnStatisticsWindowCreated);
  bound &= BindRoutine(kStatsWindow, forms::kStatsButton1, forms::kEventClicked, ResetCounts);
  return bound;
}

}  // namespace rc::app
