#include "core/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>

namespace rc {
namespace {

bool IsSeparator(uint8_t b) { return b == '/' || b == '\\'; }

}  // namespace

std::vector<std::string> SplitPathComponents(const std::string& s) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t i = 0; i < s.size();) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      current.append(s, i, 2);
      i += 2;
      continue;
    }
    if (IsSeparator(b)) {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(b));
    }
    ++i;
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

namespace {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    uint8_t c = static_cast<uint8_t>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      uint8_t t = static_cast<uint8_t>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

bool Exists(const std::string& native) {
  struct stat st;
  return lstat(native.c_str(), &st) == 0;
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// Wildcard match over GBK characters: "*" any run, "?" one character, letters ignoring case.
bool Match(std::string_view name, std::string_view pattern) {
  auto width = [](std::string_view s, size_t i) -> size_t {
    return (IsLeadByte(static_cast<uint8_t>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  };
  size_t n = 0, p = 0;
  size_t star_p = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = p++;
      star_n = n;
      continue;
    }
    if (p < pattern.size()) {
      size_t wn = width(name, n);
      if (pattern[p] == '?') {
        n += wn;
        ++p;
        continue;
      }
      size_t wp = width(pattern, p);
      if (wp == wn && EqualsIgnoreCase(name.substr(n, wn), pattern.substr(p, wp))) {
        n += wn;
        p += wp;
        continue;
      }
    }
    if (star_p == std::string_view::npos) return false;
    p = star_p + 1;
    star_n += width(name, star_n);
    n = star_n;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

Text TextFromNativeName(std::string_view native) {
  if (IsValidUtf8(native)) return Text::FromUtf8(native);
  return Text(native);
}

Text TextFromNativePath(std::string_view native) {
  std::string text;
  for (size_t start = 0;;) {
    size_t end = native.find('/', start);
    text += TextFromNativeName(native.substr(start, end - start)).bytes();
    if (end == std::string_view::npos) break;
    text += '/';
    start = end + 1;
  }
  return Text(std::move(text));
}

namespace {

struct KeptFolder {
  std::string text;    // without trailing separators
  std::string native;
};

std::mutex g_kept_mutex;
std::vector<KeptFolder> g_kept;

// How many bytes of `path` name `kept`, with "/" and "\" one separator and a run of them
// one; npos when `path` does not lie in `kept`. Bytes are compared as they are, without
// regard to two-byte characters: a name from another system may end in a lead byte.
size_t KeptPrefixLength(std::string_view path, std::string_view kept) {
  size_t i = 0, j = 0;
  while (j < kept.size()) {
    if (IsSeparator(static_cast<uint8_t>(kept[j]))) {
      if (i >= path.size() || !IsSeparator(static_cast<uint8_t>(path[i]))) {
        return std::string_view::npos;
      }
      while (j < kept.size() && IsSeparator(static_cast<uint8_t>(kept[j]))) ++j;
      while (i < path.size() && IsSeparator(static_cast<uint8_t>(path[i]))) ++i;
      continue;
    }
    if (i >= path.size() || path[i] != kept[j]) return std::string_view::npos;
    ++i;
    ++j;
  }
  if (i < path.size() && !IsSeparator(static_cast<uint8_t>(path[i]))) {
    return std::string_view::npos;
  }
  return i;
}

}  // namespace

Text KeepNativeFolder(std::string native) {
  Text text = TextFromNativePath(native);
  std::string key = text.bytes();
  while (!key.empty() && IsSeparator(static_cast<uint8_t>(key.back()))) key.pop_back();
  if (key.empty() || !IsSeparator(static_cast<uint8_t>(key[0]))) return text;  // "/" or relative
  std::lock_guard lock(g_kept_mutex);
  for (KeptFolder& kept : g_kept) {
    if (kept.text == key) {
      kept.native = std::move(native);
      return text;
    }
  }
  g_kept.push_back(KeptFolder{std::move(key), std::move(native)});
  return text;
}

std::string NativePath(const Text& path) {
  const std::string& s = path.bytes();
  const bool absolute = !s.empty() && IsSeparator(static_cast<uint8_t>(s[0]));
  std::string result = absolute ? "/" : "";
  size_t rest = 0;
  if (absolute) {
    // The longest kept folder that the path lies in.
    std::lock_guard lock(g_kept_mutex);
    for (const KeptFolder& kept : g_kept) {
      size_t length = KeptPrefixLength(s, kept.text);
      if (length != std::string::npos && length > rest) {
        rest = length;
        result = kept.native;
      }
    }
  }
  for (const std::string& part : SplitPathComponents(s.substr(rest))) {
    std::string base = result.empty() ? "." : result;
    auto join = [&](const std::string& name) {
      if (!result.empty() && result.back() != '/') result += '/';
      result += name;
    };
    if (part == "." || part == "..") {
      join(part);
      continue;
    }
    // A name whose bytes do not all decode is stored as those bytes (any bytes but "/" and
    // NUL make a name here), as listing reads such names back. Replacing them with U+FFFD
    // would give two different names one file.
    std::string utf8 = Text(part).ToUtf8();
    const bool decodes = Text::FromUtf8(utf8).bytes() == part;
    if (!decodes) utf8 = part;
    std::string exact = base;
    if (exact.back() != '/') exact.push_back('/');
    exact.append(utf8);
    if (Exists(exact)) {
      join(utf8);
      continue;
    }
    std::string found;
    if (DirPtr dir{opendir(base.c_str())}) {
      while (dirent* e = readdir(dir.get())) {
        std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        if (EqualsIgnoreCase(TextFromNativeName(name).bytes(), part)) {
          found = std::string(name);
          break;
        }
      }
    }
    join(found.empty() ? utf8 : found);
  }
  if (result.empty()) result = ".";
  return result;
}

std::vector<Text> ListFolder(const Text& folder, const Text& pattern) {
  std::vector<Text> names;
  DirPtr dir{opendir(NativePath(folder).c_str())};
  if (!dir) return names;
  while (dirent* e = readdir(dir.get())) {
    std::string_view raw(e->d_name);
    if (raw == "." || raw == "..") continue;
    Text name = TextFromNativeName(raw);
    if (Match(name.bytes(), pattern.bytes())) names.push_back(std::move(name));
  }
  return names;
}

bool MatchesPattern(const Text& name, const Text& pattern) {
  return Match(name.bytes(), pattern.bytes());
}

bool RemoveFile(const Text& path) {
  if (path.empty()) return false;
  return unlink(NativePath(path).c_str()) == 0;
}

bool RenameFile(const Text& from, const Text& to) {
  if (from.empty() || to.empty()) {
    errno = ENOENT;
    return false;
  }
  return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool WriteFileWhole(const Text& path, std::string_view bytes) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  const std::string native = NativePath(path);
  // Beside the file, so that the rename stays on one file system; named for this process and
  // call, so that two writers never share one.
  static std::atomic<uint32_t> serial{0};
  const std::string aside =
      native + ".part-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
  const int fd = open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  // On disk before it takes the old file's place: a power cut must not leave an empty file.
  ok = ok && fsync(fd) == 0;
  int error = errno;
  ok = close(fd) == 0 && ok;
  if (ok && rename(aside.c_str(), native.c_str()) == 0) return true;
  if (ok) error = errno;
  unlink(aside.c_str());
  errno = error;
  return false;
}

}  // namespace rc
