#include "tests/service/worker_harness_win.h"

#include <algorithm>
#include <thread>

#include "app/window_handles.h"
#include "app/window_messages.h"
#include "service/progress_post_win.h"
#include "tests/support/message_recorder_win.h"

namespace kestro::test {

WorkerRun runWorker(void (*worker)(), ReportTo window, const std::vector<UINT>& finals, bool busyWindow) {
  MessageRecorder recorder([](UINT message, WPARAM, LPARAM lParam) -> std::wstring {
    if (message != WM_LOGIN_PROGRESS && message != WM_GAME_PROGRESS) return {};
    const auto record = adoptProgress(lParam);
    return std::to_wstring(record->percent) + L" " + record->text;
  });
  auto& handles = WindowHandles::instance();
  (window == ReportTo::LoginWindow ? handles.loginWindow : handles.mainWindow) = recorder.window();

  std::thread thread(worker);
  if (busyWindow) thread.join();
  recorder.pumpUntil(
      [&](const std::vector<MessageRecorder::Entry>& entries) {
        return std::any_of(entries.begin(), entries.end(), [&](const MessageRecorder::Entry& entry) {
          return std::find(finals.begin(), finals.end(), entry.message) != finals.end();
        });
      },
      30000);
  if (thread.joinable()) thread.join();
  // Anything posted after the final message arrives by now.
  recorder.pumpUntil([](const std::vector<MessageRecorder::Entry>&) { return false; }, 50);
  handles.loginWindow = nullptr;
  handles.mainWindow = nullptr;

  WorkerRun run;
  for (const auto& entry : recorder.entries()) {
    run.messages.push_back(entry.message);
    if (!entry.detail.empty()) run.progress.push_back(entry.detail);
  }
  return run;
}

}  // namespace kestro::test
