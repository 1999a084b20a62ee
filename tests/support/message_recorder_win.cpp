#include "tests/support/message_recorder_win.h"

namespace kestro::test {

namespace {
constexpr wchar_t kClassName[] = L"KestroTestMessageRecorder";
}

MessageRecorder::MessageRecorder(Snapshot snapshot, Answer answer)
    : snapshot_(std::move(snapshot)), answer_(std::move(answer)) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &MessageRecorder::procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);  // a second registration fails harmlessly
  window_ = CreateWindowExW(0, kClassName, L"recorder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageRecorder::~MessageRecorder() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK MessageRecorder::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message >= WM_USER && message < 0x8000) {
    Entry entry{message, wParam, lParam, {}};
    if (self->snapshot_) entry.detail = self->snapshot_(message, wParam, lParam);
    self->entries_.push_back(std::move(entry));
    return self->answer_ ? self->answer_(message, wParam, lParam) : 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool MessageRecorder::pumpUntil(const std::function<bool(const std::vector<Entry>&)>& done, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (!done(entries_)) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

bool MessageRecorder::pumpUntilMessage(UINT message, DWORD ms) {
  return pumpUntil(
      [message](const std::vector<Entry>& entries) {
        for (const auto& entry : entries)
          if (entry.message == message) return true;
        return false;
      },
      ms);
}

std::vector<UINT> MessageRecorder::messages() const {
  std::vector<UINT> out;
  for (const auto& entry : entries_) out.push_back(entry.message);
  return out;
}

}  // namespace kestro::test
