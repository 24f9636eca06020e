// The voice file "VoxSound.dat": every constant of its layout.
//
// The file is a serialisation archive as written by the tool that records the voices: two
// string-to-object maps one after the other, the character map first, then the sound map.
// The maps themselves carry no object tag (they were serialised in place); their values do.
// All integers are little-endian.
//
// Below, a hex number is the value of a field of the given width (u8 unless marked), not a
// byte sequence: "u16 FFFE" is stored as the bytes FE FF.
//
//   map        := count entry{count}
//   count      := u16 n                               when n < FFFF
//               | u16 FFFF, u32 n                     when n < FFFFFFFF
//               | u16 FFFF, u32 FFFFFFFF, u64 n
//   entry      := string(key) object(value)
//
//   string     := length, byte{length}                one byte per character (GBK)
//               | FF, u16 FFFE, length, u16{length}   marked UTF-16, converted to GBK
//   length     := n                                   when n < FF
//               | FF, u16 n                           when n < FFFE (FFFE: the marker)
//               | FF, u16 FFFF, u32 n                 when n < FFFFFFFF
//               | FF, u16 FFFF, u32 FFFFFFFF, u64 n
//
//   object     := u16 tag, [u32 big tag], [class], [fields]
//     tag 0000                 the null object
//     tag FFFF                 a new class follows (schema u16, name length u16, name bytes),
//                              then a new object of that class
//     tag 8000|n  (n < 7FFF)   a new object of the class stored at load index n
//     tag n       (n < 7FFF)   the object already stored at load index n
//     tag 7FFF                 the index is in the u32 that follows: with its top bit set
//                              a class reference, else an object reference
//   Load indexes count classes and objects together, in the order they first appear in the
//   archive, across both maps; index 0 is the null object, the first stored item is 1.
//
//   VoiceEntry fields, in their stored order:
//     OFFSET  SIZE        DESCRIPTION
//     0       string      name (in the character map: the name of the character's sound)
//     .       string      second text, not used by playback
//     .       8           size: IEEE double, number of data bytes; 0.0 means no data
//     .       trunc(size) data: a complete WAV image; no bytes at all when size is 0.0
//   An entry whose data is larger than kMaxSoundBytes is passed over and read as absent.
#ifndef ROLLCALL_SERVICES_SPEECH_VOICE_FILE_FORMAT_H_
#define ROLLCALL_SERVICES_SPEECH_VOICE_FILE_FORMAT_H_

#include <cstddef>
#include <cstdint>

#include "services/speech/audio_output.h"

namespace rc::voice_file {

// The file's name in the program folder.
inline constexpr char kFileName[] = "VoxSound.dat";
// The archive reads through a buffer of this size.
inline constexpr size_t kBufferSize = 4096;

// Map counts.
inline constexpr uint16_t kCountEscape16 = 0xFFFF;
inline constexpr uint32_t kCountEscape32 = 0xFFFFFFFF;

// String lengths.
inline constexpr uint8_t kLengthEscape8 = 0xFF;
inline constexpr uint16_t kUnicodeMarker = 0xFFFE;
inline constexpr uint16_t kLengthEscape16 = 0xFFFF;
inline constexpr uint32_t kLengthEscape32 = 0xFFFFFFFF;

// Object tags.
inline constexpr uint16_t kNullTag = 0x0000;
inline constexpr uint16_t kNewClassTag = 0xFFFF;
inline constexpr uint16_t kStoredClassTag = 0x8000;
inline constexpr uint16_t kBigObjectTag = 0x7FFF;
inline constexpr uint32_t kBigClassTag = 0x80000000;
// The first load index given to a stored class or object (0 is the null object).
inline constexpr uint32_t kFirstLoadIndex = 1;
// A stored class name is shorter than this.
inline constexpr uint16_t kMaxClassNameLength = 64;

// Size of the stored size field.
inline constexpr size_t kSizeFieldBytes = 8;

// The most data one entry may hold. A character sounds for a second at most (the next one
// cuts it off even at the slowest reading rate); ten seconds of the widest format playback
// takes (384 kHz, 8 channels, 32-bit samples: 12.3 MB a second) and room for the WAV's
// header chunks hold any sound a character can need, in any format. A larger size is a
// damaged or foreign file: reading it whole could take more memory than the machine has
// (a sparse file may declare 64 GB) or keep hundreds of megabytes for the whole session.
inline constexpr uint64_t kMaxSoundSeconds = 10;
inline constexpr uint64_t kWavHeaderRoom = 64 * 1024;
inline constexpr uint64_t kMaxSoundBytes =
    kMaxSoundSeconds * kMaxSoundRate * kMaxSoundChannels * kMaxSampleBytes + kWavHeaderRoom;

}  // namespace rc::voice_file

#endif  // ROLLCALL_SERVICES_SPEECH_VOICE_FILE_FORMAT_H_
