// The WAV images of the voice pack: every constant of their layout. Little-endian.
//
//   OFFSET  SIZE  DESCRIPTION
//   0       4     "RIFF"
//   4       4     size of what follows: 36 + data size
//   8       4     "WAVE"
//   12      4     "fmt "
//   16      4     16, the size of the format chunk
//   20      2     1, PCM
//   22      2     1 channel
//   24      4     samples per second
//   28      4     bytes per second
//   32      2     bytes per sample frame: 2
//   34      2     bits per sample: 16
//   36      4     "data"
//   40      4     data size in bytes
//   44      .     samples, signed 16-bit
#ifndef ROLLCALL_TOOLS_VOICEPACK_WAV_FORMAT_H_
#define ROLLCALL_TOOLS_VOICEPACK_WAV_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace rc::voicepack::wav_format {

inline constexpr char kRiffTag[] = "RIFF";
inline constexpr char kWaveTag[] = "WAVE";
inline constexpr char kFmtTag[] = "fmt ";
inline constexpr char kDataTag[] = "data";
inline constexpr uint32_t kRiffChunkHeaderSize = 8;  // "RIFF" and its size
inline constexpr uint32_t kFmtChunkSize = 16;
inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kChannels = 1;
inline constexpr uint16_t kBitsPerSample = 16;
inline constexpr uint32_t kBytesPerSample = kBitsPerSample / 8;
inline constexpr uint32_t kHeaderSize = 44;
// Where the sample rate and the data size are, for readers of the images.
inline constexpr size_t kSampleRateOffset = 24;
inline constexpr size_t kDataSizeOffset = 40;

}  // namespace rc::voicepack::wav_format

#endif  // ROLLCALL_TOOLS_VOICEPACK_WAV_FORMAT_H_
