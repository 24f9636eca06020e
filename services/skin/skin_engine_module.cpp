#include "services/skin/skin_engine_module.h"

#include <limits>
#include <memory>

#include "services/skin/embedded_skin.h"
#include "services/skin/skin_entry.h"

namespace rc {

namespace {

// Process-wide, as the loaded engine is; it is deliberately never destroyed, so that the
// style living in the library outlasts every window, even during exit.
std::unique_ptr<LoadedImage>& ModuleSlot() {
  static auto* slot = new std::unique_ptr<LoadedImage>();
  return *slot;
}

}  // namespace

LoadedImage* SkinEngineModule() { return ModuleSlot().get(); }

bool LoadSkinEngine() {
  if (ModuleSlot() == nullptr) ModuleSlot() = LoadModuleFromMemory(EmbeddedSkinEngineImage());
  return ModuleSlot() != nullptr;
}

bool ApplySkin(const LoadedImage* module, std::span<const uint8_t> skin) {
  void* entry = FindModuleExport(module, kAttachSkinResourceName);
  if (entry == nullptr || skin.size() > std::numeric_limits<int32_t>::max()) return false;
  const auto attach = reinterpret_cast<AttachSkinResourceFunction>(entry);
  attach(skin.data(), static_cast<int32_t>(skin.size()), nullptr, 0, 0, 0);
  return true;
}

bool ApplyEmbeddedSkin() {
  if (ApplySkin(SkinEngineModule(), EmbeddedSkin())) return true;
  ModuleSlot().reset();
  return false;
}

}  // namespace rc
