// A file system in memory for the database fuzz targets: files are byte vectors keyed by
// native path, so a run never touches the disk. Locks always succeed and nobody else ever
// holds one: a target is one process with one open database at a time.
//
// A file never grows past kMaxFileSize. A damaged block number can ask for a write
// gigabytes into the companion file; a real disk stores that sparsely, memory would not,
// so such a write fails as a full disk would.
#ifndef ROLLCALL_FUZZ_MEMORY_FILE_SYSTEM_H_
#define ROLLCALL_FUZZ_MEMORY_FILE_SYSTEM_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "edb/errors.h"
#include "edb/file.h"

namespace rc::fuzz {

class MemoryFileSystem : public FileSystem {
 public:
  using Bytes = std::vector<uint8_t>;
  static constexpr int64_t kMaxFileSize = int64_t{64} << 20;

  // Replaces the contents of the file at `native_path`, making it when missing.
  void Put(const std::string& native_path, Bytes bytes) {
    auto& file = files_[native_path];
    if (!file) file = std::make_shared<Bytes>();
    *file = std::move(bytes);
  }
  void Remove(const std::string& native_path) { files_.erase(native_path); }

  std::unique_ptr<File> Open(const std::string& native_path, bool writable, bool create,
                             int32_t* error) override {
    auto found = files_.find(native_path);
    if (found == files_.end()) {
      if (!create) {
        *error = kDbFileNotFound;
        return nullptr;
      }
      found = files_.emplace(native_path, std::make_shared<Bytes>()).first;
    }
    *error = kDbOk;
    return std::make_unique<MemoryFile>(found->second, writable);
  }

 private:
  class MemoryFile : public File {
   public:
    MemoryFile(std::shared_ptr<Bytes> bytes, bool writable)
        : bytes_(std::move(bytes)), writable_(writable) {}

    int32_t Read(int64_t offset, void* buffer, size_t size, size_t* done) override {
      *done = 0;
      if (offset < 0) return kDbSeekFailed;
      const auto length = static_cast<int64_t>(bytes_->size());
      if (offset >= length) return kDbOk;
      *done = static_cast<size_t>(std::min<int64_t>(length - offset, static_cast<int64_t>(size)));
      std::memcpy(buffer, bytes_->data() + offset, *done);
      return kDbOk;
    }
    int32_t Write(int64_t offset, const void* data, size_t size) override {
      if (!writable_) return kDbInvalidFile;
      if (offset < 0) return kDbSeekFailed;
      if (offset > kMaxFileSize - static_cast<int64_t>(size)) return kDbDiskFull;
      const auto end = static_cast<size_t>(offset) + size;
      if (end > bytes_->size()) bytes_->resize(end);
      if (size > 0) std::memcpy(bytes_->data() + offset, data, size);
      return kDbOk;
    }
    int32_t Truncate(int64_t size) override {
      if (!writable_) return kDbInvalidFile;
      if (size < 0) return kDbSeekFailed;
      if (size > kMaxFileSize) return kDbDiskFull;
      bytes_->resize(static_cast<size_t>(size));
      return kDbOk;
    }
    int32_t Size(int64_t* size) override {
      *size = static_cast<int64_t>(bytes_->size());
      return kDbOk;
    }
    int32_t Lock(int64_t, int64_t, LockKind) override { return kDbOk; }
    int32_t Unlock(int64_t, int64_t) override { return kDbOk; }
    int32_t IsLockedElsewhere(int64_t, int64_t, bool* held) override {
      *held = false;
      return kDbOk;
    }

   private:
    std::shared_ptr<Bytes> bytes_;
    bool writable_;
  };

  std::map<std::string, std::shared_ptr<Bytes>> files_;
};

}  // namespace rc::fuzz

#endif  // ROLLCALL_FUZZ_MEMORY_FILE_SYSTEM_H_
