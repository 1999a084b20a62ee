// The link monitor of a running acceleration: every five minutes a hundred
// echoes to the tunnel's gateway; a slow or lossy link is reported once per
// acceleration to the main window (WM_LINK_DEGRADED, sent), which opens the
// diagnosis page. A monitor ends at its next wake-up once the acceleration
// is over or a newer monitor has taken over the token; the acceleration's
// stop event wakes it at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestro {

inline constexpr uint32_t kLinkMonitorPeriodMs = 300000;

// Starts a monitor thread holding its own copy of `token` and of the
// acceleration's stop event (the thread's handle is not kept).
void startLinkMonitor(const std::wstring& token);

// The monitor's loop on the calling thread; `pause` waits between cycles
// (Sleep in the thread).
void runLinkMonitor(const std::wstring& token, const std::function<void(uint32_t ms)>& pause);

}  // namespace kestro
