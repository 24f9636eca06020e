#include "services/skin/memory_loader.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rc {

namespace {

#if defined(__x86_64__)
constexpr uint16_t kThisMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr uint16_t kThisMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr uint16_t kThisMachine = EM_386;
#elif defined(__arm__)
constexpr uint16_t kThisMachine = EM_ARM;
#else
#error "Unknown machine: add its ELF machine code here."
#endif

constexpr unsigned char kThisClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kThisByteOrder =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;

void SetError(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
}

// Checks what the dynamic loader relies on without checking; it checks the rest itself and
// fails cleanly.
bool CheckImage(std::span<const uint8_t> image, std::string* error) {
  if (image.size() < sizeof(ElfW(Ehdr))) {
    SetError(error, "image too short for an ELF header");
    return false;
  }
  ElfW(Ehdr) header;
  std::memcpy(&header, image.data(), sizeof(header));
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
    SetError(error, "not an ELF image");
    return false;
  }
  if (header.e_ident[EI_CLASS] != kThisClass || header.e_ident[EI_DATA] != kThisByteOrder) {
    SetError(error, "ELF class or byte order differs from this process");
    return false;
  }
  if (header.e_machine != kThisMachine) {
    SetError(error, "ELF machine differs from this process");
    return false;
  }
  if (header.e_type != ET_DYN) {
    SetError(error, "not a shared object");
    return false;
  }
  if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phoff > image.size() ||
      header.e_phnum > (image.size() - header.e_phoff) / sizeof(ElfW(Phdr))) {
    SetError(error, "program headers lie outside the image");
    return false;
  }
  // The dynamic loader maps segments from the file without checking them against its
  // size; a segment reaching past the end of a cut-short image would fault when touched.
  for (size_t i = 0; i < header.e_phnum; ++i) {
    ElfW(Phdr) segment;
    std::memcpy(&segment, image.data() + header.e_phoff + i * sizeof(segment), sizeof(segment));
    if (segment.p_filesz > image.size() || segment.p_offset > image.size() - segment.p_filesz) {
      SetError(error, "a segment lies outside the image");
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

LoadedImage::~LoadedImage() {
  if (handle_ != nullptr) dlclose(handle_);
  if (memfd_ >= 0) close(memfd_);
}

std::unique_ptr<LoadedImage> LoadModuleFromMemory(std::span<const uint8_t> image,
                                                  std::string* error) {
  if (!CheckImage(image, error)) return nullptr;

  // From here on, the record's destructor undoes whatever was done when we return early.
  std::unique_ptr<LoadedImage> module(new LoadedImage());
  module->memfd_ = memfd_create("rollcall-skin-engine", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (module->memfd_ < 0) {
    SetError(error, std::string("memfd_create: ") + std::strerror(errno));
    return nullptr;
  }
  if (!WriteAll(module->memfd_, image)) {
    SetError(error, std::string("writing the in-memory file: ") + std::strerror(errno));
    return nullptr;
  }
  // Sealed, the file cannot change under the loader's mappings. Sealing is a safeguard,
  // not a condition: a kernel without it still loads.
  fcntl(module->memfd_, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);

  const std::string path = "/proc/self/fd/" + std::to_string(module->memfd_);
  dlerror();
  // Bound now, so that a missing symbol fails the load here and not at some later call.
  module->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module->handle_ == nullptr) {
    const char* why = dlerror();
    SetError(error, std::string("dlopen: ") + (why ? why : "failed"));
    return nullptr;
  }
  module->initialized_ = true;

  link_map* map = nullptr;
  if (dlinfo(module->handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
    SetError(error, "the loaded image has no link map");
    return nullptr;
  }
  module->base_ = static_cast<uintptr_t>(map->l_addr);
  module->headers_ = reinterpret_cast<const void*>(map->l_addr);
  return module;
}

void* FindModuleExport(const LoadedImage* module, const char* name) {
  if (module == nullptr || module->handle() == nullptr || name == nullptr) return nullptr;
  dlerror();
  void* symbol = dlsym(module->handle(), name);
  if (symbol == nullptr) return nullptr;
  // dlsym also searches the libraries the image depends on; only the image's own
  // functions count.
  Dl_info info;
  link_map* owner = nullptr;
  void* entry_ptr = nullptr;
  if (dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 ||
      owner == nullptr || owner->l_addr != module->base()) {
    return nullptr;
  }
  if (dladdr1(symbol, &info, &entry_ptr, RTLD_DL_SYMENT) == 0 || entry_ptr == nullptr) {
    return nullptr;
  }
  const auto* entry = static_cast<const ElfW(Sym)*>(entry_ptr);
  // The low four bits of st_info are the symbol's type (the same in both ELF classes).
  if ((entry->st_info & 0xF) != STT_FUNC ||
      info.dli_sname == nullptr || std::strcmp(info.dli_sname, name) != 0) {
    return nullptr;
  }
  return symbol;
}

}  // namespace rc
