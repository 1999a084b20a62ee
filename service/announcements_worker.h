// The announcements fetch: announce.php into `announcements` of the client
// state. Posts WM_ANNOUNCE_READY or WM_ANNOUNCE_FAILED to the main window.
#pragma once

namespace kestro {

void runAnnouncementsWorker();
void startAnnouncementsWorker();

}  // namespace kestro
