// The statistics window: every student of a roster with both counters, and one button that
// sets all of that roster's counters back to 0.
//
// The roster is one of two fixed files beside the program, "date1.edb" when the main
// window's first class is selected and "date2.edb" otherwise, opened as "数据库1" and
// "数据库2" and kept open to the end (opened anew when another program replaces them). The
// program never creates them; when the chosen one is not there, the window works on the
// roll's class.
//
// User-interface thread only.
#ifndef ROLLCALL_APP_STATISTICS_WINDOW_H_
#define ROLLCALL_APP_STATISTICS_WINDOW_H_

namespace rc::app {

// Binds the handlers of the statistics window's events. Returns whether the definitions
// bind every one of those events; all are bound that can be.
[[nodiscard]] bool BindStatisticsWindowHandlers();

// "统计" and V: loads the window modal, without parent; returns when it has been closed.
void OpenStatisticsWindow();

}  // namespace rc::app

#endif  // ROLLCALL_APP_STATISTICS_WINDOW_H_
