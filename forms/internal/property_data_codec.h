// The property data of a definition item: one layout per control type, each led by its
// version.
#ifndef ROLLCALL_FORMS_INTERNAL_PROPERTY_DATA_CODEC_H_
#define ROLLCALL_FORMS_INTERNAL_PROPERTY_DATA_CODEC_H_

#include <cstdint>
#include <span>

#include "forms/definition_model.h"
#include "forms/internal/definition_bytes.h"

namespace rc::forms {

// Appends the item's property data (nothing for an item without any).
void EncodeProps(Writer& w, const PropertyData& props);
// Decodes the property data of an item of `type`; empty bytes give none. False for an
// unknown type or version, or data that does not fill the bytes exactly.
bool DecodeProps(uint32_t type, std::span<const uint8_t> bytes, PropertyData& out);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_PROPERTY_DATA_CODEC_H_
