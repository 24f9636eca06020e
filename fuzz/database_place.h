// Where the database fuzz targets keep their database: the files live in a MemoryFileSystem,
// which the targets pass to the commands (fs()), under names in a private folder that holds empty stand-ins
// of the same names. The stand-ins are there because the path layer looks names up on the
// real disk before the database opens them; finding them costs one stat each.
#ifndef ROLLCALL_FUZZ_DATABASE_PLACE_H_
#define ROLLCALL_FUZZ_DATABASE_PLACE_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/text.h"
#include "edb/names.h"
#include "fuzz/memory_file_system.h"

namespace rc::fuzz {

class DatabasePlace {
 public:
  DatabasePlace() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/rollcall-fuzz-XXXXXX";
    folder_ = mkdtemp(pattern.data()) ? pattern : std::string(base);
    for (const char* name : {"F.EDB", "F.EDT", "F.csv"}) {
      std::ofstream(folder_ + "/" + name);
    }
    file_name_ = Text(folder_ + "/F.EDB");
    const Text full = FullPath(file_name_);
    main_native_ = NativePath(full);
    companion_native_ = NativePath(CompanionPath(full));
  }
  ~DatabasePlace() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  DatabasePlace(const DatabasePlace&) = delete;
  DatabasePlace& operator=(const DatabasePlace&) = delete;

  MemoryFileSystem& fs() { return fs_; }
  // The main file's name as a program passes it to the database.
  const Text& file_name() const { return file_name_; }
  // A real file beside the database, for readers that take a path (the CSV import).
  std::string side_file() const { return folder_ + "/F.csv"; }

  // Sets both files' contents; an empty companion image removes the companion file.
  void Put(MemoryFileSystem::Bytes main, MemoryFileSystem::Bytes companion) {
    fs_.Put(main_native_, std::move(main));
    if (companion.empty()) {
      fs_.Remove(companion_native_);
    } else {
      fs_.Put(companion_native_, std::move(companion));
    }
  }

 private:
  MemoryFileSystem fs_;
  std::string folder_;
  Text file_name_;
  std::string main_native_;
  std::string companion_native_;
};

}  // namespace rc::fuzz

#endif  // ROLLCALL_FUZZ_DATABASE_PLACE_H_
