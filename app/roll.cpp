#include "app/roll.h"

#include <optional>
#include <utility>

#include "app/class_store.h"
#include "app/fair_round.h"
#include "app/roll_class.h"
#include "app/windows.h"
#include "core/random.h"
#include "core/value.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {
namespace {

constexpr int32_t kBlack = 0;

// Never destroyed: the thread that reads a pick aloud may still call it while the program
// ends.
SpeakFunction& Speaker() {
  static SpeakFunction* const speak = new SpeakFunction;
  return *speak;
}

void ShowAnswers(const Value& answers) {
  forms::WriteProperty(kMainWindow, kAskedLabel, forms::kPropLabelCaption,
                       "回答："_gbk + ToText(answers) + " 次"_gbk);
}

void ShowWrongAnswers(const Value& wrong) {
  forms::WriteProperty(kMainWindow, kWrongLabel, forms::kPropLabelCaption,
                       "错误："_gbk + ToText(wrong) + " 次"_gbk);
}

void SetRollPeriod(int32_t period) {
  forms::WriteProperty(kMainWindow, kRollTimer, forms::kPropTimerInterval, period);
}

// The worker thread's body: reads the name on screen aloud and waits until it is done.
void SpeakPickedName(int32_t /*unused*/) {
  // The published copy of the caption: widgets belong to the user-interface thread.
  const Text name = forms::PublishedLabelCaption(kMainWindow, kNameLabel);
  if (!Speaker()) return;
  Handle reading = Speaker()(name, kSpeechRate);
  WaitForHandle(reading);
  reading.Release();
}

// The pick: read aloud, and counted in the file at once, so nothing is lost if the program
// ends. A count that could not be written is not shown as counted.
void CountPick(int32_t record) {
  RememberPick(record, AsText(ReadField(NameField())));
  StartThread(SpeakPickedName);
  if (RollClassWritable()) {
    if (std::optional<int32_t> answers = CountInRollClass(AnswersField())) {
      ShowAnswers(*answers);
    }
  }
  ShowWrongAnswers(ReadField(WrongField()));
}

}  // namespace

void SetPickSpeaker(SpeakFunction speak) { Speaker() = std::move(speak); }

void StartRoll() {
  ForgetPick();
  SetCurrentDatabase(RollAlias());
  SetRollPeriod(kFirstRollPeriodMs);
}

void RollTick() {
  const int32_t period =
      forms::ReadInt(kMainWindow, kRollTimer, forms::kPropTimerInterval) -
      kRollPeriodStepMs;
  // Stopped while this tick runs: a message box below must not let the roll tick on
  // underneath it.
  SetRollPeriod(0);
  // The statistics window may have made another database current between two ticks, the
  // class window may have closed this one, and another program may have replaced its file:
  // the roll only ever draws from its class as it is now.
  if (!RollClassReady()) return;
  forms::WriteProperty(kMainWindow, kNameLabel, forms::kPropLabelTextColour, kBlack);
  SeedRandom();
  int32_t pick = RandomInRange(1, RecordCount());
  // The last name shown is the pick, which a round without repeats may choose otherwise.
  if (period < kRollPeriodStepMs) pick = ChooseFinalPick(pick);
  GoToRecord(pick);
  forms::WriteProperty(kMainWindow, kNameLabel, forms::kPropLabelCaption,
                       AsText(ReadField(NameField())));
  ShowAnswers(ReadField(AnswersField()));
  ShowWrongAnswers(ReadField(WrongField()));
  if (period >= kRollPeriodStepMs) {
    SetRollPeriod(period);
    return;
  }
  CountPick(pick);
}

void AddWrongAnswer() {
  if (!RollClassReady() || !GoToPick() || !RollClassWritable()) return;
  if (std::optional<int32_t> wrong = CountInRollClass(WrongField())) ShowWrongAnswers(*wrong);
}

}  // namespace rc::app
