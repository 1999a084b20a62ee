#include "accel/game_connections.h"

#include <algorithm>

#include "accel/route_targets.h"

namespace kestro {
namespace {

// Windows compares file names by upper-casing both; ASCII letters are the
// ones a program path differs in by case in practice.
wchar_t folded(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool samePath(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return folded(x) == folded(y);
         });
}

bool contains(const std::vector<uint32_t>& values, uint32_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool loopback(uint32_t address) { return (*reinterpret_cast<const unsigned char*>(&address)) == 127; }

bool serverConnection(const TcpConnectionRow& row) {
  return row.state >= kTcpStateSynSent && row.state <= kTcpStateLastAck && row.remoteAddress != 0 &&
         !loopback(row.remoteAddress);
}

}  // namespace

std::vector<uint32_t> gameProcessIds(const std::vector<ProcessImage>& processes, const std::wstring& gamePath) {
  std::vector<uint32_t> ids;
  if (gamePath.empty()) return ids;
  for (const ProcessImage& process : processes) {
    if (samePath(process.path, gamePath)) ids.push_back(process.processId);
  }
  return ids;
}

GameConnections countGameConnections(const std::vector<TcpConnectionRow>& rows,
                                     const std::vector<uint32_t>& gameProcesses,
                                     const std::vector<uint32_t>& ownAddresses,
                                     const std::function<bool(uint32_t)>& throughTunnel) {
  GameConnections found;
  found.gameRuns = !gameProcesses.empty();
  if (!found.gameRuns) return found;
  found.ownersKnown = std::none_of(rows.begin(), rows.end(), serverConnection) ||
                      std::any_of(rows.begin(), rows.end(), [](const TcpConnectionRow& row) {
                        return serverConnection(row) && row.processId != 0;
                      });
  const auto counted = [&](const TcpConnectionRow& row) {
    if (!serverConnection(row)) return false;
    if (found.ownersKnown) return contains(gameProcesses, row.processId);
    return !contains(ownAddresses, row.remoteAddress);
  };
  std::vector<uint32_t> bypassing;
  for (const TcpConnectionRow& row : rows) {
    if (!counted(row)) continue;
    ++found.connections;
    if (throughTunnel(row.remoteAddress)) {
      ++found.accelerated;
    } else if (!contains(bypassing, row.remoteAddress)) {
      bypassing.push_back(row.remoteAddress);
    }
  }
  const size_t kept = std::min(bypassing.size(), kMaxBypassingAddresses);
  found.bypassing.assign(bypassing.begin(), bypassing.begin() + static_cast<std::ptrdiff_t>(kept));
  found.moreBypassing = bypassing.size() - kept;
  return found;
}

std::wstring connectionCountText(const GameConnections& found) {
  if (!found.gameRuns) return L"游戏未运行";
  return std::wstring(found.ownersKnown ? L"游戏连接 " : L"本机连接 ") + std::to_wstring(found.connections) +
         L" 个，已加速 " + std::to_wstring(found.accelerated) + L" 个";
}

std::wstring connectionsNoteText(const GameConnections& found) {
  if (found.gameRuns && !found.ownersKnown) {
    return L"（系统未提供连接所属的程序，已列出本机全部TCP连接；UDP流量无法以此方式列出）";
  }
  return L"（仅列出TCP连接，UDP流量无法以此方式列出）";
}

std::wstring bypassingText(const GameConnections& found) {
  if (found.bypassing.empty()) return L"";
  std::wstring text = L"未经加速：";
  for (size_t i = 0; i < found.bypassing.size(); ++i) {
    text += (i == 0 ? L"" : L"、") + dottedAddressText(found.bypassing[i]);
  }
  if (found.moreBypassing > 0) text += L" 等另外 " + std::to_wstring(found.moreBypassing) + L" 个地址";
  return text;
}

AddedAddressCheck checkAddedAddresses(const std::vector<uint32_t>& addresses,
                                      const std::function<bool(uint32_t)>& throughTunnel,
                                      std::optional<uint32_t> node, std::optional<uint32_t> service) {
  AddedAddressCheck check;
  std::vector<RouteTarget> targets;
  for (uint32_t address : addresses) {
    if (throughTunnel(address)) {
      check.refusals.push_back(L"地址“" + dottedAddressText(address) + L"”已经通过加速通道，无需加入");
      continue;
    }
    targets.push_back({dottedAddressText(address), 32});
  }
  RouteTargetCheck targetCheck = checkRouteTargets(targets, node, service, kMaxBypassingAddresses);
  for (const CheckedRouteTarget& target : targetCheck.accepted) check.accepted.push_back(target.address);
  for (std::wstring& refusal : targetCheck.refusals) check.refusals.push_back(std::move(refusal));
  return check;
}

}  // namespace kestro
