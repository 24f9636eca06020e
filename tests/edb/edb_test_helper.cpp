// The second process of the cross-process database tests.
//
//   hold FILE MODE [ro]   open with sharing MODE, print "ready", wait for standard input to close
//   open FILE MODE [ro]   try to open; print the result code
//   create FILE           try to create a roster there; print the result code
//   add FILE N TAG        add N roster records tagged TAG, waiting out lock conflicts
//   add-forever FILE      add records 0, 1, 2, ... and print each number once it is added
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "edb/database.h"
#include "edb/errors.h"

namespace {

using rc::Text;

std::vector<rc::FieldDefinition> Roster() {
  return {{rc::Text::FromUtf8("班级"), 10, 20}, {rc::Text::FromUtf8("姓名"), 10, 20},
          {rc::Text::FromUtf8("回答次数"), 3, 0}, {rc::Text::FromUtf8("错误次数"), 3, 0}};
}

bool Open(const char* file, int mode, bool read_only) {
  return rc::OpenDatabase(Text(file), std::nullopt, read_only, mode);
}

// Opening does not wait for the other process's locks either.
bool OpenRetrying(const char* file) {
  for (int attempt = 0; attempt < 100000; ++attempt) {
    if (Open(file, 1, false)) return true;
    if (rc::LastDbError() != rc::kDbLockViolation) return false;
    usleep(100);
  }
  return false;
}

// Adds a record, trying again while another process holds the record count: adding never
// waits for a lock by itself.
bool AddRetrying(const std::vector<std::optional<rc::Value>>& values) {
  for (int attempt = 0; attempt < 100000; ++attempt) {
    if (rc::AddRecord(values)) return true;
    if (rc::LastDbError() != rc::kDbLockViolation) return false;
    usleep(100);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string command = argv[1];
  const char* file = argv[2];
  const bool read_only = argc > 4 && std::strcmp(argv[4], "ro") == 0;
  if (command == "hold" && argc >= 4) {
    if (!Open(file, std::atoi(argv[3]), read_only)) {
      std::printf("%d\n", rc::LastDbError());
      return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char c;
    while (read(0, &c, 1) > 0) {
    }
    return 0;
  }
  if (command == "open" && argc >= 4) {
    Open(file, std::atoi(argv[3]), read_only);
    std::printf("%d\n", rc::LastDbError());
    return 0;
  }
  if (command == "create") {
    rc::CreateDatabase(Text(file), Roster());
    std::printf("%d\n", rc::LastDbError());
    return 0;
  }
  if (command == "add" && argc >= 5) {
    if (!OpenRetrying(file)) return 3;
    const int n = std::atoi(argv[3]);
    const std::string tag = argv[4];
    for (int i = 0; i < n; ++i) {
      if (!AddRetrying({Text(tag), Text(tag + std::to_string(i)), int32_t{i}, int32_t{i * 7}})) {
        std::fprintf(stderr, "add failed: %d\n", rc::LastDbError());
        return 4;
      }
    }
    return 0;
  }
  if (command == "add-forever") {
    if (!Open(file, 1, false)) return 3;
    for (int32_t i = 0;; ++i) {
      std::string s = std::to_string(i);
      if (!rc::AddRecord({Text("k" + s), Text("v" + s), i, i * 3})) return 4;
      std::printf("%d\n", i);
      std::fflush(stdout);
    }
  }
  return 2;
}
