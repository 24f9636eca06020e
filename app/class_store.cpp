#include "app/class_store.h"

#include <algorithm>
#include <optional>

#include "app/roll_class.h"
#include "app/windows.h"
#include "core/paths.h"
#include "core/program_location.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

// ".edb", which every listed class file ends in, whatever its case.
constexpr size_t kExtensionLength = 4;

std::vector<FieldDefinition> RosterFields() {
  // The width is given for the counters too; the database ignores it there.
  return {{ClassField(), static_cast<int32_t>(FieldType::kText), kNameWidth},
          {NameField(), static_cast<int32_t>(FieldType::kText), kNameWidth},
          {AnswersField(), static_cast<int32_t>(FieldType::kInt), kNameWidth},
          {WrongField(), static_cast<int32_t>(FieldType::kInt), kNameWidth}};
}

bool IsTextField(FieldType type) { return type == FieldType::kText || type == FieldType::kMemo; }

bool IsNumberField(FieldType type) {
  switch (type) {
    case FieldType::kByte: case FieldType::kShort: case FieldType::kInt: case FieldType::kLong:
    case FieldType::kFloat: case FieldType::kDouble:
      return true;
    default:
      return false;
  }
}

}  // namespace

Text RollAlias() { return "数据库"_gbk; }

Text ClassListAlias() { return "名单库"_gbk; }

Text ClassField() { return "班级"_gbk; }
Text NameField() { return "姓名"_gbk; }
Text AnswersField() { return "回答次数"_gbk; }
Text WrongField() { return "错误次数"_gbk; }

Text DataFolder() { return ProgramFolder() + "/date/"_gbk; }

std::vector<Text> ListClassNames() {
  std::vector<Text> names;
  for (const Text& file : ListFolder(DataFolder(), "*.edb"_gbk)) {
    names.push_back(Text(file.bytes().substr(0, file.size() - kExtensionLength)));
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
  ComboClear(kMainWindow, kClassCombo);
  for (const Text& name : ListClassNames()) ComboAddItem(kMainWindow, kClassCombo, name);
}

void RefillClassList() {
  ListDeleteAllRows(kClassWindow, kClassList);
  for (const Text& name : ListClassNames()) {
    ListInsertRow(kClassWindow, kClassList, 0, name);
  }
}

void OpenSelectedClass() {
  const int32_t selected = forms::ReadInt(kMainWindow, kClassCombo,
                                          forms::kPropComboSelection);
  const Text name = ComboItemText(kMainWindow, kClassCombo, selected);
  forms::WriteProperty(kMainWindow, forms::kWindowItself, forms::kPropWindowTitle,
                       name + "按C键 随机点名"_gbk);
  OpenRollClass(name);
}

bool CreateClassFile(const Text& path) {
  // The extension is always given: a class name with a full stop would otherwise be taken
  // for a name with an extension, and the file would never be listed.
  return CreateDatabase(path, RosterFields());
}

Text ClassPath(const Text& name) { return DataFolder() + name + ".edb"_gbk; }

bool CurrentDatabaseIsRoster() {
  const std::optional<DatabaseInfo> info = DescribeCurrentDatabase();
  if (!info) return false;
  auto has = [&](const Text& name, bool (*kind)(FieldType)) {
    return std::any_of(info->fields.begin(), info->fields.end(), [&](const FieldInfo& f) {
      return EqualsIgnoreCase(f.name, name) && kind(f.type);
    });
  };
  return has(ClassField(), IsTextField) && has(NameField(), IsTextField) &&
         has(AnswersField(), IsNumberField) && has(WrongField(), IsNumberField);
}

void DeleteSelectedClass() {
  const int32_t row = forms::ReadInt(kClassWindow, kClassList,
                                     forms::kPropListSelectedRow);
  const Text name = ListCellText(kClassWindow, kClassList, row, 0);
  if (!IsValidClassName(name)) return;
  const Text question = "确定要删除班级“"_gbk + name + "”吗？学生名单和统计将一并删除。"_gbk;
  if (ShowMessage(question, kMbYesNo | kMbIconQuestion | kMbDefaultButton2) != kResultYes) {
    return;
  }
  // This program's own opens of the class go first; the database refuses a file that any
  // other program has open, so no teacher loses a class under a running roll elsewhere.
  CloseDatabase(ClassListAlias());
  if (EqualsIgnoreCase(name, RollClassName())) CloseRollClass();
  const bool deleted = RemoveDatabaseFile(ClassPath(name));
  ShowMessage(deleted ? "删除成功"_gbk : "删除失败"_gbk, kMbOk);
  RefillClassList();
  RefillClassCombo();
}

}  // namespace rc::app
