#include "accel/main_window_reports_win.h"

#include "app/window_handles.h"
#include "app/window_messages.h"

namespace kestro {

void sendAccStep(AccStepRecord& record, int32_t state, std::wstring detail) {
  record.state = state;
  record.detail = std::move(detail);
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  SendMessageW(window, WM_ACC_STEP, record.attempt, reinterpret_cast<LPARAM>(&record));
}

void postAttemptReport(UINT message, uint32_t attempt) {
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  PostMessageW(window, message, attempt, 0);
}

bool postAttemptPointer(UINT message, uint32_t attempt, void* record) {
  const HWND window = static_cast<HWND>(WindowHandles::instance().mainWindow.load());
  return window != nullptr && PostMessageW(window, message, attempt, reinterpret_cast<LPARAM>(record));
}

}  // namespace kestro
