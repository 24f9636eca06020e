// The style sheet that every balloon tip starts with. The window definitions store it with
// each tip, and a tip without one falls back to it.
#ifndef ROLLCALL_FORMS_BALLOON_STYLE_SHEET_H_
#define ROLLCALL_FORMS_BALLOON_STYLE_SHEET_H_

#include "core/text.h"

namespace rc::forms {

// GBK, CR LF after every rule, the last one too.
Text DefaultBalloonStyleSheet();

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_BALLOON_STYLE_SHEET_H_
