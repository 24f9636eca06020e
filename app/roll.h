// The roll: twenty names shown faster and faster on the main window, the last one picked,
// counted in the class file at once and read aloud; and the wrong-answer counter of X.
//
// The class is the roll's class (app/roll_class.h). The roll's step counter is the roll
// timer's period: 100 at the start, 5 less after each tick, and the tick that takes it below 5
// ends the roll. Only the pick is counted: 回答次数 is how often a student was picked, whatever the
// answer.
//
// User-interface thread only, except SpeakPickedName, which runs on a worker thread.
#ifndef ROLLCALL_APP_ROLL_H_
#define ROLLCALL_APP_ROLL_H_

#include <cstdint>
#include <functional>

#include "core/text.h"
#include "core/threads.h"

namespace rc::app {

// The first period of a roll, the step by which each tick shortens it, and the rate at
// which the pick is read aloud.
constexpr int32_t kFirstRollPeriodMs = 100;
constexpr int32_t kRollPeriodStepMs = 5;
constexpr int32_t kSpeechRate = 55;

// Starts reading a text aloud and returns the reading's handle (the speech module's
// SpeakText). The roll's worker thread waits on it and releases it.
using SpeakFunction = std::function<Handle(const Text& text, int32_t rate)>;

// The function that reads each pick aloud; the program passes the speech module's.
void SetPickSpeaker(SpeakFunction speak);

// C: makes the roll's class current and (re)starts the roll at the first period; a roll
// running already starts over, so two quick presses count one pick. The caller makes sure
// the class is ready (RollClassReady).
void StartRoll();

// The roll timer's tick: shows a student drawn at random, shortens the period, and on the
// last tick counts the pick and has it read aloud on a worker thread.
void RollTick();

// X: adds a wrong answer to the student picked last and shows the new count. Nothing is
// written when there is no pick: none yet, a roll running, or the class changed since.
void AddWrongAnswer();

}  // namespace rc::app

#endif  // ROLLCALL_APP_ROLL_H_
