#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "edb/errors.h"
#include "edb/file.h"

namespace rc {
namespace {

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { close(fd_); }  // also drops every lock of this open file
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  int32_t Read(int64_t offset, void* buffer, size_t size, size_t* done) override {
    *done = 0;
    auto* p = static_cast<char*>(buffer);
    while (*done < size) {
      ssize_t n = pread(fd_, p + *done, size - *done, offset + static_cast<int64_t>(*done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrorFromErrno(errno);
      }
      if (n == 0) break;
      *done += static_cast<size_t>(n);
    }
    return kDbOk;
  }

  int32_t Write(int64_t offset, const void* data, size_t size) override {
    const auto* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
      ssize_t n = pwrite(fd_, p + done, size - done, offset + static_cast<int64_t>(done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrorFromErrno(errno);
      }
      if (n == 0) return kDbDiskFull;
      done += static_cast<size_t>(n);
    }
    return kDbOk;
  }

  int32_t Truncate(int64_t size) override {
    while (ftruncate(fd_, size) != 0) {
      if (errno != EINTR) return ErrorFromErrno(errno);
    }
    return kDbOk;
  }

  int32_t Size(int64_t* size) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return ErrorFromErrno(errno);
    *size = st.st_size;
    return kDbOk;
  }

  int32_t Lock(int64_t offset, int64_t length, LockKind kind) override {
    struct flock fl = Range(kind == LockKind::kShared ? F_RDLCK : F_WRLCK, offset, length);
    if (fcntl(fd_, F_OFD_SETLK, &fl) == 0) return kDbOk;
    return LockError(errno);
  }

  int32_t Unlock(int64_t offset, int64_t length) override {
    struct flock fl = Range(F_UNLCK, offset, length);
    if (fcntl(fd_, F_OFD_SETLK, &fl) == 0) return kDbOk;
    return LockError(errno);
  }

  std::optional<FileIdentity> Identity() override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }

  int32_t IsLockedElsewhere(int64_t offset, int64_t length, bool* held) override {
    // Asking about an exclusive lock finds every lock of any other open file on the range;
    // the locks of this open file never conflict with it.
    struct flock fl = Range(F_WRLCK, offset, length);
    *held = false;
    if (fcntl(fd_, F_OFD_GETLK, &fl) != 0) return LockError(errno);
    *held = fl.l_type != F_UNLCK;
    return kDbOk;
  }

 private:
  static struct flock Range(short type, int64_t offset, int64_t length) {
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = length;
    fl.l_pid = 0;  // required for open-file-description locks
    return fl;
  }

  static int32_t LockError(int err) {
    // A file system without byte-range locks is taken as granting them.
    if (err == EINVAL || err == ENOLCK || err == EOPNOTSUPP) return kDbOk;
    if (err == EAGAIN || err == EACCES) return kDbLockViolation;
    return ErrorFromErrno(err);
  }

  int fd_;
};

class Posix final : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& native_path, bool writable, bool create,
                             int32_t* error) override {
    // Without O_NONBLOCK, opening a FIFO named like a database would wait for a writer
    // forever. Nothing but a regular file is accepted, so the flag is dropped again below.
    int flags =
        (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0);
    int fd;
    do {
      fd = open(native_path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      *error = ErrorFromErrno(errno);
      return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
      close(fd);
      *error = kDbAccessDenied;
      return nullptr;
    }
    *error = kDbOk;
    return std::make_unique<PosixFile>(fd);
  }
};

}  // namespace

FileSystem& DefaultFileSystem() {
  static Posix posix;
  return posix;
}

int32_t ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return kDbFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return kDbBadPath;
    case EMFILE:
    case ENFILE:
      return kDbTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kDbAccessDenied;
    case EBADF:
      return kDbInvalidFile;
    case ESPIPE:
    case EOVERFLOW:
      return kDbSeekFailed;
    case EIO:
      return kDbHardwareFault;
    case EAGAIN:
      return kDbLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kDbDiskFull;
    default:
      return kDbUnknown;
  }
}

}  // namespace rc
