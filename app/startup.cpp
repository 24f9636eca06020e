#include "app/startup.h"

#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {

void OnMainWindowCreated() {}

void RegisterStartupHandlers() {
  forms::BindHandler(forms::kMainWindow, forms::kMainWindowItem, forms::kEventCreated,
                     [](int32_t, int32_t) {
                       OnMainWindowCreated();
                       return 0;
                     });
}

}  // namespace rc::app
