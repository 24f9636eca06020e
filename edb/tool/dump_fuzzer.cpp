// libFuzzer target: open and dump any pair of main and companion file contents. The input
// is a 2-byte length of the main file's part, then the main file, then the companion file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "edb/tool/edbtool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string base = "/tmp/edb_fuzz_" + std::to_string(getpid());
  size_t main_size = size;
  if (size >= 2) {
    main_size = std::min<size_t>(size - 2, static_cast<size_t>(data[0] | (data[1] << 8)));
    data += 2;
    size -= 2;
  }
  std::ofstream(base + ".EDB", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(main_size));
  std::ofstream(base + ".EDT", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + main_size),
             static_cast<std::streamsize>(size - main_size));
  std::ostringstream out, err;
  rc::RunEdbtool({"dump", base + ".EDB"}, out, err);
  return 0;
}
