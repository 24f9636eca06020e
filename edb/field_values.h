// Field values inside a record: what kind each field type reads as, the number conversions,
// and the stored forms of the fixed-width types. Memo and byte-set contents live in the
// companion file (edb/blob_store.h); here only their 4-byte block numbers are handled.
#ifndef ROLLCALL_EDB_FIELD_VALUES_H_
#define ROLLCALL_EDB_FIELD_VALUES_H_

#include <cstdint>
#include <string_view>

#include "core/value.h"
#include "edb/format.h"

namespace rc {

// The value kind a field of `type` reads as and expects.
ValueKind FieldValueKind(FieldType type);

bool IsNumericKind(ValueKind kind);

// True when `value` may be written to a field of `type`: the same kind, or both numeric.
[[nodiscard]] bool ValueFitsField(FieldType type, const Value& value);

// Stores a value that fits (ValueFitsField) into the `width` bytes of a non-blob field,
// converting numbers to the field's type. A text is cut to the width; bytes after its
// terminator keep what they held.
void StoreFieldValue(FieldType type, int32_t width, const Value& value, uint8_t* bytes);

// What a text field of `width` bytes keeps of `text`: all of it when it fits, else the
// longest start that ends after a whole character. A caller can tell before writing which
// texts will be cut.
Text TextAsStored(const Text& text, int32_t width);

// Reads a non-blob field from its `width` bytes.
Value LoadFieldValue(FieldType type, int32_t width, const uint8_t* bytes);

// The empty value of a field's kind: empty text or byte set, zero, false.
Value EmptyFieldValue(FieldType type);

// The bytes of a memo (text) or byte-set value as the companion file stores them.
std::string_view BlobBytes(const Value& value);
// The value of a memo or byte-set field from the stored bytes; a memo ends at a zero byte.
Value BlobValue(FieldType type, std::string_view bytes);

}  // namespace rc

#endif  // ROLLCALL_EDB_FIELD_VALUES_H_
