#include "app/main_window_menu.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

#include "app/app_state.h"
#include "app/bind_routine.h"
#include "app/fair_round.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "core/settings.h"
#include "core/text.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/program_scale.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

constexpr const char* kSizeSetting = "size_percent";

struct SizeEntry {
  forms::ControlId item;
  int32_t percent;
};
constexpr SizeEntry kSizeEntries[] = {{kSize100Item, 100},
                                      {kSize150Item, 150},
                                      {kSize200Item, 200},
                                      {kSize300Item, 300}};

// The size this run was started with.
int32_t running_size = 100;

int32_t ChosenSize() {
  const std::optional<std::string> stored = ReadSetting(kSizeSetting);
  return stored ? ParseSize(*stored).value_or(100) : 100;
}

void ChoosePickMode(PickMode mode) {
  if (!SetPickMode(mode)) {
    ShowMessage("点名方式没有保存：程序文件夹里的“rollcall.ini”不能写入。"_gbk,
                kMbOk | kMbIconWarning);
  }
}

}  // namespace

std::optional<int32_t> ParseSize(std::string_view value) {
  int32_t percent = 0;
  const char* end = value.data() + value.size();
  auto [after, error] = std::from_chars(value.data(), end, percent);
  if (error != std::errc() || after != end) return std::nullopt;
  const bool offered = std::any_of(std::begin(kSizeEntries), std::end(kSizeEntries),
                                  [percent](const SizeEntry& e) { return e.percent == percent; });
  if (!offered) return std::nullopt;
  return percent;
}

void ApplyChosenSize() {
  running_size = ChosenSize();
  ScaleProgramWindows(running_size);
}

void ShowMainWindowMenu() {
  const PickMode mode = CurrentPickMode();
  forms::SetMenuItemChecked(kMainWindow, kFullyRandomItem,
                            mode == PickMode::kFullyRandom);
  forms::SetMenuItemChecked(kMainWindow, kNoRepeatItem, mode == PickMode::kNoRepeat);
  const int32_t chosen = ChosenSize();
  for (const SizeEntry& entry : kSizeEntries) {
    forms::SetMenuItemChecked(kMainWindow, entry.item, entry.percent == chosen);
  }
  // The window stays while the teacher reads the menu, and for as long as after C once the
  // menu has closed.
  SetCountdownRunning(false);
  PopUpMenu(kMainWindow, kMainMenu);
  HideCountdown = kHotKeyCountdown;
  SetCountdownRunning(true);
}

void ChooseSize(int32_t percent) {
  if (!WriteSetting(kSizeSetting, std::to_string(percent))) {
    ShowMessage("大小没有保存：程序文件夹里的“rollcall.ini”不能写入。"_gbk,
                kMbOk | kMbIconWarning);
    return;
  }
  if (percent == running_size) return;
  const int32_t answer = ShowMessage(
      "新的大小在重新启动本软件后生效。现在重新启动吗？\r\n"
      "点名和答错的次数都已保存，不会丢失。"_gbk,
      kMbYesNo | kMbIconQuestion);
  if (answer != kResultYes) return;
  RestartProgram();
  ShowMessage("本软件没能重新启动，新的大小在下次启动时生效。"_gbk, kMbIconWarning);
}

bool BindMainWindowMenuHandlers() {
  bool bound = BindRoutine(kMainWindow, kMainWindowItem, forms::kEventContextMenu,
                           ShowMainWindowMenu);
  bound &= BindRoutine(kMainWindow, kFullyRandomItem, forms::kEventMenuChosen,
                       [] { ChoosePickMode(PickMode::kFullyRandom); });
  bound &= BindRoutine(kMainWindow, kNoRepeatItem, forms::kEventMenuChosen,
                       [] { ChoosePickMode(PickMode::kNoRepeat); });
  for (const SizeEntry& entry : kSizeEntries) {
    bound &= BindRoutine(kMainWindow, entry.item, forms::kEventMenuChosen,
                         [percent = entry.percent] { ChooseSize(percent); });
  }
  return bound;
}

}  // namespace rc::app
