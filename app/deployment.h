// Addresses fixed at build time (cmake/deployment.cmake). Development builds
// point at the reference service on loopback; only a release build carries the
// production values. In a development build the environment variables
// KESTRO_SERVICE_URL and KESTRO_WEB_SITE may move the reference service (tests
// run it on a free port or in the test world), KESTRO_PROBE_HOST_1 and _2 the
// diagnosis probe hosts, KESTRO_LINK_MONITOR_MS shortens the link monitor's
// period, KESTRO_GAME_SERVER_ECHOES=0 turns the game servers' echoes off
// (the test run's default: see gameServerEchoesWanted), and KESTRO_WORLD_RELAY
// names the test world's relay, to which the route mirror hands every route
// row; a release build ignores them.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// Absolute "http" URL ending in "/": endpoint URLs append "login.php" and the like.
std::wstring serviceBaseUrl();
// Home page of the web site, without a trailing "/".
std::wstring webSiteAddress();
// Host names of the two diagnosis probe targets (the Sina portal and Baidu).
std::wstring probeHostSina();
std::wstring probeHostBaidu();
// The link monitor's period: `builtIn` unless a development build is given a
// positive whole number of milliseconds.
uint32_t linkMonitorPeriodMs(uint32_t builtIn);
// Whether the game servers are measured (accel/game_server_probe_win.h):
// always in a release. Under Wine a process ended while one of its echoes is
// under way leaves the prefix's IP Helper stuck for every later process, and
// the tests end programs at any moment: their run turns the echoes off but
// where a case measures them.
bool gameServerEchoesWanted();
// The test world relay's control channel ("127.0.0.1:<port>"); empty outside
// the test world and always in a release build.
std::wstring worldRelayControl();
// The client version sent at login.
int clientVersion();

}  // namespace kestro
