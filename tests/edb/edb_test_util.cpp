#include "tests/edb/edb_test_util.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/paths.h"
#include "edb/crypto.h"

namespace rc::test {

TempDir::TempDir() {
  char pattern[] = "/tmp/edb_test_XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Text TempDir::Path(const std::string& name) const { return TextFromNativePath(Native(name)); }

std::vector<uint8_t> ReadBytes(const std::string& native_path) {
  std::ifstream in(native_path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& native_path, const std::vector<uint8_t>& bytes) {
  // A new file rather than a truncated one: ext4 flushes a file that was truncated to zero
  // and rewritten when it is closed, which makes thousands of rewrites crawl.
  std::error_code ignored;
  std::filesystem::remove(native_path, ignored);
  std::ofstream out(native_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int64_t FileSize(const std::string& native_path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(native_path, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

int32_t Int32At(const std::vector<uint8_t>& b, size_t o) {
  return static_cast<int32_t>(b.at(o) | (b.at(o + 1) << 8) | (b.at(o + 2) << 16) |
                              (static_cast<uint32_t>(b.at(o + 3)) << 24));
}

void PutInt32(std::vector<uint8_t>* b, size_t o, int32_t v) {
  for (int i = 0; i < 4; ++i) b->at(o + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

std::vector<FieldDefinition> RosterFields() {
  return {{"班级"_gbk, 10, 20}, {"姓名"_gbk, 10, 20}, {"回答次数"_gbk, 3, 20},
          {"错误次数"_gbk, 3, 20}};
}

namespace {

void EncryptFile(const std::string& native, const std::string& password, bool main_file) {
  std::vector<uint8_t> bytes = ReadBytes(native);
  const std::string check = PasswordCheckText(password);
  if (main_file) {
    bytes[1] = 'C';  // "WEDB" -> "WCDB"
    std::copy(check.begin(), check.end(), bytes.begin() + 28);
  }
  // Keystream of the password itself: its bytes 4P..4P+3 make the page word.
  Rc4 schedule(password);
  std::vector<uint8_t> words;
  const size_t pages = (bytes.size() + 4095) / 4096;
  while (words.size() < pages * 4) words.push_back(schedule.Next());
  for (size_t page = 0; page < pages; ++page) {
    const uint32_t w = words[4 * page] | (words[4 * page + 1] << 8) | (words[4 * page + 2] << 16) |
                       (static_cast<uint32_t>(words[4 * page + 3]) << 24);
    const uint32_t x = w ^ static_cast<uint32_t>(page);
    std::string key;
    for (int i = 0; i < 4; ++i) key.push_back(static_cast<char>(w >> (8 * i)));
    key += check;
    for (int i = 0; i < 4; ++i) key.push_back(static_cast<char>(x >> (8 * i)));
    Rc4 page_stream(key);
    for (int i = 0; i < 36; ++i) page_stream.Next();
    for (size_t o = 0; o < 4096 && page * 4096 + o < bytes.size(); ++o) {
      uint8_t k = page_stream.Next();
      if (page * 4096 + o >= 4) bytes[page * 4096 + o] ^= k;
    }
  }
  WriteBytes(native, bytes);
}

}  // namespace

void EncryptDatabase(const std::string& main_native, const std::string& companion_native,
                     const std::string& password) {
  EncryptFile(main_native, password, true);
  if (!companion_native.empty()) EncryptFile(companion_native, password, false);
}

}  // namespace rc::test
