#include "app/statistics_window.h"

#include "app/bind_routine.h"
#include "app/class_store.h"
#include "app/roll_class.h"
#include "app/windows.h"
#include "core/program_location.h"
#include "core/value.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

enum Column : int32_t { kNumber = 0, kClass, kName, kAnswers, kWrong };

struct FixedRoster {
  const char* alias;
  const char* file;  // beside the program
};
constexpr FixedRoster kFirstClassRoster = {"数据库1", "date1"};
constexpr FixedRoster kOtherClassRoster = {"数据库2", "date2"};

Text FixedRosterPath(const FixedRoster& roster) {
  return ProgramFolder() + "/"_gbk + Text::FromUtf8(roster.file) + ".edb"_gbk;
}

// Opens a fixed roster; for reading only when the file refuses writing, so it can still be
// looked at.
bool OpenFixedRoster(const FixedRoster& roster) {
  const Text alias = Text::FromUtf8(roster.alias);
  const Text path = FixedRosterPath(roster);
  return OpenDatabase(path, alias) ||
         (LastDbError() == kDbAccessDenied && OpenDatabase(path, alias, true));
}

// Brings a fixed roster's alias to the file its path names now: opened when it has appeared,
// opened anew when another program put a new file in its place, closed when it is gone.
bool FollowFixedRoster(const FixedRoster& roster) {
  const Text alias = Text::FromUtf8(roster.alias);
  switch (CheckDatabaseFile(alias)) {
    case DatabaseFileCheck::kSame:
      return true;
    case DatabaseFileCheck::kReplaced:
      CloseDatabase(alias);
      return OpenFixedRoster(roster);
    case DatabaseFileCheck::kGone:
      CloseDatabase(alias);
      return false;
    case DatabaseFileCheck::kNotOpen:
      return OpenFixedRoster(roster);
  }
  return false;
}

// Makes the roster the window shows current and gives its name: the fixed file that goes
// with the main window's class choice (date1.edb belongs to the first class alone, date2.edb
// to every other), or, without that file, the roll's class. False when there is none.
bool MakeChosenRosterCurrent(Text* name) {
  const int32_t selected = forms::ReadInt(kMainWindow, kClassCombo,
                                          forms::kPropComboSelection);
  const FixedRoster& fixed = selected == 0 ? kFirstClassRoster : kOtherClassRoster;
  if (FollowFixedRoster(fixed) && SetCurrentDatabase(Text::FromUtf8(fixed.alias)) &&
      CurrentDatabaseIsRoster()) {
    GoToFirstRecord();
    const Text first_class = RecordCount() > 0 ? AsText(ReadField(ClassField())) : Text();
    *name = first_class.empty() ? Text::FromUtf8(fixed.file) : first_class;
    return true;
  }
  // A class without students has nothing to show, and nothing to clear.
  if (!RollClassReady()) return false;
  *name = RollClassName();
  return true;
}

// Appends one row per record, in file order: number, class, name, both counters.
void FillStatistics() {
  Text name;
  if (!MakeChosenRosterCurrent(&name)) return;
  ForEachRecord([](int32_t record) {
    const Value answers = ReadField(AnswersField());
    const Value wrong = ReadField(WrongField());
    ListInsertRow(kStatsWindow, kCountsList, std::nullopt, ToText(record), std::nullopt,
                  std::nullopt, std::nullopt, static_cast<int32_t>(AsInteger(wrong)));
    const int32_t row = record - 1;
    ListSetCellText(kStatsWindow, kCountsList, row, kClass, AsText(ReadField(ClassField())));
    ListSetCellText(kStatsWindow, kCountsList, row, kName, AsText(ReadField(NameField())));
    ListSetCellText(kStatsWindow, kCountsList, row, kAnswers, ToText(answers));
    ListSetCellText(kStatsWindow, kCountsList, row, kWrong, ToText(wrong));
  });
}

// The creation event: opens both fixed files, then fills the list.
void OnStatisticsWindowCreated() {
  // On a second opening both files are open already under these aliases; the opens fail
  // and the aliases stay usable.
  OpenFixedRoster(kOtherClassRoster);
  OpenFixedRoster(kFirstClassRoster);
  FillStatistics();
}

// "清空回答清空": asks, then both counters of every record := 0 (all or none), then the list anew.
void ResetCounts() {
  Text name;
  if (!MakeChosenRosterCurrent(&name)) return;
  const Text question = "确定要清空“"_gbk + name + "”的全部回答和错误次数吗？"_gbk;
  if (ShowMessage(question, kMbYesNo | kMbIconQuestion | kMbDefaultButton2) != kResultYes) {
    return;
  }
  // The question gave another program time to replace the file: clear the one there now.
  if (MakeChosenRosterCurrent(&name)) {
    // One command for every record: it takes the whole file first, so a file that another
    // program holds is left as it was rather than half cleared.
    const bool cleared = WriteFields([] { return true; },
                                     {{AnswersField(), int32_t{0}}, {WrongField(), int32_t{0}}});
    if (!cleared) {
      ShowMessage("清空失败（"_gbk + DbErrorText(LastDbError()) + "），次数都还在。"_gbk,
                  kMbOk | kMbIconWarning);
    }
  }
  ListDeleteAllRows(kStatsWindow, kCountsList);
  FillStatistics();
}

}  // namespace

// The result is not needed: the window is defined and a modal load without a parent has
// nothing else to fail on; and the routine, run by a click or a hot key, has no one to report
// to.
void OpenStatisticsWindow() { (void)rc::OpenWindow(kStatsWindow, std::nullopt, true); }

bool BindStatisticsWindowHandlers() {
  bool bound = BindRoutine(kStatsWindow, kStatsWindowItem, forms::kEventCreated,
                           OnStatisticsWindowCreated);
  bound &= BindRoutine(kStatsWindow, kClearCountsButton, forms::kEventClicked, ResetCounts);
  return bound;
}

}  // namespace rc::app
