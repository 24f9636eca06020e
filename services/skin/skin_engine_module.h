// The program's skin engine: loaded once from its embedded image at start-up, before the
// first window exists, and handed the embedded skin when the main window is created.
// Neither step ever shows anything or stops the program: without an engine the program
// keeps the ordinary look. User-interface thread only.
#ifndef ROLLCALL_SERVICES_SKIN_SKIN_ENGINE_MODULE_H_
#define ROLLCALL_SERVICES_SKIN_SKIN_ENGINE_MODULE_H_

#include <cstdint>
#include <span>

#include "services/skin/memory_loader.h"

namespace rc {

// The loaded engine; null before LoadSkinEngine and when it failed. Never unloaded while
// the skin is in use, since the application's style lives in it.
LoadedImage* SkinEngineModule();

// Loads the embedded engine image into SkinEngineModule. Returns whether it loaded.
bool LoadSkinEngine();

// Finds "AttachSkinResource" in the module and calls it with the skin's bytes, its
// length, no password and three zeros; the engine's own result is not looked at.
// Returns false, having called nothing, when there is no module or no such entry.
bool ApplySkin(const LoadedImage* module, std::span<const uint8_t> skin);

// ApplySkin with SkinEngineModule and the embedded skin. An engine that lacks the entry
// is of no use, so it is unloaded then.
bool ApplyEmbeddedSkin();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SKIN_SKIN_ENGINE_MODULE_H_
