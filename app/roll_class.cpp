#include "app/roll_class.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>

#include "app/class_store.h"
#include "core/clock.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

struct Pick {
  int32_t record = 0;
  Text name;
};

struct RollClass {
  Text name;
  bool read_only = false;
  std::optional<Pick> pick;
  // What the teacher has been told, so that a key pressed again and again does not bring up
  // the same box every time.
  bool gone_said = false;
  bool not_roster_said = false;
  bool write_failure_said = false;
  std::set<std::string> read_only_said;  // class names, for the whole run
};

RollClass& State() {
  static RollClass state;
  return state;
}

constexpr uint32_t kLockWaitMs = 2000;
constexpr uint32_t kLockRetryMs = 20;

// A counter as read from the file, one more. Reals are cut toward zero; the count stops
// at the largest 32-bit value instead of wrapping round to a negative count.
int32_t CounterPlusOne(const Value& stored) {
  const int64_t next = AsInteger(stored) + 1;
  return static_cast<int32_t>(std::clamp<int64_t>(next, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

Text Quoted(const Text& name) { return "“"_gbk + name + "”"_gbk; }

// Opens the class file under the roll's alias, for reading only when it refuses writing.
bool OpenClassFile() {
  RollClass& s = State();
  const Text path = ClassPath(s.name);
  s.read_only = false;
  if (OpenDatabase(path, RollAlias())) return true;
  if (LastDbError() != kDbAccessDenied || !OpenDatabase(path, RollAlias(), true)) return false;
  s.read_only = true;
  if (s.read_only_said.insert(s.name.bytes()).second) {
    ShowMessage("班级"_gbk + Quoted(s.name) +
                    "的文件是只读的：可以点名，但点名次数和答错次数都不会被记录。"_gbk,
                kMbOk | kMbIconWarning);
  }
  return true;
}

void SayGone() {
  RollClass& s = State();
  if (s.gone_said) return;
  s.gone_said = true;
  ShowMessage("找不到班级"_gbk + Quoted(s.name) +
                  "的文件，它可能被移走或删除了。在它回来之前，点名和答错都不会被记录。"_gbk,
              kMbOk | kMbIconWarning);
}

// After the file was replaced, the pick stands only if its record is still that student.
void CheckPickAfterReopening() {
  RollClass& s = State();
  if (!s.pick) return;
  if (s.pick->record > RecordCount()) {
    s.pick.reset();
    return;
  }
  GoToRecord(s.pick->record);
  if (AsText(ReadField(NameField())) != s.pick->name) s.pick.reset();
}

// Brings the roll's alias to the file the class's path names now; false when there is none.
bool FollowClassFile() {
  RollClass& s = State();
  switch (CheckDatabaseFile(RollAlias())) {
    case DatabaseFileCheck::kSame:
      return true;
    case DatabaseFileCheck::kReplaced:
      CloseDatabase(RollAlias());
      if (!OpenClassFile()) {
        s.pick.reset();
        return false;
      }
      CheckPickAfterReopening();
      return true;
    case DatabaseFileCheck::kGone:
      CloseDatabase(RollAlias());
      s.pick.reset();
      SayGone();
      return false;
    case DatabaseFileCheck::kNotOpen:
      // Never opened, or gone earlier: it may have come back.
      if (OpenClassFile()) {
        s.gone_said = false;
        return true;
      }
      if (LastDbError() == kDbFileNotFound) SayGone();
      return false;
  }
  return false;
}

}  // namespace

void OpenRollClass(const Text& name) {
  CloseRollClass();
  State().name = name;
  if (IsValidClassName(name)) OpenClassFile();
}

void CloseRollClass() {
  CloseDatabase(RollAlias());
  RollClass& s = State();
  s.name = Text();
  s.read_only = false;
  s.pick.reset();
  s.gone_said = false;
  s.not_roster_said = false;
  s.write_failure_said = false;
}

Text RollClassName() { return State().name; }

bool RollClassReady() {
  RollClass& s = State();
  if (!IsValidClassName(s.name) || !FollowClassFile()) return false;
  SetCurrentDatabase(RollAlias());
  if (!CurrentDatabaseIsRoster()) {
    // Reading a field the file does not have would end the program in front of the class.
    if (!s.not_roster_said) {
      s.not_roster_said = true;
      ShowMessage("班级"_gbk + Quoted(s.name) + "的文件不是点名名单（缺少姓名或次数），不能点名。"_gbk,
                  kMbOk | kMbIconWarning);
    }
    return false;
  }
  return RecordCount() > 0;
}

bool RollClassWritable() { return !State().read_only; }

void RememberPick(int32_t record, const Text& name) { State().pick = Pick{record, name}; }

bool GoToPick() {
  const std::optional<Pick>& pick = State().pick;
  if (!pick) return false;
  GoToRecord(pick->record);
  return true;
}

void ForgetPick() { State().pick.reset(); }

void GoToRecord(int32_t record) {
  GoToFirstRecord();
  if (record > 1) SkipRecords(record - 1);
}

void ForEachRecord(const std::function<void(int32_t record)>& visit) {
  GoToFirstRecord();
  const int32_t count = RecordCount();
  for (int32_t record = 1; record <= count; ++record) {
    visit(record);
    SkipRecords();
  }
}

std::optional<int32_t> CountInRollClass(const Text& field) {
  RollClass& s = State();
  if (s.read_only) return std::nullopt;
  // Record locks do not wait by themselves; a lock another program holds for a moment must
  // neither lose the count nor, read as an empty counter, start it again from one.
  const uint32_t start = TickCount();
  std::optional<int32_t> count;
  for (;;) {
    const Value stored = ReadField(field);
    if (LastDbError() == kDbOk) {
      count = CounterPlusOne(stored);
      if (WriteFields(std::nullopt, {{field, *count}})) break;
    }
    count.reset();
    if (LastDbError() != kDbLockViolation || TickCount() - start >= kLockWaitMs) break;
    SleepMs(kLockRetryMs);
  }
  if (count) {
    s.write_failure_said = false;
    return count;
  }
  if (!s.write_failure_said) {
    s.write_failure_said = true;
    ShowMessage("次数没有写入班级"_gbk + Quoted(s.name) + "的文件（"_gbk +
                    DbErrorText(LastDbError()) + "），这一次没有记录。"_gbk,
                kMbOk | kMbIconWarning);
  }
  return std::nullopt;
}

}  // namespace rc::app
