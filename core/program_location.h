// Where the program lies. Computed once at start-up from the program file's real path;
// at that moment the program folder also becomes the current directory.
#ifndef ROLLCALL_CORE_PROGRAM_LOCATION_H_
#define ROLLCALL_CORE_PROGRAM_LOCATION_H_

#include "core/text.h"

namespace rc {

// Call once, first thing in main, before any other thread starts. Returns false when the
// program's path could not be found (the texts then stay empty).
bool InitProgramLocation();

// The folder that holds the program file, without a trailing separator.
const Text& ProgramFolder();
// The program file's name after the last separator.
const Text& ProgramFileName();

}  // namespace rc

#endif  // ROLLCALL_CORE_PROGRAM_LOCATION_H_
