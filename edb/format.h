// The record database's two files, byte by byte. Every constant of the format lives here.
// All integers are little-endian (see edb/coding.h); texts are GBK.
//
// Main file (".EDB"):
//
//   OFFSET        SIZE   DESCRIPTION
//   0             112    DbHeader
//   112           4      field count, int32, >= 1
//   116           72*n   one FieldDesc per field, in field order
//   116 + 72*n    len*c  c records of len bytes; nothing follows the last record
//
// DbHeader:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     magic "WEDB" (plain) or "WCDB" (password-protected; the only plain bytes)
//   4       4     format version, 0x00010000; a greater version is refused
//   8       8     creation time, double, OLE date (local time, whole seconds)
//   16      4     record count, int32 >= 0            } read together, 8 bytes, under the
//   20      4     next record identifier, int32 >= 1  } record-count lock (edb/locks.h)
//   24      4     record length, int32 > 0: 4 + the sum of the stored widths
//   28      32    password check text (password-protected files), else zero
//   60      52    zero
//
// FieldDesc:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       17    name, GBK, zero-terminated (at most 16 bytes), zero-padded
//   17      3     zero
//   20      4     type code 1..12 (FieldType)
//   24      4     offset of the value inside a record; the first field is at 4, no gaps
//   28      4     declared width of a Text field (1..1024); 0 for every other type
//   32      40    zero
//
// Record: int32 identifier (negative = deleted, never produced here), then the values.
//
// Companion file (".EDT"): 512-byte blocks, block k at k*512. Block 0 starts with BlobHeader
// and is zero after it; every other block is a BlobBlock that belongs to exactly one value's
// chain or to the free list.
//
// BlobHeader:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     magic "WEDT"
//   4       4     format version, equal to the main file's
//   8       8     creation time, as in DbHeader
//   16      4     block count >= 1, block 0 included; the file is count*512 bytes
//   20      4     number of free blocks, 0 <= n < block count
//   24      4     first free block, 0 = none
//   28      4     zero
//
// BlobBlock:
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     previous block of the chain (or of the free list); 0 at the head
//   4       4     next block; 0 = last
//   8       4     data bytes used, 1..500 in a value chain, 0 in a free block
//   12      500   data, zero after the used bytes; all zero in a free block
#ifndef ROLLCALL_EDB_FORMAT_H_
#define ROLLCALL_EDB_FORMAT_H_

#include <cstdint>

namespace rc {

// Main file.
constexpr uint32_t kPlainMagic = 0x42444557;      // "WEDB"
constexpr uint32_t kEncryptedMagic = 0x42444357;  // "WCDB"
constexpr int32_t kFormatVersion = 0x00010000;
constexpr int64_t kDbHeaderSize = 112;
constexpr int64_t kVersionOffset = 4;
constexpr int64_t kCreatedOffset = 8;
constexpr int64_t kRecordCountOffset = 16;
constexpr int64_t kNextIdOffset = 20;
constexpr int64_t kRecordLengthOffset = 24;
constexpr int64_t kCheckTextOffset = 28;
constexpr int64_t kCheckTextSize = 32;
constexpr int64_t kFieldCountOffset = 112;
constexpr int64_t kFieldDescStart = 116;
constexpr int64_t kFieldDescSize = 72;
constexpr int64_t kFieldNameSize = 17;  // 16 bytes of name and the terminator
constexpr int32_t kMaxFieldNameBytes = 16;
constexpr int64_t kFieldTypeOffset = 20;
constexpr int64_t kFieldOffsetOffset = 24;
constexpr int64_t kFieldWidthOffset = 28;
constexpr int64_t kRecordIdSize = 4;
constexpr int32_t kMinTextWidth = 1;
constexpr int32_t kMaxTextWidth = 1024;

// Companion file.
constexpr uint32_t kBlobMagic = 0x54444557;  // "WEDT"
constexpr int64_t kBlockSize = 512;
constexpr int64_t kBlobHeaderSize = 32;
constexpr int64_t kBlobBlockCountOffset = 16;
constexpr int64_t kBlobFreeCountOffset = 20;
constexpr int64_t kBlobFreeHeadOffset = 24;
constexpr int64_t kBlockPrevOffset = 0;
constexpr int64_t kBlockNextOffset = 4;
constexpr int64_t kBlockUsedOffset = 8;
constexpr int64_t kBlockDataOffset = 12;
constexpr int32_t kBlockDataSize = 500;

// Password-protected files: both files are enciphered from this offset on, in pages.
constexpr int64_t kCipherStart = 4;
constexpr int64_t kCipherPageSize = 4096;
constexpr int32_t kCipherDiscard = 36;  // keystream bytes dropped before each page

// Field type codes.
enum class FieldType : int32_t {
  kByte = 1,
  kShort = 2,
  kInt = 3,
  kLong = 4,
  kFloat = 5,
  kDouble = 6,
  kLogical = 7,
  kDateTime = 8,
  kSubroutinePtr = 9,
  kText = 10,
  kByteSet = 11,
  kMemo = 12,
};
constexpr int32_t kMinFieldType = 1;
constexpr int32_t kMaxFieldType = 12;

// Bytes a field of `type` takes in a record (`text_width` for Text).
inline int32_t StoredWidth(FieldType type, int32_t text_width) {
  switch (type) {
    case FieldType::kByte:
    case FieldType::kLogical:
      return 1;
    case FieldType::kShort:
      return 2;
    case FieldType::kInt:
    case FieldType::kFloat:
    case FieldType::kSubroutinePtr:
    case FieldType::kByteSet:
    case FieldType::kMemo:
      return 4;
    case FieldType::kLong:
    case FieldType::kDouble:
    case FieldType::kDateTime:
      return 8;
    case FieldType::kText:
      return text_width;
  }
  return 0;
}

inline bool IsBlobType(FieldType type) {
  return type == FieldType::kByteSet || type == FieldType::kMemo;
}

// A date-time read from a record is clamped to 1 January 100 .. 31 December 9999.
constexpr double kMinDateTime = -657434.0;
constexpr double kMaxDateTime = 2958465.0;

// Conditional writes read records in batches of at most this many bytes.
constexpr int64_t kConditionalBatchBytes = 163840;

// At most this many index files may be named when opening (they are not used).
constexpr int32_t kMaxIndexFiles = 10;

}  // namespace rc

#endif  // ROLLCALL_EDB_FORMAT_H_
