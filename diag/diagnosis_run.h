// The order of a diagnosis run: six checks, each reported when it starts and
// again with its verdict, then the total score. What the checks ask of the
// machine goes through DiagnosisMachine, so the run itself is platform-free;
// the diagnosis worker answers with the real system calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "diag/base_providers.h"
#include "diag/diag_step_record.h"
#include "diag/diagnosis_checks.h"
#include "diag/known_programs.h"

namespace kestro {

class DiagnosisMachine {
 public:
  virtual ~DiagnosisMachine() = default;

  // Opens what the echo requests need; called once, after check 1 has started.
  virtual void openEcho() = 0;
  // Dotted IPv4 text of a host name, or nothing when the name does not resolve.
  virtual std::optional<std::wstring> resolve(const std::wstring& host) = 0;
  // The hundred-echo statistics, or nothing when the requests cannot be sent.
  virtual std::optional<LinkQuality> probeLink(const std::wstring& address) = 0;
  virtual ScanOutcome findPrograms(const ProgramTable& table) = 0;
  virtual ScanOutcome listForeignProviders(const BaseProviderList& base) = 0;
  virtual ScanOutcome detectDriverFirewall() = 0;

  // Delivers the record to the page and returns once the page has handled it.
  virtual void reportStep(const DiagStepRecord& record) = 0;
  virtual void reportScore(int32_t total) = 0;
};

// Runs the six checks in order (all of them, whatever the earlier verdicts),
// rewriting `record` for every report, and reports and returns the total.
int32_t runDiagnosis(DiagnosisMachine& machine, DiagStepRecord& record);

}  // namespace kestro
