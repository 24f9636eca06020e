// Making a class from names pasted into the class window: the pasted text read as one name
// per line, the teacher asked before anything is cut or replaced, and the class file built
// aside and put in place only once every student is in it, so that a full disk, a killed
// program or a class opened elsewhere meanwhile never leaves half a class behind.
//
// User-interface thread only; the class window must be loaded.
#ifndef ROLLCALL_APP_CLASS_CREATION_H_
#define ROLLCALL_APP_CLASS_CREATION_H_

#include <vector>

#include "core/text.h"

namespace rc::app {

// The students of a paste: one per line that holds more than spaces, with control characters
// dropped and the spaces at either end trimmed. A line with a tab came from several
// spreadsheet columns; guessing the column would make student numbers into names, so such a
// paste gives no names at all.
struct PastedNames {
  std::vector<Text> names;
  bool several_columns = false;
};
PastedNames ReadPastedNames(const Text& pasted);

// The class window's 创建 button: the class named in the class-name box with the students
// of the paste box. Says what went wrong, or how many students the new class has.
void CreateClassFromPaste();

}  // namespace rc::app

#endif  // ROLLCALL_APP_CLASS_CREATION_H_
