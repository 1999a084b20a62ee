#include "service/machine_identifier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "service/disk_query_seam_win.h"
#include "tests/support/scoped_seam.h"

namespace kestro {
namespace {

const HANDLE kDrive = reinterpret_cast<HANDLE>(0x100);
const HANDLE kAdapter = reinterpret_cast<HANDLE>(0x200);

// A disk that answers through the seam, and what the queries asked of it.
struct FakeDisk {
  bool nt = true;
  bool driveOpens = false, driveAnswers = false;
  bool adapterOpens = false, adapterAnswers = false;
  std::string serial;  // written in ATA order (pairs swapped) into every reply
  std::string model;

  struct Open {
    std::wstring path;
    DWORD access, share, disposition;
  };
  struct Control {
    DWORD code;
    std::vector<uint8_t> input;
    DWORD outputSize;
    std::vector<uint8_t> outputBefore;
    bool sameBuffer;
  };
  std::vector<Open> opens;
  std::vector<Control> controls;
  int closes = 0;
};
FakeDisk disk;

void putAtaText(uint8_t* at, const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    at[i] = static_cast<uint8_t>(text[i + 1]);
    at[i + 1] = static_cast<uint8_t>(text[i]);
  }
}

BOOL WINAPI fakeVersion(LPOSVERSIONINFOW version) {
  version->dwPlatformId = disk.nt ? VER_PLATFORM_WIN32_NT : VER_PLATFORM_WIN32_WINDOWS;
  return TRUE;
}

HANDLE WINAPI fakeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                             HANDLE) {
  disk.opens.push_back({path, access, share, disposition});
  if (std::wstring(path) == L"\\\\.\\PhysicalDrive0" && disk.driveOpens) return kDrive;
  if (std::wstring(path) == L"\\\\.\\Scsi0:" && disk.adapterOpens) return kAdapter;
  return INVALID_HANDLE_VALUE;
}

BOOL WINAPI fakeControl(HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output, DWORD outputSize,
                        LPDWORD returned, LPOVERLAPPED) {
  const auto* in = static_cast<const uint8_t*>(input);
  auto* out = static_cast<uint8_t*>(output);
  disk.controls.push_back({code, std::vector<uint8_t>(in, in + inputSize), outputSize,
                           std::vector<uint8_t>(out, out + outputSize), input == output});
  // A failing driver may still leave bytes behind: the reply is written either way.
  uint8_t* identify = out + (device == kDrive ? 16 : 44);
  putAtaText(identify + 20, disk.serial);
  putAtaText(identify + 54, disk.model);
  *returned = outputSize;
  return device == kDrive ? disk.driveAnswers : disk.adapterAnswers;
}

BOOL WINAPI fakeClose(HANDLE) {
  ++disk.closes;
  return TRUE;
}

class MachineIdentifierQuery : public testing::Test {
 protected:
  void SetUp() override { disk = FakeDisk{}; }

  test::ScopedSeam<DiskQuerySeam> diskQuery_{diskQuerySeam(),
                                             DiskQuerySeam{&fakeVersion, &fakeCreateFile, &fakeControl, &fakeClose}};
};

DWORD dwordAt(const std::vector<uint8_t>& bytes, size_t offset) {
  DWORD value;
  std::memcpy(&value, bytes.data() + offset, sizeof(value));
  return value;
}

TEST_F(MachineIdentifierQuery, NonNtPlatformGivesTheDefault) {
  disk.nt = false;
  EXPECT_EQ(computeMachineIdentifier(), "00000000000000000000");
  EXPECT_TRUE(disk.opens.empty());
}

TEST_F(MachineIdentifierQuery, AtaRequestBuffers) {
  disk.driveOpens = disk.driveAnswers = true;
  disk.serial = "  WD-ABC1234567     ";
  EXPECT_EQ(computeMachineIdentifier(), "WD-ABC1234567");

  ASSERT_EQ(disk.opens.size(), 1u);
  EXPECT_EQ(disk.opens[0].path, L"\\\\.\\PhysicalDrive0");
  EXPECT_EQ(disk.opens[0].access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(disk.opens[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(disk.opens[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
  ASSERT_EQ(disk.controls.size(), 1u);
  const auto& call = disk.controls[0];
  EXPECT_EQ(call.code, 0x7C088u);
  std::vector<uint8_t> command(32, 0);
  command[10] = 0xEC;  // IDENTIFY DEVICE in the command register, drive 0
  EXPECT_EQ(call.input, command);
  EXPECT_EQ(call.outputSize, 528u);
  std::vector<uint8_t> output(528, 0);
  output[1] = 0x02;  // buffer size 512, little-endian
  EXPECT_EQ(call.outputBefore, output);
  EXPECT_EQ(disk.closes, 1);
}

TEST_F(MachineIdentifierQuery, FailedAtaFallsBackToTheScsiMiniport) {
  disk.driveOpens = true;
  disk.adapterOpens = disk.adapterAnswers = true;
  disk.serial = "  SCSI SERIAL 42    ";
  disk.model = "MODEL";
  EXPECT_EQ(computeMachineIdentifier(), "SCSI0SERIAL042");

  ASSERT_EQ(disk.opens.size(), 2u);
  EXPECT_EQ(disk.opens[1].path, L"\\\\.\\Scsi0:");
  ASSERT_EQ(disk.controls.size(), 2u);
  const auto& call = disk.controls[1];
  EXPECT_EQ(call.code, 0x4D008u);
  EXPECT_TRUE(call.sameBuffer);
  EXPECT_EQ(call.input.size(), 60u);
  EXPECT_EQ(call.outputSize, 556u);
  EXPECT_EQ(dwordAt(call.input, 0), 28u);
  EXPECT_EQ(std::string(call.input.begin() + 4, call.input.begin() + 12), "SCSIDISK");
  EXPECT_EQ(dwordAt(call.input, 12), 10000u);
  EXPECT_EQ(dwordAt(call.input, 16), 0x1B0501u);
  EXPECT_EQ(dwordAt(call.input, 20), 0u);
  EXPECT_EQ(dwordAt(call.input, 24), 528u);
  for (size_t i = 28; i < 60; ++i) EXPECT_EQ(call.input[i], i == 38 ? 0xEC : 0) << i;
  EXPECT_EQ(disk.closes, 2);
}

TEST_F(MachineIdentifierQuery, ScsiReplyWithoutModelIsLeftUnprocessed) {
  disk.adapterOpens = disk.adapterAnswers = true;
  disk.serial = "WD12";
  EXPECT_EQ(computeMachineIdentifier(), "DW21");  // the driver's byte order, as copied
}

TEST_F(MachineIdentifierQuery, FailedAtaReplyStaysWhenNoAdapterOpens) {
  disk.driveOpens = true;
  disk.serial = "AB CD ";
  EXPECT_EQ(computeMachineIdentifier(), "BAC00D");  // unprocessed: pairs swapped, spaces as "0"
}

TEST_F(MachineIdentifierQuery, NoDiskGivesEmptyText) { EXPECT_EQ(computeMachineIdentifier(), ""); }

}  // namespace
}  // namespace kestro
