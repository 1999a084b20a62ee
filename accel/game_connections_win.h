// The game's connections on Windows (accel/game_connections.h): the system's
// TCP table with each row's owning process, the running processes' program
// files and the system's best route, as one replaceable table (tests put
// scripted tables in its place). The check and the command that routes the
// bypassing addresses run on workers, never on the window's thread, and
// report with WM_GAME_CONNECTIONS.
#pragma once

// ws2tcpip.h before iphlpapi.h, as the route seam includes them.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "accel/game_connections.h"

namespace kestro {

struct GameConnectionSystem {
  // GetExtendedTcpTable for IPv4 with TCP_TABLE_OWNER_PID_ALL.
  std::function<DWORD(void* table, DWORD* size)> tcpTable;
  // Every running process whose program file the system names.
  std::function<std::vector<ProcessImage>()> processes;
  std::function<DWORD(DWORD destination, MIB_IPFORWARDROW* row)> bestRoute;

  static GameConnectionSystem real();
};

// The table in use, the real one unless a test replaced it.
GameConnectionSystem& gameConnectionSystem();

// What WM_GAME_CONNECTIONS carries in lParam (wParam: the acceleration
// attempt it was made for); allocated by the worker, freed by the window.
struct GameConnectionReport {
  // Nothing when the system gave no connection table.
  std::optional<GameConnections> found;
  // The lines of an add command: the addresses refused or not routed.
  std::vector<std::wstring> refusals;
};

// The rows of the system's TCP table; nothing when it gives none.
std::optional<std::vector<TcpConnectionRow>> tcpConnectionRows();

// Answers for an address (network order) whether the system's route for it
// leaves by the virtual adapter to the tunnel's gateway; the adapter is looked
// up once, when the check is made.
std::function<bool(uint32_t)> tunnelRouteCheck();

// The check on the calling thread, for the game whose program file is `gamePath`.
GameConnectionReport checkGameConnections(const std::wstring& gamePath);

// Routes `addresses` into the tunnel for `attempt`, each as a /32 row on the
// acceleration's own route path (journalled, recorded, removed at stop); the
// refused and failed ones as lines.
std::vector<std::wstring> addBypassingRoutes(uint32_t attempt, const std::vector<uint32_t>& addresses);

// Workers: a check, or the add command followed by a check; each posts one
// WM_GAME_CONNECTIONS. False when no thread could start.
bool startGameConnectionCheck(uint32_t attempt, const std::wstring& gamePath);
bool startAddingBypassingRoutes(uint32_t attempt, const std::wstring& gamePath, const std::vector<uint32_t>& addresses);

}  // namespace kestro
