// kestro-wine-device-probe: asks Wine's device host (winedevice.exe, which
// serves the disks, ICMP and IP Helper) what the program asks it at login and
// in every latency probe. scripts/wine-run runs it, bounded, before each
// program of a prefix that one test at a time uses: a host that stopped
// answering would otherwise hang every later test's login and echoes.
// Prints each step before taking it, so that a hang shows where.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <cstdio>

namespace {

void step(const char* what) {
  std::printf("%s\n", what);
  std::fflush(stdout);
}

}  // namespace

int main() {
  step("opening the first disk");
  const HANDLE disk = CreateFileW(L"\\\\.\\PhysicalDrive0", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (disk != INVALID_HANDLE_VALUE) CloseHandle(disk);

  step("sending an echo to 127.0.0.1");
  const HANDLE icmp = IcmpCreateFile();
  if (icmp == INVALID_HANDLE_VALUE) return 1;
  char reply[sizeof(ICMP_ECHO_REPLY) + 64];
  char payload[] = "probe";
  const DWORD replies =
      IcmpSendEcho(icmp, htonl(INADDR_LOOPBACK), payload, sizeof(payload), nullptr, reply, sizeof(reply), 2000);
  IcmpCloseHandle(icmp);

  step("listing the adapters");
  ULONG size = 0;
  GetAdaptersInfo(nullptr, &size);

  step("answered");
  return replies == 1 ? 0 : 2;
}
