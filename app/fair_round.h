// How the roll picks its student: "完全随机", at random every time (the default), or
// "一轮不重复", a round without repeats: the pick comes from the students of the class not yet
// picked in its round, and once every student has been picked, a new round begins. The roll
// shows random names either way; only its last name, the pick, differs.
//
// The choice and each class's round live in the settings file beside the program, so that a
// restart during the lesson continues the round. A round belongs to its class (switching
// classes and back continues it) and to the students the class had when it began: a round
// that cannot be read, that names records the class does not have, or that was begun before
// the class was made anew with other students is left for a new one.
//
// User-interface thread only.
#ifndef ROLLCALL_APP_FAIR_ROUND_H_
#define ROLLCALL_APP_FAIR_ROUND_H_

#include <cstdint>
#include <string>

#include "core/text.h"

namespace rc::app {

enum class PickMode { kFullyRandom, kNoRepeat };

// The teacher's choice; kFullyRandom when none was made or it cannot be read.
PickMode CurrentPickMode();

// Remembers the choice. False when the settings file cannot be written.
bool SetPickMode(PickMode mode);

// The pick of a roll whose last tick drew record `drawn` (from 1) of the roll's class, which
// is the current database (RollClassReady) and has at least one record. In kFullyRandom that
// is `drawn`, with nothing read or written. In kNoRepeat it is a record not yet picked in the
// class's round, noted in the round; a new round does not begin with the last pick of the one
// before, unless the class has a single student. The current record may move.
int32_t ChooseFinalPick(int32_t drawn);

// The settings key of a class's round: its name, case-folded as class names compare, in hex.
std::string RoundSettingKey(const Text& class_name);

}  // namespace rc::app

#endif  // ROLLCALL_APP_FAIR_ROUND_H_
