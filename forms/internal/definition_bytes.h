// The little-endian byte writer and the bounds-checked reader of the window-definition
// codec.
#ifndef ROLLCALL_FORMS_INTERNAL_DEFINITION_BYTES_H_
#define ROLLCALL_FORMS_INTERNAL_DEFINITION_BYTES_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/text.h"
#include "core/value.h"

namespace rc::forms {

class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Raw(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void Counted(const Text& t) {
    U32(static_cast<uint32_t>(t.size()));
    Raw(t.data(), t.size());
  }
  void Bytes(const ByteSet& b) {
    U32(static_cast<uint32_t>(b.size()));
    Raw(b.data(), b.size());
  }
  void ZText(const Text& t) {
    Raw(t.data(), t.size());
    U8(0);
  }
  void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
  template <size_t N>
  void Ints(const std::array<int32_t, N>& a) {
    for (int32_t v : a) I32(v);
  }
  ByteSet& out() { return out_; }

 private:
  ByteSet out_;
};

// Reads with bounds checks; the first failure sticks and every later read yields zeros.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return pos_ == data_.size(); }
  size_t left() const { return data_.size() - pos_; }
  void Fail() { ok_ = false; }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return data_[pos_++];
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  std::span<const uint8_t> Take(size_t n) {
    if (!Need(n)) return {};
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  Text Counted() {
    auto s = Take(U32());
    return Text(reinterpret_cast<const char*>(s.data()), s.size());
  }
  ByteSet Bytes() {
    auto s = Take(U32());
    return ByteSet(s.begin(), s.end());
  }
  Text ZText() {
    if (!ok_) return Text();
    auto begin = data_.begin() + static_cast<std::ptrdiff_t>(pos_);
    auto zero = std::find(begin, data_.end(), uint8_t{0});
    if (zero == data_.end()) {
      ok_ = false;
      return Text();
    }
    Text t(reinterpret_cast<const char*>(&*begin), static_cast<size_t>(zero - begin));
    pos_ += t.size() + 1;
    return t;
  }
  template <size_t N>
  void Ints(std::array<int32_t, N>& a) {
    for (int32_t& v : a) v = I32();
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_DEFINITION_BYTES_H_
