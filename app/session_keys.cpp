#include "app/session_keys.h"

#include <cstdint>
#include <vector>

#include "services/hotkeys/desktop_shortcuts.h"

namespace rc::app {
namespace {

// The desktop entry's id, under which the desktop keeps the teacher's choice of keys.
constexpr char kDesktopEntryId[] = "rollcall";

// The keys that RegisterHotKeys takes; a shortcut press is delivered as a press of its key.
constexpr int32_t kVirtualKeyC = 0x43;
constexpr int32_t kVirtualKeyX = 0x58;
constexpr int32_t kVirtualKeyV = 0x56;

}  // namespace

SessionKeys AskDesktopForKeys() {
  SessionKeys keys;
  const std::vector<DesktopShortcut> asked = {
      {"roll", "点名"_gbk, kVirtualKeyC},
      {"wrong", "答错"_gbk, kVirtualKeyX},
      {"statistics", "统计"_gbk, kVirtualKeyV},
  };
  const DesktopShortcutBinding binding = BindDesktopShortcuts(kDesktopEntryId, asked);
  if (!binding.asked) return keys;
  Text* names[] = {&keys.roll, &keys.wrong, &keys.statistics};
  for (size_t i = 0; i < asked.size(); ++i) {
    if (!binding.triggers[i].empty()) {
      *names[i] = binding.triggers[i];
      continue;
    }
    if (!keys.only_with_x11_focus.empty()) keys.only_with_x11_focus += "、"_gbk;
    keys.only_with_x11_focus += *names[i];
  }
  return keys;
}

Text StartupNotice(const SessionKeys& keys) {
  Text notice = "请牢记呼出软件界面和随机点名的快捷键 "_gbk + keys.roll +
                " 键，点击确认按钮10秒后软件自动将隐藏界面！\r\n"
                "另外，软件已经注册了"_gbk +
                keys.roll + "、"_gbk + keys.wrong + "、"_gbk + keys.statistics +
                "的快捷键，故本软件开启时这三键在文字输入的时候将不起作用。\r\n"
                "请需要输入文字时请关闭本软件！"_gbk;
  if (!keys.only_with_x11_focus.empty()) {
    notice += "\r\n在 Wayland 桌面上，"_gbk + keys.only_with_x11_focus +
              " 键只在 X11 程序拥有焦点时起作用；可在桌面的键盘设置中把命令 rollcall --roll "
              "设为快捷键（见说明）。"_gbk;
  }
  return notice;
}

}  // namespace rc::app
