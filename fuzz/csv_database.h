// The database that the CSV import target imports into, and that the seeds' CSV files are
// exported from: one field of every type, names in both scripts.
#ifndef ROLLCALL_FUZZ_CSV_DATABASE_H_
#define ROLLCALL_FUZZ_CSV_DATABASE_H_

#include <vector>

#include "edb/database.h"

namespace rc::fuzz {

inline std::vector<FieldDefinition> CsvDatabaseFields() {
  return {{"姓名"_gbk, 10, 12},    {Text("Byte"), 1, 0},   {Text("Short"), 2, 0},
          {Text("Int"), 3, 0},     {Text("Long"), 4, 0},   {Text("Float"), 5, 0},
          {Text("Double"), 6, 0},  {"到了"_gbk, 7, 0},     {Text("Date"), 8, 0},
          {Text("Sub"), 9, 0},     {Text("Bytes"), 11, 0}, {"备注"_gbk, 12, 0}};
}

}  // namespace rc::fuzz

#endif  // ROLLCALL_FUZZ_CSV_DATABASE_H_
