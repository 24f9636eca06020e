// MD5 (RFC 1321) and RC4, written here after the published algorithms, and the page cipher
// of password-protected database files built on them.
#ifndef ROLLCALL_EDB_CRYPTO_H_
#define ROLLCALL_EDB_CRYPTO_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "edb/file.h"

namespace rc {

std::array<uint8_t, 16> Md5(std::string_view data);

// RC4: the key schedule of `key`, then one keystream byte per Next().
class Rc4 {
 public:
  explicit Rc4(std::string_view key);
  uint8_t Next();

 private:
  uint8_t s_[256];
  uint8_t i_ = 0, j_ = 0;
};

// The 32 ASCII characters stored at offset 28 of a protected file's header: the MD5 of the
// password as lower-case hex, the two characters of each pair swapped, the whole reversed.
std::string PasswordCheckText(std::string_view password);

// Enciphers and deciphers the bytes of one protected file. Every byte from offset 4 on is
// XORed with a keystream that depends on the password and on the 4096-byte page it lies in.
class PageCipher {
 public:
  explicit PageCipher(std::string_view password);
  // XORs `size` bytes that lie at file offset `offset` (enciphering and deciphering are the
  // same operation). Bytes before offset 4 are left alone.
  void Apply(int64_t offset, uint8_t* data, size_t size);

 private:
  uint32_t PageWord(int64_t page);
  const std::vector<uint8_t>& PageKeystream(int64_t page);

  std::string check_text_;
  Rc4 password_stream_;
  std::vector<uint8_t> password_keystream_;  // bytes 0.. of the password's keystream so far
  // A few recently used pages; most accesses stay within one or two pages.
  struct CachedPage {
    int64_t page = -1;
    std::vector<uint8_t> stream;
  };
  std::array<CachedPage, 4> cache_;
  size_t next_slot_ = 0;
};

// A File whose contents are enciphered with `cipher`; locks and sizes pass through.
std::unique_ptr<File> MakeCipherFile(std::unique_ptr<File> file,
                                     std::shared_ptr<PageCipher> cipher);

}  // namespace rc

#endif  // ROLLCALL_EDB_CRYPTO_H_
