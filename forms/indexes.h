// Property and event indexes of the controls in use. Properties 0-7 are common to every
// control and window; 8 and up are the type's own. Negative events are common to all.
#ifndef ROLLCALL_FORMS_INDEXES_H_
#define ROLLCALL_FORMS_INDEXES_H_

#include <cstdint>

namespace rc::forms {

// Common properties.
constexpr int32_t kPropLeft = 0;
constexpr int32_t kPropTop = 1;
constexpr int32_t kPropWidth = 2;
constexpr int32_t kPropHeight = 3;
constexpr int32_t kPropTag = 4;       // text
constexpr int32_t kPropVisible = 5;   // logical
constexpr int32_t kPropDisabled = 6;  // logical
constexpr int32_t kPropCursor = 7;    // byte set

// Type-specific properties. A type's own properties start at this index.
constexpr int32_t kFirstTypeProperty = 8;
constexpr int32_t kPropWindowTitle = 8;       // window, text
constexpr int32_t kPropLabelCaption = 8;      // label and transparent label, text
constexpr int32_t kPropLabelTextColour = 16;  // label, integer 0x00BBGGRR
constexpr int32_t kPropButtonCaption = 8;     // button, text
constexpr int32_t kPropTimerInterval = 8;     // timer, integer ms (0 stops)
constexpr int32_t kPropComboSelection = 19;   // combo box, integer (-1 none)
constexpr int32_t kPropEditContent = 8;       // edit box, text with CR LF line breaks
constexpr int32_t kPropListSelectedRow = 35;  // list view, integer, read only (-1 none)
constexpr int32_t kPropMenuChecked = 9;       // menu item, logical: shown with a check mark

// Common events.
constexpr int32_t kEventGotFocus = -7;
constexpr int32_t kEventLostFocus = -8;

// Window events.
constexpr int32_t kEventCreated = 0;
constexpr int32_t kEventCloseQuery = 1;  // result 0 keeps the window open
constexpr int32_t kEventDestroying = 2;
constexpr int32_t kEventMoved = 3;
constexpr int32_t kEventResized = 4;
// Right mouse click anywhere in the window that no control took for itself; the list view's
// right click has the same index.
constexpr int32_t kEventWindowRightClicked = 5;

// Control events.
constexpr int32_t kEventClicked = 0;            // button
constexpr int32_t kEventTick = 0;               // timer
constexpr int32_t kEventFeedback = 0;           // label: (word parameter, long parameter)
constexpr int32_t kEventItemChosen = 0;         // combo box
constexpr int32_t kEventCurrentRowChanged = 0;  // list view
constexpr int32_t kEventRowActivated = 1;       // list view
constexpr int32_t kEventHeaderClicked = 2;      // list view: (column)
constexpr int32_t kEventLeftClicked = 4;        // list view
constexpr int32_t kEventRightClicked = 5;       // list view
constexpr int32_t kEventMenuChosen = 0;         // menu item (its only event)
constexpr int32_t kEventTipHidden = 2;          // balloon tip: its tip has gone down

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INDEXES_H_
