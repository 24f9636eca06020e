#include "app/class_creation.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/class_store.h"
#include "app/roll_class.h"
#include "app/windows.h"
#include "core/paths.h"
#include "core/text_commands.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/field_values.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

// How many cut names the question lists before it only counts the rest.
constexpr size_t kCutNamesListed = 10;
constexpr uint8_t kTab = 0x09;
constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

Text CreationAlias() { return "创建库"_gbk; }

Text OpenFailedMessage() { return "打开数据库失败，可能你正在使用该班级的数据库"_gbk; }

// The length of the character at `i`: GBK two bytes, GB18030 four, anything else one.
size_t CharacterLength(const std::string& s, size_t i) {
  const auto b = static_cast<uint8_t>(s[i]);
  if (b < 0x81 || b == 0xFF || i + 1 >= s.size()) return 1;
  return IsFourByteCharacterAt(s, i) ? kFourByteCharacterLength : 2;
}

bool IsSpace(std::string_view character) {
  return character == " " || character == kFullWidthSpace;
}

// One pasted line as a name, character by character; false when it holds a tab.
bool CleanLine(const std::string& line, std::string* name) {
  std::vector<std::string_view> kept;
  for (size_t i = 0; i < line.size();) {
    const size_t n = CharacterLength(line, i);
    const auto b = static_cast<uint8_t>(line[i]);
    if (n == 1 && b == kTab) return false;
    if (n > 1 || (b >= 0x20 && b != 0x7F)) kept.emplace_back(line.data() + i, n);
    i += n;
  }
  size_t first = 0, last = kept.size();
  while (first < last && IsSpace(kept[first])) ++first;
  while (last > first && IsSpace(kept[last - 1])) --last;
  name->clear();
  for (size_t i = first; i < last; ++i) name->append(kept[i]);
  return true;
}

Text Quoted(const Text& name) { return "“"_gbk + name + "”"_gbk; }

// Asks before names are cut to the field's width; true to go on. No is the default: the
// teacher may rather shorten them by hand than have two students under one name.
bool ConfirmCutNames(const std::vector<Text>& names) {
  std::map<std::string, int> stored_count;
  for (const Text& name : names) ++stored_count[TextAsStored(name, kNameWidth).bytes()];
  Text listed;
  Text made_equal;
  size_t cut = 0;
  std::map<std::string, bool> equal_said;
  for (const Text& name : names) {
    const Text stored = TextAsStored(name, kNameWidth);
    if (stored == name) continue;
    if (++cut <= kCutNamesListed) listed += name + " → "_gbk + stored + "\r\n"_gbk;
    if (stored_count[stored.bytes()] > 1 && !equal_said[stored.bytes()]) {
      equal_said[stored.bytes()] = true;
      made_equal += (made_equal.empty() ? Text() : "、"_gbk) + stored;
    }
  }
  if (cut == 0) return true;
  if (cut > kCutNamesListed) listed += "……共 "_gbk + ToText(static_cast<int32_t>(cut)) + " 个\r\n"_gbk;
  Text question = "以下姓名超过 20 个字节，保存时会被截短：\r\n"_gbk + listed;
  if (!made_equal.empty()) {
    question += "截短后有学生同名："_gbk + made_equal + "\r\n"_gbk;
  }
  question += "仍然创建这个班级吗？"_gbk;
  return ShowMessage(question, kMbYesNo | kMbIconQuestion | kMbDefaultButton2) == kResultYes;
}

// Asks before a class's students and counters are replaced; true to go on. No is the
// default, so a hasty Enter keeps the class.
bool ConfirmReplacing(const Text& name) {
  const Text question = "班级"_gbk + Quoted(name) + "已存在，重新创建将清除原有学生和统计，是否继续？"_gbk;
  return ShowMessage(question, kMbYesNo | kMbIconQuestion | kMbDefaultButton2) == kResultYes;
}

// Why a class could not be made, in the teacher's words.
Text CreationFailure(int32_t code) {
  switch (code) {
    case kDbSharingViolation:
    case kDbLockViolation:
    case kDbAlreadyOpen:
      return OpenFailedMessage();
    case kDbFileNotFound:
      return "创建班级失败：程序旁边没有存放班级的 date 文件夹。"_gbk;
    case kDbAccessDenied:
      return "创建班级失败：没有在 date 文件夹里写文件的权限。"_gbk;
    case kDbDiskFull:
    case kDbCreateFailed:
      return "创建班级失败：班级文件写不进去，磁盘可能已满。班级没有创建。"_gbk;
    case kDbBadPath:
      return "创建班级失败：班级名称太长。"_gbk;
    default:
      return "创建班级失败："_gbk + DbErrorText(code);
  }
}

// The roll's own open of its class must not stop the teacher from making that class anew:
// it is closed for the creation and opened again afterwards, whatever became of the file.
class RollClassSetAside {
 public:
  explicit RollClassSetAside(const Text& name)
      : name_(RollClassName()), set_aside_(EqualsIgnoreCase(name, name_)) {
    if (set_aside_) CloseRollClass();
  }
  ~RollClassSetAside() {
    if (set_aside_) OpenRollClass(name_);
  }
  RollClassSetAside(const RollClassSetAside&) = delete;
  RollClassSetAside& operator=(const RollClassSetAside&) = delete;

 private:
  Text name_;
  bool set_aside_;
};

// Writes the class file aside, in the data folder under a name no listing shows, and puts
// it in the class's place when every student is in it. 0 or the database's error code.
int32_t BuildClassFile(const Text& name, const std::vector<Text>& students, const Text& aside) {
  if (!CreateClassFile(aside) || !OpenDatabase(aside, CreationAlias())) return LastDbError();
  SetCurrentDatabase(CreationAlias());
  GoToFirstRecord();
  for (const Text& student : students) {
    if (!AddRecord({Value(name), Value(student)})) {
      const int32_t code = LastDbError();
      CloseDatabase(CreationAlias());
      return code;
    }
  }
  CloseDatabase(CreationAlias());
  return ReplaceDatabaseFile(aside, ClassPath(name)) ? kDbOk : LastDbError();
}

void CreateClassWithStudents(const Text& name, const Text& pasted) {
  if (!IsValidClassName(name)) {
    ShowMessage("班级名称不能是“.”或“..”，也不能含有 \\ / : * ? \" < > | 和控制字符。"_gbk, kMbOk);
    return;
  }
  const PastedNames students = ReadPastedNames(pasted);
  if (students.several_columns) {
    ShowMessage("粘贴的内容有多列，请只复制姓名一列"_gbk, kMbOk);
    return;
  }
  if (students.names.empty()) {
    ShowMessage("你还没有填写复制姓名"_gbk, kMbOk);
    return;
  }
  if (!ConfirmCutNames(students.names)) return;
  RollClassSetAside set_aside(name);
  switch (ProbeDatabaseFile(ClassPath(name))) {
    case DatabaseFileStatus::kOpen:
      ShowMessage(OpenFailedMessage(), kMbOk);
      return;
    case DatabaseFileStatus::kClosed:
      if (!ConfirmReplacing(name)) return;
      break;
    case DatabaseFileStatus::kMissing:
      break;
  }
  const Text aside = ClassPath(name) + ".new"_gbk;
  if (const int32_t code = BuildClassFile(name, students.names, aside); code != kDbOk) {
    RemoveFile(aside);
    ShowMessage(CreationFailure(code), kMbOk | kMbIconWarning);
    return;
  }
  ShowMessage("班级"_gbk + Quoted(name) + "创建成功，共 "_gbk +
                  ToText(static_cast<int32_t>(students.names.size())) + " 名学生。"_gbk,
              kMbOk | kMbIconInformation);
}

}  // namespace

PastedNames ReadPastedNames(const Text& pasted) {
  PastedNames result;
  std::string name;
  for (const Text& line : SplitText(pasted, "\r\n"_gbk)) {
    if (!CleanLine(line.bytes(), &name)) return {{}, true};
    if (!name.empty()) result.names.emplace_back(name);
  }
  return result;
}

void CreateClassFromPaste() {
  const Text name = forms::ReadText(kClassWindow, kClassNameBox, forms::kPropEditContent);
  const Text pasted = forms::ReadText(kClassWindow, kPasteBox, forms::kPropEditContent);
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

}  // namespace rc::app
