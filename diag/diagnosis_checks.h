// The six checks of a network diagnosis: their titles, verdict texts and points.
// Each verdict is computed here from what the machine answered, without any
// system call, so every threshold is tested on its own.
#pragma once

#include <cstdint>
#include <string>

#include "diag/diag_step_record.h"
#include "nodes/echo_tally.h"

namespace kestro {

struct CheckVerdict {
  DiagStatus status = DiagStatus::ok;
  std::wstring detail;
  int32_t points = 0;
};

// Checks 1 and 2: latency and loss to a well-known web site.
struct WebSiteCheck {
  const wchar_t* title;
  const wchar_t* siteName;         // as the latency text names it
  const wchar_t* unresolvedText;   // its name does not resolve
  const wchar_t* unreachableText;  // the echo requests cannot be sent
};
extern const WebSiteCheck kSinaCheck;
extern const WebSiteCheck kBaiduCheck;

inline constexpr int32_t kWebSitePoints = 20;
inline constexpr int32_t kScanPoints = 15;

// Points of a web-site check that is not plainly ok: 20 at 80 ms falling to 0
// at 200 ms, never more than 20, then scaled down by the loss (one lost request
// of 100 keeps 0.8 of it, four keep 0.2, five or more leave nothing).
int32_t latencyScore(float latency, float loss);

CheckVerdict unresolvedVerdict(const WebSiteCheck& check);
CheckVerdict unreachableVerdict(const WebSiteCheck& check);
// Ok with 20 points at 80.0 ms or less without loss; otherwise a warning that
// shows the latency and the loss, scored by latencyScore. A link that answered
// nothing shows the latency the probe reports for it (kSilentLinkLatencyMs) and
// 100.00 % loss, with 0 points.
CheckVerdict linkQualityVerdict(const WebSiteCheck& check, LinkQuality quality);

// Checks 3 to 6: scans of the processes and of the Winsock catalogue.
struct ScanCheck {
  const wchar_t* title;
  const wchar_t* failedText;   // the scan itself failed
  const wchar_t* foundBefore;  // found: this, the scan's listing, then foundAfter
  const wchar_t* foundAfter;
};
extern const ScanCheck kTrafficProgramsCheck;
extern const ScanCheck kForeignProvidersCheck;
extern const ScanCheck kDriverFirewallCheck;
extern const ScanCheck kDialupClientsCheck;

struct ScanOutcome {
  bool succeeded = false;
  bool found = false;
  std::wstring listing;  // lines ending in CR LF; empty for the driver firewall
};

// Failed: warn, 0 points. Found: error with the listing, 0 points. Else ok, 15.
CheckVerdict scanVerdict(const ScanCheck& check, const ScanOutcome& outcome);

}  // namespace kestro
