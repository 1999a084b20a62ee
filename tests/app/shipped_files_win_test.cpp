// The program folder as a user receives it: every executable and DLL is a
// 32-bit Intel program, except the driver tool of the x86_64 driver folder, and
// the tunnel library exports its entry under the undecorated name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/wine_host_win.h"

namespace kestro {
namespace {

constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kMagicPe32Plus = 0x20b;

// The parts of a PE file's headers the checks read.
struct PeImage {
  std::vector<uint8_t> bytes;
  uint16_t machine = 0;
  uint16_t magic = 0;
  uint32_t exportRva = 0;
  struct Section {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
  };
  std::vector<Section> sections;

  template <typename T>
  std::optional<T> at(size_t offset) const {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
  }
  std::optional<size_t> fileOffset(uint32_t rva) const {
    for (const Section& s : sections) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < std::max(s.virtualSize, s.rawSize)) {
        return size_t{s.rawOffset} + (rva - s.virtualAddress);
      }
    }
    return std::nullopt;
  }
  std::string textAt(uint32_t rva) const {
    const auto offset = fileOffset(rva);
    if (!offset || *offset >= bytes.size()) return {};
    const auto* begin = bytes.data() + *offset;
    return std::string(begin, std::find(begin, bytes.data() + bytes.size(), uint8_t{0}));
  }
};

std::optional<PeImage> readPeImage(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  PeImage image;
  image.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const auto peOffset = image.at<uint32_t>(0x3c);
  if (image.at<uint16_t>(0) != uint16_t{0x5a4d} || !peOffset || image.at<uint32_t>(*peOffset) != 0x4550u) {
    return std::nullopt;
  }
  const size_t coff = *peOffset + 4;
  const auto machine = image.at<uint16_t>(coff);
  const auto sectionCount = image.at<uint16_t>(coff + 2);
  const auto optionalSize = image.at<uint16_t>(coff + 16);
  const size_t optional = coff + 20;
  const auto magic = image.at<uint16_t>(optional);
  if (!machine || !sectionCount || !optionalSize || !magic) return std::nullopt;
  image.machine = *machine;
  image.magic = *magic;
  // The export directory is the first data directory.
  const size_t directories = optional + (image.magic == kMagicPe32Plus ? 112 : 96);
  image.exportRva = image.at<uint32_t>(directories).value_or(0);
  for (size_t i = 0; i < *sectionCount; ++i) {
    const size_t header = optional + *optionalSize + i * 40;
    const auto virtualSize = image.at<uint32_t>(header + 8);
    const auto virtualAddress = image.at<uint32_t>(header + 12);
    const auto rawSize = image.at<uint32_t>(header + 16);
    const auto rawOffset = image.at<uint32_t>(header + 20);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    image.sections.push_back({*virtualAddress, *virtualSize, *rawOffset, *rawSize});
  }
  return image;
}

std::vector<std::string> exportedNames(const PeImage& image) {
  std::vector<std::string> names;
  const auto directory = image.fileOffset(image.exportRva);
  if (image.exportRva == 0 || !directory) return names;
  const uint32_t count = image.at<uint32_t>(*directory + 24).value_or(0);
  const auto nameTable = image.fileOffset(image.at<uint32_t>(*directory + 32).value_or(0));
  for (uint32_t i = 0; nameTable && i < count; ++i) {
    names.push_back(image.textAt(image.at<uint32_t>(*nameTable + 4 * i).value_or(0)));
  }
  return names;
}

std::filesystem::path programFolder() {
#ifdef KESTRO_SHIPPED_PROGRAM_FOLDER
  return std::filesystem::path(KESTRO_SHIPPED_PROGRAM_FOLDER);
#else
  return std::filesystem::path(test::distFolder());
#endif
}

TEST(ShippedFiles, EveryProgramFileIs32BitButTheX86_64DriverTool) {
  const std::filesystem::path x86_64Tool = programFolder() / L"Driver" / L"x86_64" / L"Vnicctl.exe";
  std::vector<std::wstring> seen;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(programFolder())) {
    std::wstring extension = entry.path().extension().wstring();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
    if (!entry.is_regular_file() || (extension != L".exe" && extension != L".dll")) continue;
    const std::wstring relative = std::filesystem::relative(entry.path(), programFolder()).wstring();
    SCOPED_TRACE(std::string(relative.begin(), relative.end()));
    seen.push_back(relative);
    const auto image = readPeImage(entry.path());
    ASSERT_TRUE(image.has_value());
    if (std::filesystem::equivalent(entry.path(), x86_64Tool)) {
      EXPECT_EQ(image->machine, kMachineAmd64);
      EXPECT_EQ(image->magic, kMagicPe32Plus);
    } else {
      EXPECT_EQ(image->machine, kMachineI386);
      EXPECT_EQ(image->magic, kMagicPe32);
    }
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"Driver\\i386\\Vnicctl.exe", L"Driver\\x86_64\\Vnicctl.exe",
                                             L"Kestro.exe", L"Patcher.exe", L"Viadex.dll"}));
}

TEST(ShippedFiles, TheTunnelLibraryExportsStarttunnelUndecorated) {
  const auto image = readPeImage(programFolder() / L"Viadex.dll");
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(exportedNames(*image), std::vector<std::string>{"starttunnel"});
}

}  // namespace
}  // namespace kestro
