// The size of the program's windows, on top of the desktop's own scaling: a big panel at the
// back of a classroom needs the picked name larger than the desktop draws everything else.
//
// The toolkit fixes its scale when the application object is made, so a new size takes effect
// at the next start; RestartProgram gives that start at once.
#ifndef ROLLCALL_SERVICES_WINDOWS_PROGRAM_SCALE_H_
#define ROLLCALL_SERVICES_WINDOWS_PROGRAM_SCALE_H_

#include <cstdint>

namespace rc {

// Makes every window of this run `percent` / 100 times as large as the desktop's scaling
// would (QT_SCALE_FACTOR as the desktop set it, times the factor; the desktop's DPI scaling
// applies on top as ever). 100 leaves the environment untouched. Call once, before the
// QApplication exists.
void ScaleProgramWindows(int32_t percent);

// Starts the program anew in place of this run (see RestartProcess), with the desktop's own
// scaling handed on as it came, so that the new run applies the size it reads then. Returns
// only when the program cannot be started again.
void RestartProgram();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_PROGRAM_SCALE_H_
