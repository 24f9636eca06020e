// The balloon tip's pop-up. The balloon tip control's pop-up method ends here; this one
// function draws the tip.
#ifndef ROLLCALL_FORMS_INTERNAL_BALLOON_TIP_POPUP_H_
#define ROLLCALL_FORMS_INTERNAL_BALLOON_TIP_POPUP_H_

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "core/text.h"
#include "forms/definition_model.h"
#include "forms/ids.h"

namespace rc::forms {

struct BalloonTipRequest {
  QPointer<QWidget> control;  // the balloon tip control's (hidden) widget
  WindowId window_id;         // the control's identity, for its event after the tip hides
  ControlId control_id;
  QPoint anchor;              // screen pixels: where the balloon points
  Text text;                  // the marked-up text, as the application passed it
  Text title;                 // empty: the application never gives one
  int32_t icon = -1;          // image-list index, -1 = no icon
  bool auto_hide = false;     // false: the tip stays until something takes it down
  BalloonTipProps settings;   // the control's stored settings (defaults when none stored)
};

// Shows the tip. Runs on the user-interface thread; returns at once.
void PopUpBalloonTip(const BalloonTipRequest& request);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_BALLOON_TIP_POPUP_H_
