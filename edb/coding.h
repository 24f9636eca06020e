// Fixed-width little-endian encoding: the only place where file bytes become numbers and back.
// Structures are never copied to or from a file as they lie in memory.
#ifndef ROLLCALL_EDB_CODING_H_
#define ROLLCALL_EDB_CODING_H_

#include <bit>
#include <cstdint>
#include <cstring>

namespace rc {

inline void EncodeFixed16(uint8_t* dst, uint16_t v) {
  dst[0] = static_cast<uint8_t>(v);
  dst[1] = static_cast<uint8_t>(v >> 8);
}
inline void EncodeFixed32(uint8_t* dst, uint32_t v) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void EncodeFixed64(uint8_t* dst, uint64_t v) {
  for (int i = 0; i < 8; ++i) dst[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void EncodeInt32(uint8_t* dst, int32_t v) { EncodeFixed32(dst, static_cast<uint32_t>(v)); }
inline void EncodeFloat(uint8_t* dst, float v) { EncodeFixed32(dst, std::bit_cast<uint32_t>(v)); }
inline void EncodeDouble(uint8_t* dst, double v) {
  EncodeFixed64(dst, std::bit_cast<uint64_t>(v));
}

inline uint16_t DecodeFixed16(const uint8_t* src) {
  return static_cast<uint16_t>(src[0] | (src[1] << 8));
}
inline uint32_t DecodeFixed32(const uint8_t* src) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | src[i];
  return v;
}
inline uint64_t DecodeFixed64(const uint8_t* src) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | src[i];
  return v;
}
inline int32_t DecodeInt32(const uint8_t* src) { return static_cast<int32_t>(DecodeFixed32(src)); }
inline float DecodeFloat(const uint8_t* src) { return std::bit_cast<float>(DecodeFixed32(src)); }
inline double DecodeDouble(const uint8_t* src) {
  return std::bit_cast<double>(DecodeFixed64(src));
}

}  // namespace rc

#endif  // ROLLCALL_EDB_CODING_H_
