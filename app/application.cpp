#include "app/application.h"

#include <utility>

#include "app/class_window.h"
#include "app/main_window.h"
#include "app/main_window_menu.h"
#include "app/statistics_export.h"
#include "app/statistics_window.h"

namespace rc::app {

bool RegisterApplicationHandlers(SpeakFunction speak) {
  SetPickSpeaker(std::move(speak));
  bool bound = BindMainWindowHandlers();
  bound &= BindMainWindowMenuHandlers();
  bound &= BindStatisticsWindowHandlers();
  bound &= BindStatisticsMenuHandlers();
  bound &= BindClassWindowHandlers();
  return bound;
}

}  // namespace rc::app
