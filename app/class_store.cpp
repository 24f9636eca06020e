#include "app/class_store.h"

#include "core/paths.h"
#include "core/program_location.h"
#include "core/text_commands.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

using forms::kClassWindow;
using forms::kMainWindow;

constexpr int32_t kNameWidth = 20;

Text CreationAlias() { return "创建库"_gbk; }

Text OpenFailedMessage() { return "打开数据库失败，可能你正在使用该班级的数据库"_gbk; }

std::vector<FieldDefinition> RosterFields() {
  // The width is given for the counters too; the database ignores it there.
  return {{ClassField(), static_cast<int32_t>(FieldType::kText), kNameWidth},
          {NameField(), static_cast<int32_t>(FieldType::kText), kNameWidth},
          {AnswersField(), static_cast<int32_t>(FieldType::kInt), kNameWidth},
          {WrongField(), static_cast<int32_t>(FieldType::kInt), kNameWidth}};
}

// Asks before a class's students and counters are replaced; true to go on. No is the
// default, so a hasty Enter keeps the class.
bool ConfirmReplacing(const Text& name) {
  const Text question = "班级“"_gbk + name + "”已存在，重新创建将清除原有学生和统计，是否继续？"_gbk;
  return ShowMessage(question, kMbYesNo | kMbIconQuestion | kMbDefaultButton2) == kResultYes;
}

// Creates the class and adds one record per pasted line. Every failure ends in the one
// message the teacher knows for it.
void CreateClassWithStudents(const Text& name, const Text& pasted) {
  std::vector<Text> names = SplitText(pasted, "\r\n"_gbk);
  if (!IsValidClassName(name)) {
    ShowMessage(OpenFailedMessage(), kMbOk);
    return;
  }
  switch (ProbeDatabaseFile(DataFolder() + name)) {
    case DatabaseFileStatus::kOpen:
      // Creating would fail under the program that has it open, and so would the open.
      ShowMessage(OpenFailedMessage(), kMbOk);
      return;
    case DatabaseFileStatus::kClosed:
      if (!ConfirmReplacing(name)) return;
      break;
    case DatabaseFileStatus::kMissing:
      break;
  }
  CreateClassFile(name);
  if (!OpenDatabase(DataFolder() + name, CreationAlias())) {
    ShowMessage(OpenFailedMessage(), kMbOk);
    return;
  }
  SetCurrentDatabase(CreationAlias());
  GoToFirstRecord();
  for (const Text& student : names) AddRecord({Value(name), Value(student)});
}

}  // namespace

Text RollAlias() { return "数据库"_gbk; }

Text ClassField() { return "班级"_gbk; }
Text NameField() { return "姓名"_gbk; }
Text AnswersField() { return "回答次数"_gbk; }
Text WrongField() { return "错误次数"_gbk; }

Text DataFolder() { return ProgramFolder() + "/date/"_gbk; }

void ListFiles(const Text& folder, const Text& pattern, std::vector<Text>* list,
               bool with_path) {
  Text prefix = folder;
  if (prefix.empty() || prefix.bytes().back() != '\\') prefix += Text("\\");
  for (const Text& name : ListFolder(prefix, pattern)) {
    list->push_back(with_path ? prefix + name : name);
  }
}

Text ClassNameFromPath(const Text& listed_path) {
  const int32_t folder_length = TextLength(DataFolder());
  return MiddleText(listed_path, folder_length + 2,
                    TextLength(listed_path) - folder_length - 5);
}

std::vector<Text> ListClassNames() {
  std::vector<Text> paths;
  ListFiles(DataFolder(), "*.edb"_gbk, &paths, true);
  std::vector<Text> names;
  for (const Text& path : paths) {
    if (!path.empty()) names.push_back(ClassNameFromPath(path));
  }
  return names;
}

bool IsValidClassName(const Text& name) {
  if (name.empty() || name == Text(".") || name == Text("..")) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const uint8_t b = name.at(i);
    if (IsLeadByte(b)) {
      ++i;  // the trail byte belongs to the character, whatever its value
      continue;
    }
    if (b < 0x20 || b == 0x7F) return false;
    switch (b) {
      case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}

void RefillClassCombo() {
  ComboClear(kMainWindow, forms::kMainCombo1);
  for (const Text& name : ListClassNames()) ComboAddItem(kMainWindow, forms::kMainCombo1, name);
}

void RefillClassList() {
  ListDeleteAllRows(kClassWindow, forms::kClassList1);
  for (const Text& name : ListClassNames()) {
    ListInsertRow(kClassWindow, forms::kClassList1, 0, name);
  }
}

void OpenSelectedClass() {
  CloseDatabase(RollAlias());
  const int32_t selected = forms::ReadInt(kMainWindow, forms::kMainCombo1,
                                          forms::kPropComboSelection);
  const Text name = ComboItemText(kMainWindow, forms::kMainCombo1, selected);
  forms::WriteProperty(kMainWindow, forms::kWindowItself, forms::kPropWindowTitle,
                       name + "按C键 随机点名"_gbk);
  if (IsValidClassName(name)) OpenDatabase(DataFolder() + name + ".edb"_gbk, RollAlias());
}

bool CreateClassFile(const Text& name) {
  if (!IsValidClassName(name)) return false;
  // No extension is passed: the database adds its own.
  return CreateDatabase(DataFolder() + name, RosterFields());
}

void CreateClassFromPaste() {
  const Text name = forms::ReadText(kClassWindow, forms::kClassEdit2, forms::kPropEditContent);
  const Text pasted = forms::ReadText(kClassWindow, forms::kClassEdit1, forms::kPropEditContent);
  if (TextLength(name) == 0) {
    ShowMessage("你还没有填写班级"_gbk, kMbOk);
  } else if (TextLength(pasted) == 0) {
    ShowMessage("你还没有填写复制姓名"_gbk, kMbOk);
  } else {
    CreateClassWithStudents(name, pasted);
  }
  CloseDatabase(CreationAlias());
  RefillClassList();
}

void DeleteSelectedClass() {
  CloseDatabase(RollAlias());
  const int32_t row = forms::ReadInt(kClassWindow, forms::kClassList1,
                                     forms::kPropListSelectedRow);
  const Text name = ListCellText(kClassWindow, forms::kClassList1, row, 0);
  // The database refuses a file that any program has open, so no teacher loses a class
  // under a running roll.
  const bool deleted =
      IsValidClassName(name) && RemoveDatabaseFile(DataFolder() + name + ".edb"_gbk);
  ShowMessage(deleted ? "删除成功"_gbk : "删除失败"_gbk, kMbOk);
  RefillClassList();
  RefillClassCombo();
}

}  // namespace rc::app
