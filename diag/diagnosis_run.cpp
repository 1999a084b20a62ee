#include "diag/diagnosis_run.h"

#include <utility>

#include "app/deployment.h"

namespace kestro {
namespace {

// Reports the check's start, runs it, reports its verdict under the same title
// and returns its points.
template <typename Check>
int32_t runCheck(DiagnosisMachine& machine, DiagStepRecord& record, const wchar_t* title, Check&& check) {
  record.title = title;
  record.status = DiagStatus::running;
  record.detail.clear();
  machine.reportStep(record);

  CheckVerdict verdict = check();
  record.title = title;
  record.status = verdict.status;
  record.detail = std::move(verdict.detail);
  machine.reportStep(record);
  return verdict.points;
}

CheckVerdict checkWebSite(DiagnosisMachine& machine, const WebSiteCheck& check, const std::wstring& host) {
  const std::optional<std::wstring> address = machine.resolve(host);
  if (!address) return unresolvedVerdict(check);
  const std::optional<LinkQuality> quality = machine.probeLink(*address);
  if (!quality) return unreachableVerdict(check);
  return linkQualityVerdict(check, *quality);
}

}  // namespace

int32_t runDiagnosis(DiagnosisMachine& machine, DiagStepRecord& record) {
  const KnownProgramTables tables;
  int32_t total = 0;

  total += runCheck(machine, record, kSinaCheck.title, [&] {
    machine.openEcho();
    return checkWebSite(machine, kSinaCheck, probeHostSina());
  });
  total += runCheck(machine, record, kBaiduCheck.title,
                    [&] { return checkWebSite(machine, kBaiduCheck, probeHostBaidu()); });
  total += runCheck(machine, record, kTrafficProgramsCheck.title, [&] {
    return scanVerdict(kTrafficProgramsCheck, machine.findPrograms(tables.trafficPrograms));
  });
  total += runCheck(machine, record, kForeignProvidersCheck.title, [&] {
    return scanVerdict(kForeignProvidersCheck, machine.listForeignProviders(BaseProviderList{}));
  });
  total += runCheck(machine, record, kDriverFirewallCheck.title,
                    [&] { return scanVerdict(kDriverFirewallCheck, machine.detectDriverFirewall()); });
  total += runCheck(machine, record, kDialupClientsCheck.title, [&] {
    return scanVerdict(kDialupClientsCheck, machine.findPrograms(tables.dialupClients));
  });

  machine.reportScore(total);
  return total;
}

}  // namespace kestro
