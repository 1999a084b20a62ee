#include "app/deployment.h"

#include <cstdlib>

#include "app/deployment_constants.h"
#include "base/text_convert.h"

namespace kestro {
namespace {

std::wstring overridable(const char* variable, const wchar_t* builtIn) {
  if (!KESTRO_RELEASE) {
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') return fromUtf8(value);
  }
  return builtIn;
}

}  // namespace

std::wstring serviceBaseUrl() { return overridable("KESTRO_SERVICE_URL", KESTRO_SERVICE_BASE_URL_LITERAL); }
std::wstring webSiteAddress() { return overridable("KESTRO_WEB_SITE", KESTRO_WEB_SITE_LITERAL); }
std::wstring probeHostSina() { return overridable("KESTRO_PROBE_HOST_1", KESTRO_PROBE_HOST_1_LITERAL); }
std::wstring probeHostBaidu() { return overridable("KESTRO_PROBE_HOST_2", KESTRO_PROBE_HOST_2_LITERAL); }

uint32_t linkMonitorPeriodMs(uint32_t builtIn) {
  const std::wstring value = overridable("KESTRO_LINK_MONITOR_MS", L"");
  if (value.empty() || value.size() > 9 ||
      value.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return builtIn;
  }
  const auto ms = static_cast<uint32_t>(std::stoul(value));
  return ms > 0 ? ms : builtIn;
}
bool gameServerEchoesWanted() { return overridable("KESTRO_GAME_SERVER_ECHOES", L"1") != L"0"; }
std::wstring worldRelayControl() { return overridable("KESTRO_WORLD_RELAY", L""); }
int clientVersion() { return KESTRO_CLIENT_VERSION_NUMBER; }

}  // namespace kestro
