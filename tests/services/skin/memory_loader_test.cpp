#include "services/skin/memory_loader.h"

#include <elf.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "services/skin/embedded_skin.h"
#include "services/skin/skin_engine_module.h"
#include "services/skin/skin_entry.h"
#include "tests/services/skin/test_images.h"

namespace rc {
namespace {

constexpr char kMemfdName[] = "memfd:rollcall-skin-engine";

// What a load leaves behind in the process: the in-memory files among the open
// descriptors, and the mappings of them.
struct Traces {
  int descriptors = 0;
  int engine_descriptors = 0;
  int engine_mappings = 0;
  friend bool operator==(const Traces&, const Traces&) = default;
};

Traces CurrentTraces() {
  Traces t;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++t.descriptors;
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(entry.path(), ec);
    if (!ec && target.string().find(kMemfdName) != std::string::npos) ++t.engine_descriptors;
  }
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find(kMemfdName) != std::string::npos) ++t.engine_mappings;
  }
  return t;
}

std::vector<uint8_t> Copy(std::span<const uint8_t> image) {
  return std::vector<uint8_t>(image.begin(), image.end());
}

// The names of the symbols the image defines for others to use, from its dynamic symbol
// table.
std::set<std::string> DefinedExports(std::span<const uint8_t> image) {
  std::set<std::string> names;
  Elf64_Ehdr header;
  std::memcpy(&header, image.data(), sizeof(header));
  auto section = [&](size_t i) {
    Elf64_Shdr s;
    std::memcpy(&s, image.data() + header.e_shoff + i * header.e_shentsize, sizeof(s));
    return s;
  };
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (size_t k = 0; k < symbols.sh_size / sizeof(Elf64_Sym); ++k) {
      Elf64_Sym sym;
      std::memcpy(&sym, image.data() + symbols.sh_offset + k * sizeof(sym), sizeof(sym));
      const int bind = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK)) continue;
      names.insert(reinterpret_cast<const char*>(image.data() + strings.sh_offset + sym.st_name));
    }
  }
  return names;
}

TEST(MemoryLoaderTest, LoadsTheEmbeddedEngineAndFindsOnlyItsOwnEntry) {
  const Traces before = CurrentTraces();
  std::string error;
  std::unique_ptr<LoadedImage> module = LoadModuleFromMemory(EmbeddedSkinEngineImage(), &error);
  ASSERT_NE(module, nullptr) << error;
  EXPECT_TRUE(module->initialized());
  EXPECT_NE(module->base(), 0u);
  ASSERT_NE(module->headers(), nullptr);
  EXPECT_EQ(std::memcmp(module->headers(), ELFMAG, SELFMAG), 0);
  EXPECT_GT(CurrentTraces().engine_mappings, 0);

  void* entry = FindModuleExport(module.get(), kAttachSkinResourceName);
  ASSERT_NE(entry, nullptr);
  EXPECT_GE(reinterpret_cast<uintptr_t>(entry), module->base());
  // Names that exist, but not as the image's own exported functions.
  EXPECT_EQ(FindModuleExport(module.get(), "malloc"), nullptr);       // from a dependency
  EXPECT_EQ(FindModuleExport(module.get(), "attachskinresource"), nullptr);
  EXPECT_EQ(FindModuleExport(module.get(), ""), nullptr);
  EXPECT_EQ(FindModuleExport(module.get(), nullptr), nullptr);
  EXPECT_EQ(FindModuleExport(nullptr, kAttachSkinResourceName), nullptr);

  module.reset();
  EXPECT_EQ(CurrentTraces(), before);
}

TEST(MemoryLoaderTest, TheEngineExportsNothingButItsEntry) {
  EXPECT_EQ(DefinedExports(EmbeddedSkinEngineImage()),
            std::set<std::string>{kAttachSkinResourceName});
}

TEST(MemoryLoaderTest, TwoCopiesLoadSideBySide) {
  auto first = LoadModuleFromMemory(EmbeddedSkinEngineImage());
  auto second = LoadModuleFromMemory(EmbeddedSkinEngineImage());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first->base(), second->base());
  void* a = FindModuleExport(first.get(), kAttachSkinResourceName);
  void* b = FindModuleExport(second.get(), kAttachSkinResourceName);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
}

TEST(MemoryLoaderTest, RefusesImagesThatAreNotSharedObjectsOfThisProcess) {
  const std::vector<uint8_t> engine = Copy(EmbeddedSkinEngineImage());
  struct Case {
    const char* what;
    std::vector<uint8_t> image;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"header cut short", std::vector<uint8_t>(engine.begin(), engine.begin() + 40)});
  auto changed = [&](const char* what, size_t offset, uint8_t value) {
    std::vector<uint8_t> image = engine;
    image[offset] = value;
    cases.push_back({what, image});
  };
  changed("bad magic", 1, 'X');
  changed("32-bit class", EI_CLASS, ELFCLASS32);
  changed("big-endian", EI_DATA, ELFDATA2MSB);
  changed("other machine", offsetof(Elf64_Ehdr, e_machine), EM_AARCH64 & 0xFF);
  changed("an executable", offsetof(Elf64_Ehdr, e_type), ET_EXEC);
  changed("program headers out of range", offsetof(Elf64_Ehdr, e_phnum) + 1, 0x7F);
  {
    std::vector<uint8_t> text(4096, 'A');
    cases.push_back({"text", text});
  }

  const Traces before = CurrentTraces();
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(LoadModuleFromMemory(c.image, &error), nullptr) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(CurrentTraces(), before) << c.what;
  }
}

TEST(MemoryLoaderTest, ACutShortImageIsRefusedBeforeTheDynamicLoaderSeesIt) {
  const std::vector<uint8_t> engine = Copy(EmbeddedSkinEngineImage());
  const Traces before = CurrentTraces();
  // The headers are whole, but the segments they describe are missing: the dynamic loader
  // would map them anyway and fault on first touch.
  for (size_t size : {size_t{2048}, engine.size() / 2}) {
    const std::vector<uint8_t> cut(engine.begin(), engine.begin() + size);
    std::string error;
    EXPECT_EQ(LoadModuleFromMemory(cut, &error), nullptr) << size;
    EXPECT_EQ(error, "a segment lies outside the image") << size;
    EXPECT_EQ(CurrentTraces(), before) << size;
  }
}

TEST(MemoryLoaderTest, AFailureInTheDynamicLoaderLeavesNothingBehind) {
  const Traces before = CurrentTraces();
  std::string error;
  EXPECT_EQ(LoadModuleFromMemory(UnresolvedTestImage(), &error), nullptr);
  EXPECT_NE(error.find("RollcallFunctionThatNobodyDefines"), std::string::npos) << error;
  EXPECT_EQ(CurrentTraces(), before);
}

TEST(MemoryLoaderTest, AnImageWithoutTheEntryIsFoundOutAndUnloadsCleanly) {
  const Traces before = CurrentTraces();
  auto module = LoadModuleFromMemory(NoEntryTestImage());
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindModuleExport(module.get(), "SkinEngineVersion"), nullptr);
  // The name is there, but as a variable: calling it would jump into data.
  EXPECT_EQ(FindModuleExport(module.get(), kAttachSkinResourceName), nullptr);
  EXPECT_FALSE(ApplySkin(module.get(), EmbeddedSkin()));
  EXPECT_FALSE(ApplySkin(nullptr, EmbeddedSkin()));
  module.reset();
  EXPECT_EQ(CurrentTraces(), before);
}

}  // namespace
}  // namespace rc
