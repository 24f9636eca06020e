// The fixture of the companion file's block tests: a scratch folder, a database of one text
// field and one memo field, and readers of the companion file's blocks. Every database is
// closed after each test.
#ifndef ROLLCALL_TESTS_EDB_MEMO_DB_FIXTURE_H_
#define ROLLCALL_TESTS_EDB_MEMO_DB_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edb/database.h"
#include "tests/edb/edb_test_util.h"

namespace rc::test {

class MemoDbTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseAllDatabases(); }

  // The database "m", open and current.
  void OpenMemoDb() {
    ASSERT_TRUE(CreateDatabase(dir_.Path("m"), {{"名"_gbk, 10, 8}, {"备注"_gbk, 12, 0}}));
    ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
  }
  std::vector<uint8_t> Blob() { return ReadBytes(dir_.Native("m.EDT")); }
  // Block k's previous, next and used fields.
  std::vector<int32_t> Links(const std::vector<uint8_t>& blob, int k) {
    return {Int32At(blob, k * 512), Int32At(blob, k * 512 + 4), Int32At(blob, k * 512 + 8)};
  }
  void WriteMemo(const std::string& s) {
    ASSERT_TRUE(WriteFields(std::nullopt, {{"备注"_gbk, Text(s)}})) << LastDbError();
  }
  std::string ReadMemo() { return AsText(ReadField("备注"_gbk)).bytes(); }

  TempDir dir_;
};

}  // namespace rc::test

#endif  // ROLLCALL_TESTS_EDB_MEMO_DB_FIXTURE_H_
