// Addresses fixed at build time (cmake/deployment.cmake). Development builds
// point at the reference service on loopback; only a release build carries the
// production values. In a development build the environment variables
// KESTRO_SERVICE_URL and KESTRO_WEB_SITE may move the reference service to
// another loopback port (tests run it on a free port); a release build ignores them.
#pragma once

#include <string>

namespace kestro {

// Absolute "http" URL ending in "/": endpoint URLs append "login.php" and the like.
std::wstring serviceBaseUrl();
// Home page of the web site, without a trailing "/".
std::wstring webSiteAddress();
// Host names of the two diagnosis probe targets (the Sina portal and Baidu).
std::wstring probeHostSina();
std::wstring probeHostBaidu();
// The client version sent at login.
int clientVersion();

}  // namespace kestro
