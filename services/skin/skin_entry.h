// The skin engine's one exported entry, as the program calls it.
//
//   int AttachSkinResource(const uint8_t* skin, int32_t length, const char* password,
//                          int32_t reserved1, int32_t reserved2, int32_t reserved3);
//
// skin/length: a skin in the format of skin_format.h; the engine copies what it needs, so
// the bytes may go away after the call. password: our skins are not encrypted; pass null
// (anything else is ignored). The three integers are reserved: pass 0.
// From then on every window of the program, present and future, is drawn in the skin.
// Returns 1 when the skin was applied and 0 when it was not (no application object yet,
// or the bytes are not a skin), in which case nothing was changed.
// Call on the user-interface thread, after the QApplication exists.
#ifndef ROLLCALL_SERVICES_SKIN_SKIN_ENTRY_H_
#define ROLLCALL_SERVICES_SKIN_SKIN_ENTRY_H_

#include <cstdint>

namespace rc {

inline constexpr char kAttachSkinResourceName[] = "AttachSkinResource";

using AttachSkinResourceFunction = int (*)(const uint8_t* skin, int32_t length,
                                           const char* password, int32_t reserved1,
                                           int32_t reserved2, int32_t reserved3);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SKIN_SKIN_ENTRY_H_
