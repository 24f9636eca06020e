#include "services/hotkeys/desktop_hot_key_platform.h"

#include <algorithm>
#include <utility>

#include "services/hotkeys/desktop_shortcuts.h"

namespace rc {
namespace {

class ProcessShortcutSource : public DesktopShortcutSource {
 public:
  ~ProcessShortcutSource() override { SetDesktopShortcutHandler(nullptr); }
  bool BindsKey(int32_t key_code) const override { return DesktopShortcutBindsKey(key_code); }
  void SetHandler(std::function<void(int32_t)> handler) override {
    SetDesktopShortcutHandler(std::move(handler));
  }
};

}  // namespace

std::unique_ptr<DesktopShortcutSource> ProcessDesktopShortcuts() {
  return std::make_unique<ProcessShortcutSource>();
}

DesktopHotKeyPlatform::DesktopHotKeyPlatform(std::unique_ptr<HotKeyPlatform> fallback,
                                             std::unique_ptr<DesktopShortcutSource> shortcuts)
    : fallback_(std::move(fallback)), shortcuts_(std::move(shortcuts)) {}

DesktopHotKeyPlatform::~DesktopHotKeyPlatform() { shortcuts_->SetHandler(nullptr); }

bool DesktopHotKeyPlatform::RegisterHotKey(NativeHandle window, int32_t id,
                                           uint32_t modifier_bits, int32_t key_code) {
  const bool from_desktop = modifier_bits == 0 && shortcuts_->BindsKey(key_code);
  if (!from_desktop && !fallback_->RegisterHotKey(window, id, modifier_bits, key_code)) {
    return false;
  }
  // A key grabbed underneath is noted too: the teacher may bind its shortcut in the desktop's
  // settings later, and its presses then come from there.
  keys_.push_back({window, id, modifier_bits == 0 ? key_code : 0, from_desktop});
  return true;
}

bool DesktopHotKeyPlatform::UnregisterHotKey(NativeHandle window, int32_t id) {
  auto key = std::find_if(keys_.begin(), keys_.end(),
                          [&](const Key& k) { return k.window == window && k.id == id; });
  if (key == keys_.end()) return false;
  const bool released = key->from_desktop || fallback_->UnregisterHotKey(window, id);
  if (released) keys_.erase(key);
  return released;
}

bool DesktopHotKeyPlatform::Intercept(NativeHandle window, HotKeyMessageHandler handler) {
  handler_ = handler;
  shortcuts_->SetHandler([this](int32_t key_code) { OnShortcut(key_code); });
  // The desktop's shortcuts arrive whether or not anything can be intercepted underneath.
  fallback_->Intercept(window, std::move(handler));
  return true;
}

void DesktopHotKeyPlatform::StopIntercepting() {
  shortcuts_->SetHandler(nullptr);
  handler_ = nullptr;
  fallback_->StopIntercepting();
}

void DesktopHotKeyPlatform::OnShortcut(int32_t key_code) {
  auto key = std::find_if(keys_.begin(), keys_.end(),
                          [&](const Key& k) { return k.key_code == key_code; });
  // A copy: the handler may end the interception.
  HotKeyMessageHandler handler = handler_;
  if (key != keys_.end() && handler) handler(key->id);
}

}  // namespace rc
