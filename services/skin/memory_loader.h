// Loading a shared library from an image in memory, without a file on disk.
//
// The image goes into an anonymous in-memory file (memfd) and the dynamic loader maps it
// from /proc/self/fd/N. The library's own imports (Qt, the C++ runtime) are resolved
// against what the program has already loaded, so the library shares the program's Qt.
#ifndef ROLLCALL_SERVICES_SKIN_MEMORY_LOADER_H_
#define ROLLCALL_SERVICES_SKIN_MEMORY_LOADER_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace rc {

// A library loaded from memory. Destroying it unloads the library, so every pointer
// obtained from FindModuleExport must be out of use by then (a style or object made by
// the library included).
class LoadedImage {
 public:
  LoadedImage(const LoadedImage&) = delete;
  LoadedImage& operator=(const LoadedImage&) = delete;
  ~LoadedImage();

  // The image's ELF header as mapped in memory, and the address the image was loaded at.
  const void* headers() const { return headers_; }
  uintptr_t base() const { return base_; }
  // The dynamic loader's handle; it also holds the libraries that the image needed.
  void* handle() const { return handle_; }
  // True once the image's initialisers have run.
  bool initialized() const { return initialized_; }

 private:
  friend std::unique_ptr<LoadedImage> LoadModuleFromMemory(std::span<const uint8_t>,
                                                           std::string*);
  LoadedImage() = default;

  const void* headers_ = nullptr;
  uintptr_t base_ = 0;
  void* handle_ = nullptr;
  // The in-memory file stays open while the library is loaded: the loader knows the
  // library by the path /proc/self/fd/N, and a new image must never get the same N and
  // be taken for this one.
  int memfd_ = -1;
  bool initialized_ = false;
};

// Checks the image (ELF magic, a shared object of this process's class, byte order and
// machine) and loads it. Returns null, and *error (when given) says why, when the image
// is refused or the dynamic loader fails; everything done so far is then undone: no
// mapping and no descriptor is left behind.
std::unique_ptr<LoadedImage> LoadModuleFromMemory(std::span<const uint8_t> image,
                                                  std::string* error = nullptr);

// The address of the function that the image itself exports under this exact name, or
// null when there is none (no module, no such name, a name exported only by a library
// the image depends on, or a name that is not a function).
void* FindModuleExport(const LoadedImage* module, const char* name);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SKIN_MEMORY_LOADER_H_
