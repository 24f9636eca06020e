#include "app/startup.h"

#include "app/help_tips.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/skin/skin_engine_module.h"

namespace rc::app {

void OnMainWindowCreated() {
  // Every window from here on, this one included, is drawn in the skin; without an engine
  // or its entry the ordinary look stays, silently. The hot keys come after this.
  ApplyEmbeddedSkin();
  // Last of start-up: the balloon that explains the keys, pointing at the "→" button.
  ShowKeyHelpTip();
}

void RegisterStartupHandlers() {
  forms::BindHandler(forms::kMainWindow, forms::kMainWindowItem, forms::kEventCreated,
                     [](int32_t, int32_t) {
                       OnMainWindowCreated();
                       return 0;
                     });
}

}  // namespace rc::app
