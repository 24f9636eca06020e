// The classes: one record-database file per class in the data folder beside the program,
// named after the class. Listing, opening one for the roll, creating one from pasted names,
// deleting one. No other list of classes exists.
//
// Aliases: "数据库" is the class of the roll, "名单库" the class whose students the class
// window lists, "创建库" the class being created, open only while its records are added.
//
// User-interface thread only. The routines that touch a window need it loaded: the main
// window for the combo, the class management window for its lists and boxes.
#ifndef ROLLCALL_APP_CLASS_STORE_H_
#define ROLLCALL_APP_CLASS_STORE_H_

#include <vector>

#include "core/text.h"

namespace rc::app {

// The alias of the roll's class, and of the class the class window lists.
Text RollAlias();
Text ClassListAlias();

// The width in bytes of the text fields 班级 and 姓名: the file format's, so a longer name is
// cut when it is stored.
constexpr int32_t kNameWidth = 20;

// The roster's fields, in the order every class file holds them: the class, the student's
// name, times picked, wrong answers.
Text ClassField();
Text NameField();
Text AnswersField();
Text WrongField();

// Program folder + "/date/": the data folder, which the program never creates.
Text DataFolder();

// The file of a class: the data folder + name + ".edb".
Text ClassPath(const Text& name);

// Whether the current database has the roster's four fields, texts and numbers as they
// should be: reading a field that a file lacks would end the program.
bool CurrentDatabaseIsRoster();

// The class names of the data folder: its .edb files without the extension, in listing order.
std::vector<Text> ListClassNames();

// A name that can be a class: not empty, not "." or "..", and none of the characters that
// cannot be in a file name or would lead out of the data folder (\ / : * ? " < > | and
// control characters). Two-byte characters are whole units, so a trail byte of 0x5C is no
// backslash. Nothing is ever created, opened or deleted under any other name.
bool IsValidClassName(const Text& name);

// The main window's class combo := the class names in listing order (no selection).
void RefillClassCombo();

// The class window's class list := the class names, each inserted at the top.
void RefillClassList();

// Titles the main window "<class>按C键 随机点名" after the combo's selection and makes that
// class the roll's class (OpenRollClass). A failed open is silent: the roll then has no
// class.
void OpenSelectedClass();

// Creates the empty roster file (班级, 姓名, 回答次数, 错误次数) at `path`, replacing a file of
// that name that no program has open.
bool CreateClassFile(const Text& path);

// The class window's "删除班级": asks, then deletes the class selected in the class list unless
// another program has it open, says whether it worked, and refills both class lists.
void DeleteSelectedClass();

}  // namespace rc::app

#endif  // ROLLCALL_APP_CLASS_STORE_H_
