// The record database's error codes, their texts and the per-thread last error.
#ifndef ROLLCALL_EDB_ERRORS_H_
#define ROLLCALL_EDB_ERRORS_H_

#include <cstdint>

#include "core/text.h"

namespace rc {

// The codes that the database itself produces. The full list of texts is in errors.cpp.
enum DbError : int32_t {
  kDbOk = 0,
  kDbUnknown = -1,
  kDbCreateFailed = -2,
  kDbFileNotFound = -3,
  kDbBadPath = -4,
  kDbTooManyOpenFiles = -5,
  kDbAccessDenied = -6,
  kDbInvalidFile = -7,
  kDbSeekFailed = -10,
  kDbHardwareFault = -11,
  kDbSharingViolation = -12,
  kDbLockViolation = -13,
  kDbDiskFull = -14,
  kDbEndOfFile = -15,
  kDbNoFields = -16,
  kDbBadFieldType = -17,
  kDbBadFieldName = -18,
  kDbBadFieldWidth = -19,
  kDbDuplicateFieldName = -20,
  kDbOpenFailed = -21,
  kDbNotDatabase = -22,
  kDbVersionTooNew = -23,
  kDbBadAlias = -24,
  kDbBeforeFirst = -25,
  kDbAfterLast = -26,
  kDbTooManyIndexFiles = -34,
  kDbFieldNotFound = -40,
  kDbBlobReadFailed = -35,
  kDbBlobVersionMismatch = -36,
  kDbBlobDamaged = -37,
  kDbAlreadyOpen = -38,
  kDbFieldReadFailed = -46,
  kDbWrongFileSize = -48,
  kDbBlobCreateFailed = -50,
  kDbBlobAccessFailed = -59,
  kDbNoCurrentRecord = -60,
  kDbRecordReadFailed = -62,
  kDbRecordWriteFailed = -63,
  kDbRecordCountFailed = -65,
  kDbNotOpen = -66,
  kDbNoCurrentDatabase = -67,
  kDbValueKindMismatch = -72,
  kDbExpressionKind = -76,
  kDbBadPassword = -78,
};

// The text of a code; "未知错误" for a code outside the list, the empty text for 0.
Text DbErrorText(int32_t code);

// The code of the last database command on the calling thread (0 after a success).
int32_t LastDbError();
void SetLastDbError(int32_t code);

}  // namespace rc

#endif  // ROLLCALL_EDB_ERRORS_H_
