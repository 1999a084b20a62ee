// The announcements fetch: announce.php into `announcements` of the client
// state. Posts WM_ANNOUNCE_READY or WM_ANNOUNCE_FAILED to the main window.
#pragma once

#include <cstddef>

namespace kestro {

// The most announcements an announce.php reply may list; a longer one fails
// like a reply that is not JSON. The service keeps a few dozen; the main
// window shows the newest few.
inline constexpr size_t kMaxAnnouncements = 1000;

void runAnnouncementsWorker();
void startAnnouncementsWorker();

}  // namespace kestro
