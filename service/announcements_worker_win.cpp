#include "service/announcements_worker.h"

#include <map>
#include <string>

#include "app/client_state.h"
#include "app/window_messages.h"
#include "base/detached_worker.h"
#include "service/service_exchange.h"
#include "service/window_post_win.h"

namespace kestro {
namespace {

void report(UINT message) { postToWindow(WindowHandles::instance().mainWindow, message); }

void fetchAnnouncements() {
  const ServiceReply reply =
      exchangeWithService(L"%sannounce.php", HttpMethod::Get, {}, ReplyShape::Array, kMaxAnnouncements);
  if (!reply.ok()) return report(WM_ANNOUNCE_FAILED);
  std::map<int32_t, std::wstring> announcements;
  for (size_t i = 0; i < reply.size(); ++i) {
    const JsonObjectReader element = reply.element(i);
    announcements.emplace(element.integer("id"), element.text("articletitle"));
  }
  if (!reply.ok()) return report(WM_ANNOUNCE_FAILED);
  ClientState::instance().setAnnouncements(std::move(announcements));
  report(WM_ANNOUNCE_READY);
}

}  // namespace

void runAnnouncementsWorker() {
  reportingExhaustion(fetchAnnouncements, [] { report(WM_ANNOUNCE_FAILED); });
}

void startAnnouncementsWorker() { startDetachedWorker(runAnnouncementsWorker); }

}  // namespace kestro
