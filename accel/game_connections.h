// Whether the game's own connections take the tunnel: its TCP connections
// (the system's connection table with each row's owning process) checked
// against the route the system would use for each remote address. Only TCP:
// the system lists no remote address for a UDP socket, so UDP traffic cannot
// be checked this way, and the view says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

// One row of the system's TCP table, as MIB_TCPROW_OWNER_PID holds it.
struct TcpConnectionRow {
  uint32_t remoteAddress = 0;  // network order
  uint16_t remotePort = 0;     // host order
  uint32_t state = 0;          // MIB_TCP_STATE
  uint32_t processId = 0;
};

// The MIB_TCP_STATE values that bound a connection to a server: from the
// first SYN sent until the last ACK; listeners, closed and TIME_WAIT rows
// (which no process owns any more) are not connections of the game.
inline constexpr uint32_t kTcpStateSynSent = 3;
inline constexpr uint32_t kTcpStateLastAck = 10;

// A running process and the full path of its program file.
struct ProcessImage {
  uint32_t processId = 0;
  std::wstring path;
};

// The processes whose program file is `gamePath`, compared as Windows compares
// file names (letters in either case).
std::vector<uint32_t> gameProcessIds(const std::vector<ProcessImage>& processes, const std::wstring& gamePath);

// At most this many bypassing addresses are kept: each is one route the user
// may add, and a game talks to a handful of servers.
inline constexpr size_t kMaxBypassingAddresses = 8;

struct GameConnections {
  bool gameRuns = false;
  // False where the system names no owner of any connection (Wine leaves
  // every owner 0): the counts are then of every connection of the machine
  // but this program's own, and the view says so.
  bool ownersKnown = true;
  size_t connections = 0;  // the game's connections to servers
  size_t accelerated = 0;  // those whose remote address the system routes into the tunnel
  std::vector<uint32_t> bypassing;  // distinct remote addresses outside the tunnel, in table order, bounded
  size_t moreBypassing = 0;         // distinct ones beyond the bound
};

// `throughTunnel` answers for a remote address (network order) whether the
// system's route for it goes through the virtual adapter; `ownAddresses` are
// this program's own peers (the node, the service), left out when the table
// names no owners.
GameConnections countGameConnections(const std::vector<TcpConnectionRow>& rows,
                                     const std::vector<uint32_t>& gameProcesses,
                                     const std::vector<uint32_t>& ownAddresses,
                                     const std::function<bool(uint32_t)>& throughTunnel);

// "游戏连接 2 个，已加速 1 个" ("本机连接 …" without owners), or "游戏未运行"
// before the game runs.
std::wstring connectionCountText(const GameConnections& found);
// What the counts leave out: UDP always, and the owners where the system names none.
std::wstring connectionsNoteText(const GameConnections& found);
// "未经加速：192.0.2.20、198.51.100.9" (with "等 N 个" past the bound); empty when none bypasses.
std::wstring bypassingText(const GameConnections& found);

// The command that routes bypassing addresses: each becomes a /32 target,
// validated as the service's targets are, and refused when the system already
// routes it into the tunnel. One refusal line per address refused.
struct AddedAddressCheck {
  std::vector<uint32_t> accepted;
  std::vector<std::wstring> refusals;
};
AddedAddressCheck checkAddedAddresses(const std::vector<uint32_t>& addresses,
                                      const std::function<bool(uint32_t)>& throughTunnel,
                                      std::optional<uint32_t> node, std::optional<uint32_t> service);

}  // namespace kestro
