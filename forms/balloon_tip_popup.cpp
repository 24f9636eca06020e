// The balloon tip control's pop-up draws a real balloon (forms/balloon). Each control gets
// one balloon window, made on its first pop-up and owned by the control's widget, so that
// it goes with its window.
#include "forms/internal/balloon_tip_popup.h"

#include <optional>

#include "forms/balloon/balloon_markup.h"
#include "forms/balloon/balloon_window.h"
#include "forms/fatal_error_box.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::forms {
namespace {

const char kBalloonName[] = "balloon_tip";

BalloonSettings SettingsOf(const BalloonTipProps& props) {
  BalloonSettings settings;
  for (size_t i = 0; i < settings.colors.size(); ++i) {
    settings.colors[i] = static_cast<uint32_t>(props.colours[i]);
  }
  settings.effect = props.effect;
  settings.effect_parameter = props.effect_parameter;
  settings.placement_style = props.placement_style;
  settings.transparency = props.percentage;
  settings.initial_delay_ms = props.initial_delay;
  settings.display_time_ms = props.display_time;
  settings.fade_in_interval_ms = props.fade_intervals[0];
  settings.fade_out_interval_ms = props.fade_intervals[1];
  settings.text_color = static_cast<uint32_t>(props.text_colour);
  settings.shape = BalloonShape::FromStored(props.layout_sizes);
  settings.style_sheet = props.style_sheet;
  return settings;
}

}  // namespace

void PopUpBalloonTip(const BalloonTipRequest& request) {
  QWidget* control = request.control;
  if (!control) return;
  auto* balloon = dynamic_cast<BalloonWindow*>(
      control->findChild<QWidget*>(QLatin1String(kBalloonName), Qt::FindDirectChildrenOnly));
  if (!balloon) {
    balloon = new BalloonWindow(SettingsOf(request.settings), control);
    balloon->setObjectName(QLatin1String(kBalloonName));
    // Once a tip has gone down the control raises its event, while its window is there.
    const WindowId window_id = request.window_id;
    const ControlId control_id = request.control_id;
    balloon->SetHiddenCallback([window_id, control_id] {
      if (window_id != WindowId() && IsWindowLoaded(window_id) && !FatalErrorInProgress()) {
        RaiseEvent(window_id, control_id, kEventTipHidden);
      }
    });
  } else {
    balloon->SetSettings(SettingsOf(request.settings));
  }
  Text markup = request.text;
  if (!request.title.empty()) markup = Text("<b>") + request.title + Text("</b><br>") + markup;
  // The tips' image lists are empty, so no index names an icon and the text stands alone.
  balloon->PopUp(request.anchor, PopUpMarkup(markup, std::nullopt), request.auto_hide, control);
}

}  // namespace rc::forms
