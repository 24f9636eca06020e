// The application's process-wide state, all 0 when the program starts. The rest of the
// application's state lives in its controls: the name label's caption, the name on screen, is
// also the key by which X finds the student; the roll timer's period counts the roll's steps.
#ifndef ROLLCALL_APP_APP_STATE_H_
#define ROLLCALL_APP_APP_STATE_H_

#include <cstdint>

namespace rc::app {

// Ticks of the hide timer left before the main window hides itself: 100 after start-up, 60
// after C. Below 0 the window stays hidden.
extern int32_t HideCountdown;

// The identifiers the hot-key registration gave C, X and V; 0 for a key that was refused.
extern int32_t HotKeyIdC;
extern int32_t HotKeyIdX;
extern int32_t HotKeyIdV;

}  // namespace rc::app

#endif  // ROLLCALL_APP_APP_STATE_H_
