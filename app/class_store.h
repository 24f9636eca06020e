// The classes: one record-database file per class in the data folder beside the program,
// named after the class. Listing, opening one for the roll, creating one from pasted names,
// deleting one. No other list of classes exists.
//
// Aliases: "数据库" is the class of the roll (and of the class window's names list), "创建库"
// the class being created, open only while its records are added.
//
// User-interface thread only. The routines that touch a window need it loaded: the main
// window for the combo, the class management window for its lists and boxes.
#ifndef ROLLCALL_APP_CLASS_STORE_H_
#define ROLLCALL_APP_CLASS_STORE_H_

#include <vector>

#include "core/text.h"

namespace rc::app {

// The alias of the roll's class.
Text RollAlias();

// The roster's fields, in the order every class file holds them: the class, the student's
// name, times picked, wrong answers.
Text ClassField();
Text NameField();
Text AnswersField();
Text WrongField();

// Program folder + "/date/": the data folder, which the program never creates.
Text DataFolder();

// Appends to `list` every file (not folder) of `folder` that matches `pattern`, in the order
// the file system lists them; with_path puts the folder and a "\" before each name.
void ListFiles(const Text& folder, const Text& pattern, std::vector<Text>* list,
               bool with_path);

// The class name of a path that ListFiles gave for the data folder: the file name without
// its four-byte extension.
Text ClassNameFromPath(const Text& listed_path);

// The class names of the data folder, in listing order.
std::vector<Text> ListClassNames();

// A name that can be a class: not empty, not "." or "..", and none of the characters that
// cannot be in a file name or would lead out of the data folder (\ / : * ? " < > | and
// control characters). Two-byte characters are whole units, so a trail byte of 0x5C is no
// backslash. Nothing is ever created, opened or deleted under any other name.
bool IsValidClassName(const Text& name);

// Main window's 组合框1 := the class names in listing order (no selection).
void RefillClassCombo();

// Class management window's 超级列表框1 := the class names, each inserted at the top.
void RefillClassList();

// Closes the roll's class, titles the main window "<class>按C键 随机点名" after the combo's
// selection and opens that class as "数据库". A failed open is silent: the roll then has no
// class.
void OpenSelectedClass();

// Creates the empty roster file of the class (班级, 姓名, 回答次数, 错误次数), replacing a file
// of that name that no program has open. False, with nothing made, for an invalid name.
bool CreateClassFile(const Text& name);

// The class window's 创建 button: the class named in 编辑框2 with one student per line of the
// paste box 编辑框1. Asks before replacing an existing class; refuses a class that is open.
void CreateClassFromPaste();

// The class window's "删除班级": deletes the class selected in 超级列表框1 unless a program
// has it open, says whether it worked, and refills both class lists.
void DeleteSelectedClass();

}  // namespace rc::app

#endif  // ROLLCALL_APP_CLASS_STORE_H_
