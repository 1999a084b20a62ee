// The one process-wide record of the account, the catalogues, the routes and
// the running acceleration. Many threads read and write it: texts, maps and
// lists sit behind one mutex and are handed out as copies; flags are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/catalogue_records.h"
#include "app/node_record.h"
#include "app/route_records.h"

namespace kestro {

// A Windows HANDLE, kept opaque so this record stays platform-free.
using EventHandle = void*;

class ClientState {
 public:
  static ClientState& instance();

  ClientState();
  ClientState(const ClientState&) = delete;
  ClientState& operator=(const ClientState&) = delete;

  // Account, written by the login window and the login worker.
  std::wstring userName() const;
  void setUserName(std::wstring value);
  std::wstring password() const;
  void setPassword(std::wstring value);
  int32_t leaveDays() const;
  void setLeaveDays(int32_t value);
  std::wstring expireDate() const;
  void setExpireDate(std::wstring value);
  int32_t accountType() const;
  void setAccountType(int32_t value);
  std::wstring ipAddress() const;
  void setIpAddress(std::wstring value);
  std::wstring ipName() const;
  void setIpName(std::wstring value);
  int32_t accountStatus() const;
  void setAccountStatus(int32_t value);
  std::string machineGuid() const;
  void setMachineGuid(std::string value);

  // Catalogues, replaced whole by the worker that fetched them.
  std::map<int32_t, GameRecord> games() const;
  void setGames(std::map<int32_t, GameRecord> value);
  std::map<int32_t, NodeRecord> nodes() const;
  void setNodes(std::map<int32_t, NodeRecord> value);
  // Runs `edit` on one node under the lock; false when the id is not listed.
  bool updateNode(int32_t id, const std::function<void(NodeRecord&)>& edit);
  std::map<int32_t, VoicePlatform> voices() const;
  void setVoices(std::map<int32_t, VoicePlatform> value);
  std::map<int32_t, std::wstring> announcements() const;
  void setAnnouncements(std::map<int32_t, std::wstring> value);

  // Routes.
  std::vector<RouteTarget> routeTargets() const;
  void setRouteTargets(std::vector<RouteTarget> value);
  std::vector<ForwardRow> installedRoutes() const;
  void appendInstalledRoute(const ForwardRow& row);
  // Empties the list and returns what it held, so two removals never delete a row twice.
  std::vector<ForwardRow> takeInstalledRoutes();

  // Acceleration.
  std::wstring monitorToken() const;
  void setMonitorToken(std::wstring value);
  // The node the tunnel goes to ("nodeip" of acc.php): no route may cover it.
  std::wstring tunnelNode() const;
  void setTunnelNode(std::wstring value);
  std::wstring tunnelGateway() const;
  void setTunnelGateway(std::wstring value);
  std::wstring adapterAddress() const;
  void setAdapterAddress(std::wstring value);
  std::wstring adapterMask() const;
  void setAdapterMask(std::wstring value);
  EventHandle stopEvent() const { return stopEvent_.load(); }
  void setStopEvent(EventHandle value) { stopEvent_.store(value); }
  // Clears the stored handle and returns it, so exactly one caller closes it.
  EventHandle takeStopEvent() { return stopEvent_.exchange(nullptr); }
  // Takes the stored handle only when it is still `mine` (one attempt's own).
  EventHandle takeStopEventIf(EventHandle mine) {
    return stopEvent_.compare_exchange_strong(mine, nullptr) ? mine : nullptr;
  }

  // The acceleration attempt the main window started last (every start and
  // retry is a new one); reports of earlier attempts change nothing.
  std::atomic<uint32_t> accelerationAttempt{0};
  // Set when a start worker is started, cleared by it as its last act: a new
  // attempt starts only once the previous worker has ended.
  std::atomic<int32_t> startWorkerRunning{0};
  // The attempt whose worker should give up before its next step (exit);
  // kNoAttempt while none should.
  static constexpr uint32_t kNoAttempt = 0xFFFFFFFF;
  std::atomic<uint32_t> cancelledAttempt{kNoAttempt};

  std::atomic<int32_t> accelerating{0};
  std::atomic<int32_t> linkReportShown{0};
  std::atomic<int32_t> loggedIn{0};
  std::atomic<int32_t> isWow64{0};

 private:
  mutable std::mutex mutex_;
  std::wstring userName_;
  std::wstring password_;
  int32_t leaveDays_ = 0;
  std::wstring expireDate_;
  int32_t accountType_ = 0;
  std::map<int32_t, GameRecord> games_;
  std::map<int32_t, NodeRecord> nodes_;
  std::map<int32_t, VoicePlatform> voices_;
  std::map<int32_t, std::wstring> announcements_;
  std::vector<RouteTarget> routeTargets_;
  std::vector<ForwardRow> installedRoutes_;
  std::wstring ipAddress_;
  std::wstring ipName_;
  std::wstring monitorToken_;
  std::wstring tunnelNode_;
  std::wstring tunnelGateway_;
  std::wstring adapterAddress_;
  std::wstring adapterMask_;
  std::string machineGuid_;
  int32_t accountStatus_ = 0;
  std::atomic<EventHandle> stopEvent_{nullptr};
};

}  // namespace kestro
