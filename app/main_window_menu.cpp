#include "app/main_window_menu.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/bind_routine.h"
#include "app/fair_round.h"
#include "app/main_window.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

using forms::kMainWindow;

void ChoosePickMode(PickMode mode) {
  if (!SetPickMode(mode)) {
    ShowMessage("点名方式没有保存：程序文件夹里的“rollcall.ini”不能写入。"_gbk,
                kMbOk | kMbIconWarning);
  }
}

}  // namespace

void ShowMainWindowMenu() {
  HideCountdown = std::max(HideCountdown, kHotKeyCountdown);
  const PickMode mode = CurrentPickMode();
  forms::SetMenuItemChecked(kMainWindow, forms::kMainMenuFullyRandom,
                            mode == PickMode::kFullyRandom);
  forms::SetMenuItemChecked(kMainWindow, forms::kMainMenuNoRepeat, mode == PickMode::kNoRepeat);
  PopUpMenu(kMainWindow, forms::kMainMenu);
}

bool BindMainWindowMenuHandlers() {
  bool bound = BindRoutine(kMainWindow, forms::kMainWindowItem, forms::kEventContextMenu,
                           ShowMainWindowMenu);
  bound &= BindRoutine(kMainWindow, forms::kMainMenuFullyRandom, forms::kEventMenuChosen,
                       [] { ChoosePickMode(PickMode::kFullyRandom); });
  bound &= BindRoutine(kMainWindow, forms::kMainMenuNoRepeat, forms::kEventMenuChosen,
                       [] { ChoosePickMode(PickMode::kNoRepeat); });
  return bound;
}

}  // namespace rc::app
