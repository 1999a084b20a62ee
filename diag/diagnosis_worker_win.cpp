#include "diag/diagnosis_worker_win.h"

#include <winsock2.h>

#include <optional>

#include "app/window_handles.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "diag/diagnosis_run.h"
#include "diag/host_resolver_win.h"
#include "diag/process_scan_win.h"
#include "diag/provider_scan_win.h"
#include "nodes/latency_probe.h"

namespace kestro {
namespace {

// Name resolution needs Winsock started; the service client starts it at its
// first request, but a diagnosis must not depend on one having been made.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

 private:
  bool started_ = false;
};

class SystemMachine final : public DiagnosisMachine {
 public:
  void openEcho() override { icmp_.emplace(); }

  std::optional<std::wstring> resolve(const std::wstring& host) override {
    std::wstring address;
    if (!resolveHostAddress(host, address)) return std::nullopt;
    return address;
  }

  std::optional<LinkQuality> probeLink(const std::wstring& address) override {
    LinkQuality quality;
    if (!probeLinkQuality(address, icmp_ ? icmp_->get() : INVALID_HANDLE_VALUE, quality.averageMs, quality.loss)) {
      return std::nullopt;
    }
    return quality;
  }

  ScanOutcome findPrograms(const ProgramTable& table) override {
    ScanOutcome outcome;
    outcome.succeeded = findRunningPrograms(table, outcome.listing, outcome.found);
    return outcome;
  }

  ScanOutcome listForeignProviders(const BaseProviderList& base) override {
    ScanOutcome outcome;
    outcome.succeeded = kestro::listForeignProviders(base, outcome.found, outcome.listing);
    return outcome;
  }

  ScanOutcome detectDriverFirewall() override {
    ScanOutcome outcome;
    const HANDLE snapshot = takeProcessSnapshot();
    if (snapshot != INVALID_HANDLE_VALUE) outcome.succeeded = kestro::detectDriverFirewall(snapshot, outcome.found);
    return outcome;
  }

  void reportStep(const DiagStepRecord& record) override {
    SendMessageW(mainWindow(), WM_DIAG_STEP, 0, reinterpret_cast<LPARAM>(&record));
  }

  void reportScore(int32_t total) override { SendMessageW(mainWindow(), WM_DIAG_DONE, 0, total); }

 private:
  // Read anew for every report: the window may have been created or replaced meanwhile.
  static HWND mainWindow() { return static_cast<HWND>(WindowHandles::instance().mainWindow.load()); }

  std::optional<IcmpHandle> icmp_;  // opened by check 1, closed when the run is over
};

}  // namespace

void runDiagnosisWorker() {
  const WinsockSession winsock;
  // Out of memory the run ends with the failure's score, so the page is not
  // left waiting for one.
  reportingExhaustion(
      [] {
        SystemMachine machine;
        runDiagnosis(machine, diagStepRecord());
      },
      [] {
        SendMessageW(static_cast<HWND>(WindowHandles::instance().mainWindow.load()), WM_DIAG_DONE, 0,
                     kDiagnosisFailed);
      });
}

std::function<bool()>& diagnosisStarter() {
  static std::function<bool()> starter = [] { return startDetachedWorker(runDiagnosisWorker); };
  return starter;
}

}  // namespace kestro
