#include "app/client_state.h"

#include <utility>

namespace kestro {

namespace {

template <class T>
T copyOf(std::mutex& mutex, const T& field) {
  std::lock_guard lock(mutex);
  return field;
}

template <class T>
void replace(std::mutex& mutex, T& field, T value) {
  std::lock_guard lock(mutex);
  field = std::move(value);
}

}  // namespace

ClientState& ClientState::instance() {
  // Never destroyed: detached workers may still read it while the process exits.
  static ClientState* state = new ClientState;
  return *state;
}

ClientState::ClientState() : machineGuid_("00000000000000000000") {}

std::wstring ClientState::userName() const { return copyOf(mutex_, userName_); }
void ClientState::setUserName(std::wstring value) { replace(mutex_, userName_, std::move(value)); }
std::wstring ClientState::password() const { return copyOf(mutex_, password_); }
void ClientState::setPassword(std::wstring value) { replace(mutex_, password_, std::move(value)); }
int32_t ClientState::leaveDays() const { return copyOf(mutex_, leaveDays_); }
void ClientState::setLeaveDays(int32_t value) { replace(mutex_, leaveDays_, value); }
std::wstring ClientState::expireDate() const { return copyOf(mutex_, expireDate_); }
void ClientState::setExpireDate(std::wstring value) { replace(mutex_, expireDate_, std::move(value)); }
int32_t ClientState::accountType() const { return copyOf(mutex_, accountType_); }
void ClientState::setAccountType(int32_t value) { replace(mutex_, accountType_, value); }
std::wstring ClientState::ipAddress() const { return copyOf(mutex_, ipAddress_); }
void ClientState::setIpAddress(std::wstring value) { replace(mutex_, ipAddress_, std::move(value)); }
std::wstring ClientState::ipName() const { return copyOf(mutex_, ipName_); }
void ClientState::setIpName(std::wstring value) { replace(mutex_, ipName_, std::move(value)); }
int32_t ClientState::accountStatus() const { return copyOf(mutex_, accountStatus_); }
void ClientState::setAccountStatus(int32_t value) { replace(mutex_, accountStatus_, value); }
std::string ClientState::machineGuid() const { return copyOf(mutex_, machineGuid_); }
void ClientState::setMachineGuid(std::string value) { replace(mutex_, machineGuid_, std::move(value)); }

std::map<int32_t, GameRecord> ClientState::games() const { return copyOf(mutex_, games_); }
void ClientState::setGames(std::map<int32_t, GameRecord> value) { replace(mutex_, games_, std::move(value)); }
std::map<int32_t, NodeRecord> ClientState::nodes() const { return copyOf(mutex_, nodes_); }
void ClientState::setNodes(std::map<int32_t, NodeRecord> value) { replace(mutex_, nodes_, std::move(value)); }

bool ClientState::updateNode(int32_t id, const std::function<void(NodeRecord&)>& edit) {
  std::lock_guard lock(mutex_);
  const auto it = nodes_.find(id);
  if (it == nodes_.end()) return false;
  edit(it->second);
  return true;
}

std::map<int32_t, VoicePlatform> ClientState::voices() const { return copyOf(mutex_, voices_); }
void ClientState::setVoices(std::map<int32_t, VoicePlatform> value) { replace(mutex_, voices_, std::move(value)); }
std::map<int32_t, std::wstring> ClientState::announcements() const { return copyOf(mutex_, announcements_); }
void ClientState::setAnnouncements(std::map<int32_t, std::wstring> value) {
  replace(mutex_, announcements_, std::move(value));
}

std::vector<RouteTarget> ClientState::routeTargets() const { return copyOf(mutex_, routeTargets_); }
void ClientState::setRouteTargets(std::vector<RouteTarget> value) {
  replace(mutex_, routeTargets_, std::move(value));
}
std::vector<ForwardRow> ClientState::installedRoutes() const { return copyOf(mutex_, installedRoutes_); }

void ClientState::appendInstalledRoute(const ForwardRow& row) {
  std::lock_guard lock(mutex_);
  installedRoutes_.push_back(row);
}

std::vector<ForwardRow> ClientState::takeInstalledRoutes() {
  std::lock_guard lock(mutex_);
  return std::exchange(installedRoutes_, {});
}

std::wstring ClientState::monitorToken() const { return copyOf(mutex_, monitorToken_); }
void ClientState::setMonitorToken(std::wstring value) { replace(mutex_, monitorToken_, std::move(value)); }
std::wstring ClientState::tunnelGateway() const { return copyOf(mutex_, tunnelGateway_); }
void ClientState::setTunnelGateway(std::wstring value) { replace(mutex_, tunnelGateway_, std::move(value)); }
std::wstring ClientState::adapterAddress() const { return copyOf(mutex_, adapterAddress_); }
void ClientState::setAdapterAddress(std::wstring value) { replace(mutex_, adapterAddress_, std::move(value)); }
std::wstring ClientState::tunnelNode() const { return copyOf(mutex_, tunnelNode_); }
void ClientState::setTunnelNode(std::wstring value) { replace(mutex_, tunnelNode_, std::move(value)); }
std::wstring ClientState::adapterMask() const { return copyOf(mutex_, adapterMask_); }
void ClientState::setAdapterMask(std::wstring value) { replace(mutex_, adapterMask_, std::move(value)); }

}  // namespace kestro
