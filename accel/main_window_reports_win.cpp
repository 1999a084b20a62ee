#include "accel/main_window_reports_win.h"

#include "app/window_handles.h"
#include "app/window_messages.h"

namespace kestro {

void sendAccStep(AccStepRecord& record, int32_t state, std::wstring detail) {
  record.state = state;
  record.detail = std::move(detail);
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  SendMessageW(window, WM_ACC_STEP, 0, reinterpret_cast<LPARAM>(&record));
}

void postToMainWindow(UINT message) {
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  PostMessageW(window, message, 0, 0);
}

}  // namespace kestro
