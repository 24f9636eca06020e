#include "app/application.h"

#include <utility>

#include "app/class_window.h"
#include "app/main_window.h"
#include "app/statistics_window.h"

namespace rc::app {

void RegisterApplicationHandlers(SpeakFunction speak) {
  SetPickSpeaker(std::move(speak));
  BindMainWindowHandlers();
  BindStatisticsWindowHandlers();
  BindClassWindowHandlers();
}

}  // namespace rc::app
