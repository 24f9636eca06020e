#include "app/main_window.h"

#include "app/app_state.h"
#include "app/bind_routine.h"
#include "app/class_store.h"
#include "app/class_window.h"
#include "app/commands.h"
#include "app/help_tips.h"
#include "app/main_window_menu.h"
#include "app/main_window_place.h"
#include "app/roll.h"
#include "app/roll_class.h"
#include "app/session_keys.h"
#include "app/statistics_window.h"
#include "app/windows.h"
#include "core/named_event.h"
#include "core/process.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/hotkeys/hot_keys.h"
#include "services/skin/skin_engine_module.h"
#include "services/windows/window_commands.h"
#include "services/windows/window_presses.h"

namespace rc::app {

int32_t HideCountdown = 0;
int32_t HotKeyIdC = 0;
int32_t HotKeyIdX = 0;
int32_t HotKeyIdV = 0;

namespace {

constexpr int32_t kRed = 255;
constexpr int32_t kBlack = 0;
// In the last phase the countdown runs three times as fast and the name blinks.
constexpr int32_t kBlinkPhase = 40;
// The hide timer's period, as the window definition gives it.
constexpr int32_t kCountdownPeriodMs = 100;
constexpr int32_t kExtraBlinkTicks = 2;

constexpr int32_t kVirtualKeyC = 0x43;
constexpr int32_t kVirtualKeyX = 0x58;
constexpr int32_t kVirtualKeyV = 0x56;
constexpr int32_t kNoModifier = 0;

void SetMainWindowWidth(int32_t width) {
  forms::WriteProperty(kMainWindow, forms::kWindowItself, forms::kPropWidth, width);
}

void RegisterHotKeys() {
  const NativeHandle window = WindowHandle(kMainWindow);
  const NativeHandle label = WindowHandle(kMainWindow, kNameLabel);
  // Class and student names need these letters (陈 chen, 谢 xie): our own boxes type them.
  LetTextBoxesTypeHotKeys(true);
  HotKeyIdC = RegisterGlobalHotKey(window, label, kNoModifier, kVirtualKeyC);
  HotKeyIdX = RegisterGlobalHotKey(window, label, kNoModifier, kVirtualKeyX);
  HotKeyIdV = RegisterGlobalHotKey(window, label, kNoModifier, kVirtualKeyV);
}

// The name blinks red and black; it is black whenever the window hides.
void BlinkName() {
  const int32_t colour =
      forms::ReadInt(kMainWindow, kNameLabel, forms::kPropLabelTextColour);
  int32_t next = colour == kRed ? kBlack : kRed;
  if (next == kRed && HideCountdown < 0) next = kBlack;
  forms::WriteProperty(kMainWindow, kNameLabel, forms::kPropLabelTextColour, next);
}

// Returns only in the first instance. In a second one, shows `message` titled "友情提醒"
// (when show_message) and ends the process with exit code 0.
void EnsureSingleInstance(const Text& event_name, bool show_message, const Text& message) {
  if (CreateNamedEvent(event_name)) return;
  // No window of this instance is up yet, so the box has no owner.
  if (show_message) ShowMessage(message, kMbIconError, "友情提醒"_gbk);
  EndProcess(0);
}

// What C does: shows the window, rolls when `roll` is set and the class has students, and
// starts the countdown again at kHotKeyCountdown.
void CallStudent(bool roll) {
  PlaceMainWindowForShowing();
  ShowWindowOnTop(kMainWindow);
  if (roll && RollClassReady()) StartRoll();
  HideCountdown = kHotKeyCountdown;
  SetCountdownRunning(true);
}

// A press or tap on the main window: on the name it calls a student, as C does; anywhere
// else it starts the countdown again, so that a teacher reaching for a button by touch is
// not raced by the window hiding.
void OnMainWindowPressed(bool on_name, bool primary) {
  if (on_name && primary) {
    CallStudent(true);
    return;
  }
  // Out of the blinking phase, whose red it would otherwise keep until the next blink.
  if (HideCountdown < kBlinkPhase) {
    forms::WriteProperty(kMainWindow, kNameLabel, forms::kPropLabelTextColour, kBlack);
  }
  HideCountdown = kHotKeyCountdown;
  SetCountdownRunning(true);
}

// The creation event: refuses a second instance, shows the notice, skins the program,
// registers C, X and V, fills the combo, opens the first class and shows the key help.
void OnMainWindowCreated() {
  EnsureSingleInstance(InstanceMarkerName(), true, "你已经启动本程序，按C键可以呼出软件！"_gbk);
  // On the monitor the teacher works on, so that the notice comes up over it too.
  NoteMainWindowDesignSize();
  PlaceMainWindowForShowing();
  // The notice is the one place that tells the teacher which keys stop reaching other
  // programs while this one runs, so it names the keys RegisterHotKeys takes.
  ShowMessage(StartupNotice(AskDesktopForKeys()), kMbIconInformation);
  // Every window from here on, this one included, is drawn in the skin; without an engine
  // the ordinary look stays, silently.
  ApplyEmbeddedSkin();
  HideCountdown = kStartupCountdown;
  // The timer ticked while the notice was up and, with the count still 0, stopped itself.
  SetCountdownRunning(true);
  SetMainWindowWidth(kNarrowWidth);
  RegisterHotKeys();
  WatchWindowPresses(kMainWindow, {kNameLabel}, [](const WindowPress& press) {
    OnMainWindowPressed(press.control == kNameLabel, press.primary);
  });
  RefillClassCombo();
  forms::WriteProperty(kMainWindow, kClassCombo, forms::kPropComboSelection, 0);
  OpenSelectedClass();
  ListenForCommands();
  // Shown here rather than by the runtime after this handler, so that even the first
  // showing leaves the focus with the slide show; the tip below is placed at the window.
  // The notice may have been answered on another monitor than the one it came up on.
  PlaceMainWindowForShowing();
  ShowWindowOnTop(kMainWindow);
  ShowKeyHelpTip();
}

// "→" and "←".
void ExpandMainWindow() { SetMainWindowWidth(kWideWidth); }

void CollapseMainWindow() { SetMainWindowWidth(kNarrowWidth); }

}  // namespace

Text InstanceMarkerName() { return "zelvoransoft"_gbk; }

// The hide timer runs only while the countdown does. Once it has run out, a tick would only
// hide the hidden window again, and ten wake-ups a second are most of what the program costs
// while it waits in the background. Writing the period it already has leaves the timer's phase.
void SetCountdownRunning(bool running) {
  forms::WriteProperty(kMainWindow, kHideTimer, forms::kPropTimerInterval,
                       running ? kCountdownPeriodMs : 0);
}

void CountdownTick() {
  --HideCountdown;
  if (HideCountdown < 0) {
    HideCountdown = -1;  // stays hidden until C; never counts down any further
    forms::WriteProperty(kMainWindow, forms::kWindowItself, forms::kPropVisible, Logical(false));
    SetCountdownRunning(false);
    return;
  }
  ShowWindowOnTop(kMainWindow);
  if (HideCountdown >= kBlinkPhase) return;
  HideCountdown -= kExtraBlinkTicks;
  BlinkName();
}

void OnHotKey(int32_t id, int32_t command) {
  // A key's press carries its identifier (a refused key has 0, which no press carries); a
  // command of another process carries 0 and the command.
  if (id != 0) {
    command = id == HotKeyIdC   ? kRollCommand
              : id == HotKeyIdX ? kWrongCommand
              : id == HotKeyIdV ? kStatisticsCommand
                                : kNoCommand;
  }
  switch (command) {
    case kRollCommand:
    case kShowCommand:
      CallStudent(command == kRollCommand);
      break;
    case kWrongCommand:
      AddWrongAnswer();
      break;
    case kStatisticsCommand:
      OpenStatisticsWindow();
      break;
    default:
      break;
  }
}

bool BindMainWindowHandlers() {
  bool bound =
      BindRoutine(kMainWindow, kMainWindowItem, forms::kEventCreated, OnMainWindowCreated);
  bound &= BindRoutine(kMainWindow, kHideTimer, forms::kEventTick, CountdownTick);
  bound &= BindRoutine(kMainWindow, kRollTimer, forms::kEventTick, RollTick);
  bound &= forms::BindHandler(kMainWindow, kNameLabel, forms::kEventFeedback,
                              [](int32_t id, int32_t second) {
                                OnHotKey(id, second);
                                return 0;
                              });
  bound &= BindRoutine(kMainWindow, kWidenButton, forms::kEventClicked, ExpandMainWindow);
  bound &= BindRoutine(kMainWindow, kNarrowButton, forms::kEventClicked, CollapseMainWindow);
  bound &=
      BindRoutine(kMainWindow, kStatisticsButton, forms::kEventClicked, OpenStatisticsWindow);
  bound &=
      BindRoutine(kMainWindow, kManageButton, forms::kEventClicked, OpenManagementWindow);
  bound &= BindRoutine(kMainWindow, kClassCombo, forms::kEventItemChosen, OpenSelectedClass);
  bound &= BindRoutine(kMainWindow, kMainWindowItem, forms::kEventMoved, OnMainWindowMoved);
  return bound;
}

}  // namespace rc::app
