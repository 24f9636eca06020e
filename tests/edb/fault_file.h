// A file system that fails on purpose: files whose path contains a given text fail to
// open, or accept only so many more bytes of writes (the write that crosses the limit is
// cut there and reports a full disk), or fail every read. Tests pass it to the commands
// that take a FileSystem; files it has not been told to touch are the real ones.
#ifndef ROLLCALL_TESTS_EDB_FAULT_FILE_H_
#define ROLLCALL_TESTS_EDB_FAULT_FILE_H_

#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "edb/errors.h"
#include "edb/file.h"

namespace rc::test {

class FaultFileSystem : public FileSystem {
 public:
  struct Faults {
    std::string match;  // only files whose native path contains this
    bool fail_open = false;
    int64_t write_budget = std::numeric_limits<int64_t>::max();
    bool fail_reads = false;
    // Every system lock (true) and unlock (false) of the file, by offset, in order.
    std::vector<std::pair<bool, int64_t>> lock_log = {};
    // Called with the offset before each system lock is tried: another program's move at a
    // known point of a command, where a thread and a sleep would race the clock.
    std::function<void(int64_t offset)> before_lock = {};
  };

  FaultFileSystem() = default;
  FaultFileSystem(const FaultFileSystem&) = delete;
  FaultFileSystem& operator=(const FaultFileSystem&) = delete;

  Faults& faults() { return *faults_; }

  std::unique_ptr<File> Open(const std::string& path, bool writable, bool create,
                             int32_t* error) override {
    const bool hit = path.find(faults_->match) != std::string::npos;
    if (hit && faults_->fail_open) {
      *error = kDbAccessDenied;
      return nullptr;
    }
    auto file = DefaultFileSystem().Open(path, writable, create, error);
    if (!file || !hit) return file;
    return std::make_unique<FaultFile>(std::move(file), faults_);
  }

 private:
  class FaultFile : public File {
   public:
    FaultFile(std::unique_ptr<File> file, std::shared_ptr<Faults> faults)
        : file_(std::move(file)), faults_(std::move(faults)) {}
    int32_t Read(int64_t offset, void* buffer, size_t size, size_t* done) override {
      if (faults_->fail_reads) {
        *done = 0;
        return kDbHardwareFault;
      }
      return file_->Read(offset, buffer, size, done);
    }
    int32_t Write(int64_t offset, const void* data, size_t size) override {
      int64_t& budget = faults_->write_budget;
      if (static_cast<int64_t>(size) <= budget) {
        budget -= static_cast<int64_t>(size);
        return file_->Write(offset, data, size);
      }
      // The part that fits is written; the failure reported is the full disk either way.
      if (budget > 0) static_cast<void>(file_->Write(offset, data, static_cast<size_t>(budget)));
      budget = 0;
      return kDbDiskFull;
    }
    int32_t Truncate(int64_t size) override { return file_->Truncate(size); }
    int32_t Size(int64_t* size) override { return file_->Size(size); }
    int32_t Lock(int64_t offset, int64_t length, LockKind kind) override {
      faults_->lock_log.emplace_back(true, offset);
      if (faults_->before_lock) faults_->before_lock(offset);
      return file_->Lock(offset, length, kind);
    }
    int32_t Unlock(int64_t offset, int64_t length) override {
      faults_->lock_log.emplace_back(false, offset);
      return file_->Unlock(offset, length);
    }
    int32_t IsLockedElsewhere(int64_t offset, int64_t length, bool* held) override {
      return file_->IsLockedElsewhere(offset, length, held);
    }
    std::optional<FileIdentity> Identity() override { return file_->Identity(); }

   private:
    std::unique_ptr<File> file_;
    std::shared_ptr<Faults> faults_;
  };

  std::shared_ptr<Faults> faults_ = std::make_shared<Faults>();
};

}  // namespace rc::test

#endif  // ROLLCALL_TESTS_EDB_FAULT_FILE_H_
