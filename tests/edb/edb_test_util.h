// Shared helpers of the database tests: a scratch folder, whole-file reads and writes, the
// roster schema, and a helper that enciphers a plain database the way protected files are.
#ifndef ROLLCALL_TESTS_EDB_EDB_TEST_UTIL_H_
#define ROLLCALL_TESTS_EDB_EDB_TEST_UTIL_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "edb/database.h"

namespace rc::test {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The native path of a file in the folder.
  std::string Native(const std::string& name) const { return path_ + "/" + name; }
  // The same path as a program text.
  Text Path(const std::string& name) const;

 private:
  std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& native_path);
void WriteBytes(const std::string& native_path, const std::vector<uint8_t>& bytes);
int64_t FileSize(const std::string& native_path);

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t offset);
void PutInt32(std::vector<uint8_t>* bytes, size_t offset, int32_t value);

// 班级 text 20, 姓名 text 20, 回答次数 int, 错误次数 int.
std::vector<FieldDefinition> RosterFields();

// Turns a plain database (and its companion file, when there is one) into a protected one
// with `password`: magic "WCDB", the check text at 28, every byte from 4 on enciphered with
// the page keys. Written from the description of the format, apart from the MD5 and RC4
// primitives, which have their own tests.
void EncryptDatabase(const std::string& main_native, const std::string& companion_native,
                     const std::string& password);

}  // namespace rc::test

#endif  // ROLLCALL_TESTS_EDB_EDB_TEST_UTIL_H_
