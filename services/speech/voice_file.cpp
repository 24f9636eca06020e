#include "services/speech/voice_file.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <streambuf>
#include <string>

#include "core/paths.h"
#include "services/speech/voice_file_format.h"

namespace rc {
namespace {

using Status = VoiceFileStatus;
namespace vf = voice_file;

// Reads little-endian fields and knows how many bytes are left, so that no length from the
// file is ever trusted beyond the end of the file.
class ArchiveReader {
 public:
  ArchiveReader(std::istream& in, uint64_t size) : in_(in), remaining_(size) {}

  uint64_t remaining() const { return remaining_; }

  bool ReadBytes(void* out, uint64_t n) {
    if (n > remaining_) return false;
    in_.read(static_cast<char*>(out), static_cast<std::streamsize>(n));
    if (static_cast<uint64_t>(in_.gcount()) != n) {
      remaining_ = 0;
      return false;
    }
    remaining_ -= n;
    return true;
  }

  // Passes over `n` bytes without reading them.
  bool Skip(uint64_t n) {
    if (n > remaining_) return false;
    in_.seekg(static_cast<std::streamoff>(n), std::ios::cur);
    if (!in_) {
      remaining_ = 0;
      return false;
    }
    remaining_ -= n;
    return true;
  }

  template <typename T>
  bool ReadFixed(T* value) {
    uint8_t b[sizeof(T)];
    if (!ReadBytes(b, sizeof(T))) return false;
    T v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = static_cast<T>((v << 8) | b[i]);
    *value = v;
    return true;
  }

  bool ReadDouble(double* value) {
    uint64_t bits;
    if (!ReadFixed(&bits)) return false;
    static_assert(sizeof(double) == sizeof(uint64_t));
    std::memcpy(value, &bits, sizeof(bits));
    return true;
  }

 private:
  std::istream& in_;
  uint64_t remaining_;
};

// One slot of the load table: a class (its name is not needed) or an object.
struct LoadSlot {
  bool is_class = false;
  std::shared_ptr<const VoiceEntry> object;  // null for a class, the null object, or an
                                             // object still being read
};

class VoiceArchive {
 public:
  VoiceArchive(std::istream& in, uint64_t size) : reader_(in, size) {
    load_.push_back(LoadSlot{});  // index 0: the null object
  }

  Status ReadMap(VoiceMap* map) {
    uint64_t count;
    if (Status s = ReadCount(&count); s != Status::kComplete) return s;
    // The count is only a number in the file: nothing is reserved for it, and each entry
    // takes bytes, so a huge count ends at the end of the file.
    for (uint64_t i = 0; i < count; ++i) {
      Text key;
      std::shared_ptr<const VoiceEntry> value;
      if (Status s = ReadString(&key); s != Status::kComplete) return s;
      if (Status s = ReadObject(&value); s != Status::kComplete) return s;
      (*map)[key] = std::move(value);  // a later entry for the same key replaces it
    }
    return Status::kComplete;
  }

 private:
  Status ReadCount(uint64_t* count) {
    uint16_t w;
    if (!reader_.ReadFixed(&w)) return Status::kTruncated;
    if (w != vf::kCountEscape16) {
      *count = w;
      return Status::kComplete;
    }
    uint32_t d;
    if (!reader_.ReadFixed(&d)) return Status::kTruncated;
    if (d != vf::kCountEscape32) {
      *count = d;
      return Status::kComplete;
    }
    return reader_.ReadFixed(count) ? Status::kComplete : Status::kTruncated;
  }

  // The length forms after the first byte: FF u16, FF FFFF u32, FF FFFF FFFFFFFF u64.
  Status ReadLongLength(uint16_t w, uint64_t* length) {
    if (w != vf::kLengthEscape16) {
      *length = w;
      return Status::kComplete;
    }
    uint32_t d;
    if (!reader_.ReadFixed(&d)) return Status::kTruncated;
    if (d != vf::kLengthEscape32) {
      *length = d;
      return Status::kComplete;
    }
    return reader_.ReadFixed(length) ? Status::kComplete : Status::kTruncated;
  }

  Status ReadString(Text* out) {
    uint8_t b;
    if (!reader_.ReadFixed(&b)) return Status::kTruncated;
    uint64_t length = b;
    bool unicode = false;
    if (b == vf::kLengthEscape8) {
      uint16_t w;
      if (!reader_.ReadFixed(&w)) return Status::kTruncated;
      if (w == vf::kUnicodeMarker) {
        unicode = true;
        if (!reader_.ReadFixed(&b)) return Status::kTruncated;
        length = b;
        if (b == vf::kLengthEscape8) {
          if (!reader_.ReadFixed(&w)) return Status::kTruncated;
          if (Status s = ReadLongLength(w, &length); s != Status::kComplete) return s;
        }
      } else if (Status s = ReadLongLength(w, &length); s != Status::kComplete) {
        return s;
      }
    }
    const uint64_t char_size = unicode ? 2 : 1;
    if (length > reader_.remaining() / char_size) return Status::kTruncated;
    if (!unicode) {
      std::string bytes(static_cast<size_t>(length), '\0');
      if (!reader_.ReadBytes(bytes.data(), length)) return Status::kTruncated;
      *out = Text(std::move(bytes));
      return Status::kComplete;
    }
    std::u16string chars(static_cast<size_t>(length), u'\0');
    for (char16_t& c : chars) {
      uint16_t unit;
      if (!reader_.ReadFixed(&unit)) return Status::kTruncated;
      c = static_cast<char16_t>(unit);
    }
    *out = Text::FromUtf16(chars);
    return Status::kComplete;
  }

  Status ReadObject(std::shared_ptr<const VoiceEntry>* out) {
    uint16_t tag;
    if (!reader_.ReadFixed(&tag)) return Status::kTruncated;
    uint32_t ob_tag;
    if (tag == vf::kBigObjectTag) {
      if (!reader_.ReadFixed(&ob_tag)) return Status::kTruncated;
    } else {
      ob_tag = (static_cast<uint32_t>(tag & vf::kStoredClassTag) << 16) |
               (tag & ~vf::kStoredClassTag);
    }

    if (!(ob_tag & vf::kBigClassTag)) {
      // A reference to an object read before (index 0: the null object).
      if (ob_tag >= load_.size()) return Status::kBadIndex;
      const LoadSlot& slot = load_[ob_tag];
      if (slot.is_class) return Status::kBadClass;
      *out = slot.object;
      return Status::kComplete;
    }

    if (tag == vf::kNewClassTag) {
      uint16_t schema, name_length;
      if (!reader_.ReadFixed(&schema) || !reader_.ReadFixed(&name_length)) {
        return Status::kTruncated;
      }
      // The class name is whatever the recording tool called its record class; every
      // stored object is read as a VoiceEntry.
      if (name_length >= vf::kMaxClassNameLength) return Status::kBadClass;
      char name[vf::kMaxClassNameLength];
      if (!reader_.ReadBytes(name, name_length)) return Status::kTruncated;
      load_.push_back(LoadSlot{.is_class = true, .object = nullptr});
    } else {
      uint32_t class_index = ob_tag & ~vf::kBigClassTag;
      if (class_index == 0 || class_index >= load_.size()) return Status::kBadIndex;
      if (!load_[class_index].is_class) return Status::kBadClass;
    }

    // The new object takes its load index before its fields are read.
    size_t index = load_.size();
    load_.push_back(LoadSlot{});
    auto entry = std::make_shared<VoiceEntry>();
    bool absent = false;
    if (Status s = ReadEntryFields(entry.get(), &absent); s != Status::kComplete) return s;
    if (absent) {
      // Its slot stays empty, so that a later reference to it finds no entry either.
      *out = nullptr;
      return Status::kComplete;
    }
    load_[index].object = entry;
    *out = std::move(entry);
    return Status::kComplete;
  }

  // `*absent` is set for an entry whose sound is passed over: one larger than any sound a
  // character needs, or one that memory cannot hold at the moment.
  Status ReadEntryFields(VoiceEntry* entry, bool* absent) {
    if (Status s = ReadString(&entry->name); s != Status::kComplete) return s;
    if (Status s = ReadString(&entry->second_text); s != Status::kComplete) return s;
    if (!reader_.ReadDouble(&entry->size)) return Status::kTruncated;
    if (entry->size == 0.0) return Status::kComplete;
    // The size is only a number in the file: it is checked against what is left before
    // anything is allocated for it.
    if (std::isnan(entry->size) || entry->size < 0.0) return Status::kBadSize;
    double whole = std::trunc(entry->size);
    if (whole > static_cast<double>(reader_.remaining())) return Status::kTruncated;
    uint64_t n = static_cast<uint64_t>(whole);
    *absent = n > vf::kMaxSoundBytes;
    if (!*absent) {
      try {
        entry->data.resize(static_cast<size_t>(n));
      } catch (const std::bad_alloc&) {
        *absent = true;
      }
    }
    if (*absent) return reader_.Skip(n) ? Status::kComplete : Status::kTruncated;
    if (!reader_.ReadBytes(entry->data.data(), n)) return Status::kTruncated;
    return Status::kComplete;
  }

  ArchiveReader reader_;
  std::vector<LoadSlot> load_;
};

// A read-only stream over bytes in memory, without copying them. It seeks forward only,
// which is all that passing over a sound needs.
class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::span<const uint8_t> bytes) {
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    setg(begin, begin, begin + bytes.size());
  }

 protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override {
    if (dir != std::ios_base::cur || !(which & std::ios_base::in) || off < 0 ||
        off > egptr() - gptr()) {
      return pos_type(off_type(-1));
    }
    setg(eback(), gptr() + off, egptr());
    return pos_type(gptr() - eback());
  }
};

}  // namespace

VoiceData ReadVoiceData(std::istream& in, uint64_t size) {
  VoiceData data;
  VoiceArchive archive(in, size);
  try {
    data.status = archive.ReadMap(&data.characters);
    if (data.status == Status::kComplete) data.status = archive.ReadMap(&data.sounds);
  } catch (const std::bad_alloc&) {
    // A string that memory cannot hold (a sparse file may declare any length): the maps
    // keep what was read before it. A sound that memory cannot hold is only passed over.
    data.status = Status::kNoMemory;
  }
  return data;
}

VoiceData ReadVoiceData(std::span<const uint8_t> bytes) {
  MemoryBuffer buffer(bytes);
  std::istream in(&buffer);
  return ReadVoiceData(in, bytes.size());
}

VoiceData LoadVoiceFile(const Text& path) {
  VoiceData missing;
  missing.status = Status::kMissing;
  // Only a regular file: opening a pipe would wait for a writer, and a device has no end.
  const std::string native = NativePath(path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(native, error)) return missing;
  char buffer[voice_file::kBufferSize];
  std::ifstream file;
  file.rdbuf()->pubsetbuf(buffer, sizeof(buffer));
  file.open(native, std::ios::binary);
  if (!file) return missing;
  file.seekg(0, std::ios::end);
  std::streamoff size = file.tellg();
  file.seekg(0, std::ios::beg);
  if (size < 0 || !file) return missing;
  return ReadVoiceData(file, static_cast<uint64_t>(size));
}

}  // namespace rc
