#include "app/help_tips.h"

#include "app/windows.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {

using forms::ReadInt;

namespace {

// The texts as the balloons show them; "</br>" breaks their lines.
Text KeyHelpText() {
  return Text::FromUtf8(
      "开启软件10秒后界面将隐藏（避免遮挡幻灯片）！</br>"
      "按 C 键即可随机点名，方便快捷，不用退出幻灯片！</br>"
      "按 X 键增加该生答错次数，方便统计每节课的回答情况</br>"
      "按 v 键可以查看历史统计</br>"
      "更多请点击这里设置");
}

Text PasteHelpText() {
  return Text::FromUtf8(
      "你可以从表格中复制姓名到此处（一行一个姓名）创建一个新的班级！</br>"
      "别忘记填写班级名称哦！");
}

}  // namespace

void ShowKeyHelpTip() {
  const int32_t x = ReadInt(kMainWindow, forms::kWindowItself, forms::kPropLeft) +
                    ReadInt(kMainWindow, kWidenButton, forms::kPropLeft) + 20;
  const int32_t y = ReadInt(kMainWindow, forms::kWindowItself, forms::kPropTop) +
                    ReadInt(kMainWindow, kWidenButton, forms::kPropTop) + 30;
  forms::PopUpBalloonTipControl(kMainWindow, kKeyHelpTip, x, y,
                                KeyHelpText(), -1);
}

void ShowPasteHelpTip() {
  const int32_t x = ReadInt(kMainWindow, forms::kWindowItself, forms::kPropLeft) +
                    ReadInt(kClassWindow, kCreateGroup, forms::kPropLeft) + 20;
  const int32_t y = ReadInt(kMainWindow, forms::kWindowItself, forms::kPropTop) + 150;
  forms::PopUpBalloonTipControl(kClassWindow, kPasteHelpTip, x, y,
                                PasteHelpText(), -1);
}

}  // namespace rc::app
