#include "app/roll.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "app/class_store.h"
#include "core/random.h"
#include "core/value.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {
namespace {

using forms::kMainWindow;

constexpr int32_t kBlack = 0;

SpeakFunction& Speaker() {
  static SpeakFunction speak;
  return speak;
}

// A counter as read from the file, one more. Reals are cut toward zero; the count stops
// at the largest 32-bit value instead of wrapping round to a negative count.
int32_t CounterPlusOne(const Value& stored) {
  const int64_t next = AsInteger(stored) + 1;
  return static_cast<int32_t>(std::clamp<int64_t>(next, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

void ShowAnswers(const Value& answers) {
  forms::WriteProperty(kMainWindow, forms::kMainLabel2, forms::kPropLabelCaption,
                       "回答："_gbk + ToText(answers) + " 次"_gbk);
}

void ShowWrongAnswers(const Value& wrong) {
  forms::WriteProperty(kMainWindow, forms::kMainLabel3, forms::kPropLabelCaption,
                       "错误："_gbk + ToText(wrong) + " 次"_gbk);
}

void SetRollPeriod(int32_t period) {
  forms::WriteProperty(kMainWindow, forms::kMainTimer1, forms::kPropTimerInterval, period);
}

// The pick: counted in the file at once, so nothing is lost if the program ends.
void CountPick() {
  const int32_t answers = CounterPlusOne(ReadField(AnswersField()));
  WriteFields(std::nullopt, {{AnswersField(), answers}});
  ShowAnswers(answers);
  ShowWrongAnswers(ReadField(WrongField()));
  StartThread(SpeakPickedName);
}

}  // namespace

void SetPickSpeaker(SpeakFunction speak) { Speaker() = std::move(speak); }

bool RollClassReady() { return SetCurrentDatabase(RollAlias()) && RecordCount() > 0; }

void StartRoll() {
  SetCurrentDatabase(RollAlias());
  SetRollPeriod(kFirstRollPeriodMs);
}

void RollTick() {
  // The statistics window may have made another database current between two ticks, and
  // the class window may have closed this one: the roll only ever draws from its class.
  if (!RollClassReady()) {
    SetRollPeriod(0);
    return;
  }
  forms::WriteProperty(kMainWindow, forms::kMainLabel1, forms::kPropLabelTextColour, kBlack);
  GoToFirstRecord();
  SeedRandom();
  const int32_t count = RecordCount();
  const int32_t pick = RandomInRange(1, count);
  SkipRecords(pick - 1);
  forms::WriteProperty(kMainWindow, forms::kMainLabel1, forms::kPropLabelCaption,
                       AsText(ReadField(NameField())));
  ShowAnswers(ReadField(AnswersField()));
  ShowWrongAnswers(ReadField(WrongField()));

  const int32_t period =
      forms::ReadInt(kMainWindow, forms::kMainTimer1, forms::kPropTimerInterval) -
      kRollPeriodStepMs;
  if (period >= kRollPeriodStepMs) {
    SetRollPeriod(period);
    return;
  }
  SetRollPeriod(0);
  CountPick();
}

void SpeakPickedName(int32_t /*unused*/) {
  // The published copy of the caption: widgets belong to the user-interface thread.
  const Text name = forms::PublishedLabelCaption(kMainWindow, forms::kMainLabel1);
  if (!Speaker()) return;
  Handle reading = Speaker()(name, kSpeechRate);
  WaitForHandle(reading);
  reading.Release();
}

bool NameMatchesLabel() {
  return AsText(ReadField(NameField())) ==
         forms::ReadText(kMainWindow, forms::kMainLabel1, forms::kPropLabelCaption);
}

void AddWrongAnswer() {
  if (!RollClassReady()) return;
  GoToFirstRecord();
  if (!FindRecord(NameMatchesLabel)) return;
  const int32_t wrong = CounterPlusOne(ReadField(WrongField()));
  WriteFields(std::nullopt, {{WrongField(), wrong}});
  ShowWrongAnswers(ReadField(WrongField()));
}

}  // namespace rc::app
