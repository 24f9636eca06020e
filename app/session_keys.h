// The keys of this session: C, X and V as X11 grabs them, or in a Wayland session whatever
// keys the desktop binds to the roll, the wrong answer and the statistics; and the start-up
// notice, which names them.
//
// User-interface thread only.
#ifndef ROLLCALL_APP_SESSION_KEYS_H_
#define ROLLCALL_APP_SESSION_KEYS_H_

#include "core/text.h"

namespace rc::app {

// The name of each key as the teacher presses it, and the keys that work only while an X11
// program has the focus (a Wayland session whose desktop did not bind them), "、" between.
struct SessionKeys {
  Text roll = "C"_gbk;
  Text wrong = "X"_gbk;
  Text statistics = "V"_gbk;
  Text only_with_x11_focus;
};

// In a Wayland session, asks the desktop to bind the three shortcuts and waits for its answer;
// the hot keys registered afterwards use them. Elsewhere the keys stay C, X and V.
SessionKeys AskDesktopForKeys();

// The start-up notice: the teacher's reminder of the keys and of the letters that no longer
// reach other programs, and in a Wayland session the keys that work only beside X11 programs.
Text StartupNotice(const SessionKeys& keys);

}  // namespace rc::app

#endif  // ROLLCALL_APP_SESSION_KEYS_H_
