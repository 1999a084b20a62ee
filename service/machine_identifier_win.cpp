#include "service/machine_identifier.h"

#include <windows.h>

#include <cstring>
#include <memory>

#include "service/disk_query_seam_win.h"

namespace kestro {
namespace {

constexpr DWORD kSmartReceiveDriveData = 0x7C088;
constexpr DWORD kScsiMiniport = 0x4D008;
constexpr DWORD kScsiMiniportIdentify = 0x1B0501;
constexpr BYTE kIdentifyDevice = 0xEC;

// The ATA request: a 32-byte command block in, 16 bytes of status and the
// 512 identify bytes out.
constexpr size_t kAtaInputSize = 32;
constexpr size_t kAtaOutputSize = 528;
constexpr size_t kAtaCommandRegister = 10;
constexpr size_t kAtaDriveNumber = 12;
constexpr size_t kAtaIdentifyOffset = 16;

// The SCSI miniport request: a 28-byte control header, then the same command
// block; the identify bytes come back at offset 44.
constexpr size_t kScsiBufferSize = 556;
constexpr size_t kScsiInputSize = 60;
constexpr size_t kScsiHeaderSize = 28;
constexpr size_t kScsiIdentifyOffset = 44;

struct HandleCloser {
  void operator()(HANDLE handle) const { diskQuerySeam().closeHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct GlobalFreer {
  void operator()(void* memory) const { GlobalFree(memory); }
};
using GlobalBuffer = std::unique_ptr<uint8_t, GlobalFreer>;

GlobalBuffer zeroedBuffer(size_t size) {
  return GlobalBuffer(static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size)));
}

UniqueHandle openDevice(const wchar_t* path) {
  HANDLE handle = diskQuerySeam().createFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

void putDword(uint8_t* at, DWORD value) { std::memcpy(at, &value, sizeof(value)); }

// True when the drive answered; its reply is processed in `area`.
bool queryAta(IdentifyArea& area) {
  const UniqueHandle drive = openDevice(L"\\\\.\\PhysicalDrive0");
  if (!drive) return false;
  const GlobalBuffer input = zeroedBuffer(kAtaInputSize);
  const GlobalBuffer output = zeroedBuffer(kAtaOutputSize);
  if (!input || !output) return false;
  input.get()[kAtaCommandRegister] = kIdentifyDevice;
  input.get()[kAtaDriveNumber] = 0;
  putDword(output.get(), 512);
  DWORD returned = 0;
  const BOOL ok = diskQuerySeam().deviceIoControl(drive.get(), kSmartReceiveDriveData, input.get(), kAtaInputSize, output.get(),
                                  kAtaOutputSize, &returned, nullptr);
  std::memcpy(area.data(), output.get() + kAtaIdentifyOffset, area.size());
  if (!ok) return false;
  processIdentifyArea(area);
  return true;
}

void queryScsiMiniport(IdentifyArea& area) {
  const UniqueHandle adapter = openDevice(L"\\\\.\\Scsi0:");
  if (!adapter) return;
  const GlobalBuffer buffer = zeroedBuffer(kScsiBufferSize);
  if (!buffer) return;
  uint8_t* header = buffer.get();
  putDword(header, kScsiHeaderSize);
  std::memcpy(header + 4, "SCSIDISK", 8);
  putDword(header + 12, 10000);
  putDword(header + 16, kScsiMiniportIdentify);
  putDword(header + 20, 0);
  putDword(header + 24, kAtaOutputSize);
  header[kScsiHeaderSize + kAtaCommandRegister] = kIdentifyDevice;
  header[kScsiHeaderSize + kAtaDriveNumber] = 0;
  DWORD returned = 0;
  const BOOL ok = diskQuerySeam().deviceIoControl(adapter.get(), kScsiMiniport, buffer.get(), kScsiInputSize, buffer.get(),
                                  kScsiBufferSize, &returned, nullptr);
  std::memcpy(area.data(), buffer.get() + kScsiIdentifyOffset, area.size());
  if (ok && area[54] != 0) processIdentifyArea(area);
}

}  // namespace

std::string computeMachineIdentifier() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  const BOOL known = diskQuerySeam().getVersionEx(&version);
  if (!known || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return kDefaultMachineIdentifier;
  IdentifyArea area{};
  if (!queryAta(area)) queryScsiMiniport(area);
  return identifierFromArea(area);
}

}  // namespace kestro
