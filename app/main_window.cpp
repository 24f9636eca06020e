#include "app/main_window.h"

#include "app/app_state.h"
#include "app/bind_routine.h"
#include "app/class_store.h"
#include "app/class_window.h"
#include "app/help_tips.h"
#include "app/roll.h"
#include "app/roll_class.h"
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

// The notice is the one place that tells the teacher which letters stop reaching other
// programs while this one runs, so it names the keys RegisterHotKeys takes.
Text StartupNotice() {
  return "请牢记呼出软件界面和随机点名的快捷键 C 键，点击确认按钮10秒后软件自动将隐藏界面！\r\n"
         "另外，软件已经注册了C、X、V的快捷键，故本软件开启时这三键在文字输入的时候将不起作用。\r\n"
         "请需要输入文字时请关闭本软件！"_gbk;
}

void SetMainWindowWidth(int32_t width) {
  forms::WriteProperty(kMainWindow, forms::kWindowItself, forms::kPropWidth, width);
}

void RegisterHotKeys() {
  const NativeHandle window = WindowHandle(kMainWindow);
  const NativeHandle label = WindowHandle(kMainWindow, kNameLabel);
  HotKeyIdC = RegisterGlobalHotKey(window, label, kNoModifier, kVirtualKeyC);
  HotKeyIdX = RegisterGlobalHotKey(window, label, kNoModifier, kVirtualKeyX);
  HotKeyIdV = RegisterGlobalHotKey(window, label, kNoModifier, kVirtualKeyV);
}

// The hide timer runs only while the countdown does. Once it has run out, a tick would only
// hide the hidden window again, and ten wake-ups a second are most of what the program costs
// while it waits in the background. Writing the period it already has leaves the timer's phase.
void SetCountdownRunning(bool running) {
  forms::WriteProperty(kMainWindow, kHideTimer, forms::kPropTimerInterval,
                       running ? kCountdownPeriodMs : 0);
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

// The creation event: refuses a second instance, shows the notice, skins the program,
// registers C, X and V, fills the combo, opens the first class and shows the key help.
void OnMainWindowCreated() {
  EnsureSingleInstance("zelvoransoft"_gbk, true, "你已经启动本程序，按C键可以呼出软件！"_gbk);
  ShowMessage(StartupNotice(), kMbIconInformation);
  // Every window from here on, this one included, is drawn in the skin; without an engine
  // the ordinary look stays, silently.
  ApplyEmbeddedSkin();
  HideCountdown = kStartupCountdown;
  // The timer ticked while the notice was up and, with the count still 0, stopped itself.
  SetCountdownRunning(true);
  SetMainWindowWidth(kNarrowWidth);
  RegisterHotKeys();
  RefillClassCombo();
  forms::WriteProperty(kMainWindow, kClassCombo, forms::kPropComboSelection, 0);
  OpenSelectedClass();
  // Shown here rather than by the runtime after this handler, so that even the first
  // showing leaves the focus with the slide show; the tip below is placed at the window.
  ShowWindowOnTop(kMainWindow);
  ShowKeyHelpTip();
}

// "→" and "←".
void ExpandMainWindow() { SetMainWindowWidth(kWideWidth); }

void CollapseMainWindow() { SetMainWindowWidth(kNarrowWidth); }

}  // namespace

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

void OnHotKey(int32_t id, int32_t /*unused*/) {
  // A refused key has identifier 0, which no press carries.
  if (id == 0) return;
  if (id == HotKeyIdC) {
    ShowWindowOnTop(kMainWindow);
    if (RollClassReady()) StartRoll();
    HideCountdown = kHotKeyCountdown;
    SetCountdownRunning(true);
  }
  if (id == HotKeyIdX) AddWrongAnswer();
  if (id == HotKeyIdV) OpenStatisticsWindow();
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
  return bound;
}

}  // namespace rc::app
