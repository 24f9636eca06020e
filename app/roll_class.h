// The class of the roll: the file open under "数据库", and the student last picked from it.
//
// The pick is kept as a record number, never as the name on screen: two students may have
// the same name, and X must count against the one that was picked. Whenever the roll's
// class changes (another class chosen, the class deleted, its file replaced by another
// program), the pick is forgotten and X counts nothing until the next pick.
//
// Before anything is read or counted, the path is checked against the file that is open: a
// sync client or a restore may have put another file in its place, or taken it away. A new
// file is opened in place of the old (its layout read afresh); a missing one is said once and
// nothing is counted. A file that can be read but not written is rolled from, and the teacher
// is told once that picks are not recorded.
//
// User-interface thread only. The messages are message boxes: the routines must not run
// where a box cannot be shown (a database command in progress).
#ifndef ROLLCALL_APP_ROLL_CLASS_H_
#define ROLLCALL_APP_ROLL_CLASS_H_

#include <cstdint>
#include <functional>
#include <optional>

#include "core/text.h"
#include "core/value.h"

namespace rc::app {

// Makes `name` the roll's class and opens its file under "数据库": for writing, or, when the
// file refuses writing, for reading only (said once per class and run). A file that cannot
// be opened is silent: the roll then has no class. The pick is forgotten.
void OpenRollClass(const Text& name);

// Closes the roll's class; the roll has no class until OpenRollClass. The pick is forgotten.
void CloseRollClass();

// The name of the roll's class (empty when none was chosen), whether or not its file is open.
Text RollClassName();

// Makes the roll's class the current database when it can be rolled from: its path still
// names the open file (a replaced file is opened anew; a missing one is said once), it has
// the roster's fields and at least one student. False otherwise, with nothing written.
bool RollClassReady();

// Whether picks and wrong answers can be written to the roll's class.
bool RollClassWritable();

// Remembers that record `record` (from 1) was picked; its name is kept to make sure, after
// the file was replaced, that the record is still the same student.
void RememberPick(int32_t record, const Text& name);

// Makes the picked student the current record of the roll's class (RollClassReady first);
// false when there is no pick.
bool GoToPick();

// Forgets the pick: a roll is running, or the class changed.
void ForgetPick();

// Makes record `record` (from 1) the current record of the current database.
void GoToRecord(int32_t record);

// Makes each record of the current database current in turn, in file order, and calls
// `visit` with its number (from 1).
void ForEachRecord(const std::function<void(int32_t record)>& visit);

// Adds one to a counter of the current record of the roll's class and writes it at once.
// Returns the new count, or nothing, with the file as it was, when the class is read-only or
// the counter cannot be read or written; a failure is said once until a count succeeds
// again, so a teacher is not buried in boxes. Another program that holds the record for a
// moment (a backup, a reader of the file) is waited for, up to two seconds.
std::optional<int32_t> CountInRollClass(const Text& field);

}  // namespace rc::app

#endif  // ROLLCALL_APP_ROLL_CLASS_H_
