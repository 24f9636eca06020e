// libFuzzer target: edbtool's CSV import on any bytes, into a database with one field of
// every type (csv_database.h) held in memory. What an import adds must come back: its
// export imports into a fresh copy, and exports again to the same CSV unless it holds
// U+FFFD, which stands for stored bytes that are no GBK (those cannot be written as UTF-8).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "edb/database.h"
#include "edb/tool/edbtool.h"
#include "fuzz/csv_database.h"
#include "fuzz/database_place.h"

namespace {

struct Setup {
  rc::fuzz::DatabasePlace place;
  std::vector<uint8_t> main, companion;  // the empty database's files

  Setup() {
    if (!rc::CreateDatabase(place.fs(), place.file_name(), rc::fuzz::CsvDatabaseFields())) {
      std::abort();
    }
    main = Read(".EDB");
    companion = Read(".EDT");
  }
  std::vector<uint8_t> Read(const char* extension) {
    std::string native = place.file_name().bytes();
    native.replace(native.size() - 4, 4, extension);
    int32_t error = 0;
    auto file = place.fs().Open(native, false, false, &error);
    int64_t size = 0;
    if (!file || file->Size(&size) != 0) std::abort();
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    size_t done = 0;
    if (file->Read(0, bytes.data(), bytes.size(), &done) != 0) std::abort();
    return bytes;
  }
};

Setup& Get() {
  static Setup setup;
  return setup;
}

// Imports `csv` into a fresh copy of the empty database; the export afterwards in `*csv_out`.
int Import(const std::string& csv, std::string* csv_out) {
  Setup& s = Get();
  s.place.Put(s.main, s.companion);
  std::ofstream(s.place.side_file(), std::ios::binary | std::ios::trunc) << csv;
  const std::string db = s.place.file_name().bytes();
  std::ostringstream out, err;
  const int status =
      rc::RunEdbtool({"import-csv", db, s.place.side_file()}, out, err, s.place.fs());
  if (status == 0 && csv_out) {
    if (rc::RunEdbtool({"export-csv", db}, out, err, s.place.fs()) != 0) std::abort();
    *csv_out = out.str();
  }
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string first, second;
  if (Import(std::string(reinterpret_cast<const char*>(data), size), &first) != 0) return 0;
  if (Import(first, &second) != 0) std::abort();
  if (second != first && first.find("\xEF\xBF\xBD") == std::string::npos) std::abort();
  return 0;
}
