#include "edb/crypto.h"

#include <algorithm>
#include <cstring>

#include "edb/coding.h"
#include "edb/format.h"

namespace rc {
namespace {

constexpr uint32_t kMd5Shift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// floor(abs(sin(i + 1)) * 2^32)
constexpr uint32_t kMd5Table[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};

uint32_t RotateLeft(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

void Md5Block(uint32_t state[4], const uint8_t* block) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) m[i] = DecodeFixed32(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (uint32_t i = 0; i < 64; ++i) {
    uint32_t f, g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    uint32_t next_d = c;
    c = b;
    b = b + RotateLeft(a + f + kMd5Table[i] + m[g], kMd5Shift[i]);
    a = d;
    d = next_d;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

std::array<uint8_t, 16> Md5(std::string_view data) {
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  size_t whole = data.size() / 64 * 64;
  for (size_t i = 0; i < whole; i += 64) Md5Block(state, bytes + i);
  // The tail, the 0x80 marker, zero padding to 56 mod 64 and the bit length.
  uint8_t tail[128] = {};
  size_t rest = data.size() - whole;
  if (rest) std::memcpy(tail, bytes + whole, rest);
  tail[rest] = 0x80;
  size_t tail_size = rest < 56 ? 64 : 128;
  EncodeFixed64(tail + tail_size - 8, static_cast<uint64_t>(data.size()) * 8);
  for (size_t i = 0; i < tail_size; i += 64) Md5Block(state, tail + i);
  std::array<uint8_t, 16> digest;
  for (int i = 0; i < 4; ++i) EncodeFixed32(digest.data() + 4 * i, state[i]);
  return digest;
}

Rc4::Rc4(std::string_view key) {
  for (int i = 0; i < 256; ++i) s_[i] = static_cast<uint8_t>(i);
  if (key.empty()) return;
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<uint8_t>(j + s_[i] + static_cast<uint8_t>(key[i % key.size()]));
    std::swap(s_[i], s_[j]);
  }
}

uint8_t Rc4::Next() {
  i_ = static_cast<uint8_t>(i_ + 1);
  j_ = static_cast<uint8_t>(j_ + s_[i_]);
  std::swap(s_[i_], s_[j_]);
  return s_[static_cast<uint8_t>(s_[i_] + s_[j_])];
}

std::string PasswordCheckText(std::string_view password) {
  std::array<uint8_t, 16> digest = Md5(password);
  std::string hex;
  for (uint8_t b : digest) {
    hex.push_back(kHexDigits[b >> 4]);
    hex.push_back(kHexDigits[b & 15]);
  }
  for (size_t i = 0; i + 1 < hex.size(); i += 2) std::swap(hex[i], hex[i + 1]);
  std::reverse(hex.begin(), hex.end());
  return hex;
}

PageCipher::PageCipher(std::string_view password)
    : check_text_(PasswordCheckText(password)), password_stream_(password) {}

uint32_t PageCipher::PageWord(int64_t page) {
  size_t end = static_cast<size_t>(page) * 4 + 4;
  while (password_keystream_.size() < end) password_keystream_.push_back(password_stream_.Next());
  return DecodeFixed32(password_keystream_.data() + end - 4);
}

const std::vector<uint8_t>& PageCipher::PageKeystream(int64_t page) {
  for (const CachedPage& c : cache_) {
    if (c.page == page) return c.stream;
  }
  uint32_t word = PageWord(page);
  uint8_t key[40];
  EncodeFixed32(key, word);
  std::memcpy(key + 4, check_text_.data(), 32);
  EncodeFixed32(key + 36, word ^ static_cast<uint32_t>(page));
  Rc4 rc4(std::string_view(reinterpret_cast<const char*>(key), sizeof key));
  for (int i = 0; i < kCipherDiscard; ++i) rc4.Next();
  CachedPage& slot = cache_[next_slot_];
  next_slot_ = (next_slot_ + 1) % cache_.size();
  slot.page = page;
  slot.stream.resize(kCipherPageSize);
  for (uint8_t& b : slot.stream) b = rc4.Next();
  return slot.stream;
}

void PageCipher::Apply(int64_t offset, uint8_t* data, size_t size) {
  size_t i = 0;
  if (offset < kCipherStart) {
    size_t skip = static_cast<size_t>(std::min<int64_t>(kCipherStart - offset, size));
    i = skip;
  }
  while (i < size) {
    int64_t at = offset + static_cast<int64_t>(i);
    int64_t page = at / kCipherPageSize;
    size_t in_page = static_cast<size_t>(at % kCipherPageSize);
    size_t n = std::min(size - i, static_cast<size_t>(kCipherPageSize) - in_page);
    const std::vector<uint8_t>& stream = PageKeystream(page);
    for (size_t k = 0; k < n; ++k) data[i + k] ^= stream[in_page + k];
    i += n;
  }
}

namespace {

class CipherFile final : public File {
 public:
  CipherFile(std::unique_ptr<File> file, std::shared_ptr<PageCipher> cipher)
      : file_(std::move(file)), cipher_(std::move(cipher)) {}

  int32_t Read(int64_t offset, void* buffer, size_t size, size_t* done) override {
    int32_t code = file_->Read(offset, buffer, size, done);
    cipher_->Apply(offset, static_cast<uint8_t*>(buffer), *done);
    return code;
  }
  int32_t Write(int64_t offset, const void* data, size_t size) override {
    scratch_.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    cipher_->Apply(offset, scratch_.data(), size);
    return file_->Write(offset, scratch_.data(), size);
  }
  int32_t Truncate(int64_t size) override { return file_->Truncate(size); }
  int32_t Size(int64_t* size) override { return file_->Size(size); }
  int32_t Lock(int64_t offset, int64_t length, LockKind kind) override {
    return file_->Lock(offset, length, kind);
  }
  int32_t Unlock(int64_t offset, int64_t length) override { return file_->Unlock(offset, length); }
  int32_t IsLockedElsewhere(int64_t offset, int64_t length, bool* held) override {
    return file_->IsLockedElsewhere(offset, length, held);
  }
  std::optional<FileIdentity> Identity() override { return file_->Identity(); }

 private:
  std::unique_ptr<File> file_;
  std::shared_ptr<PageCipher> cipher_;
  std::vector<uint8_t> scratch_;
};

}  // namespace

std::unique_ptr<File> MakeCipherFile(std::unique_ptr<File> file,
                                     std::shared_ptr<PageCipher> cipher) {
  return std::make_unique<CipherFile>(std::move(file), std::move(cipher));
}

}  // namespace rc
