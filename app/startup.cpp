#include "app/startup.h"

#include "forms/ids.h"
#include "forms/runtime.h"

namespace rc::app {

void OnMainWindowCreated() {}

void RegisterStartupHandlers() {
  forms::BindHandler(forms::kMainWindow, forms::kMainWindowItem, 0, [](int32_t, int32_t) {
    OnMainWindowCreated();
    return 0;
  });
}

}  // namespace rc::app
