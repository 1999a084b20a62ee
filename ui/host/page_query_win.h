// Development builds answer a question from another process about the page of
// one of their windows, so that end-to-end tests can read what the real
// program shows. A test sends WM_COPYDATA with dwData kPageQuery and a CSS
// selector in UTF-8, wParam its own window; the answer comes back to that
// window as WM_COPYDATA with dwData kPageAnswer: one line per matching element,
// "text TAB left,top,right,bottom (client pixels) TAB visible(0/1) TAB state bits TAB src TAB
// value" (the last two are the element's attributes), in UTF-8.
// A release build ignores the question.
#pragma once

#include <windows.h>

namespace kestro {

inline constexpr ULONG_PTR kPageQuery = 0x4B504751;   // "KPGQ"
inline constexpr ULONG_PTR kPageAnswer = 0x4B504741;  // "KPGA"

// True when `data` was a page query for `window` (answered or not).
bool answerPageQuery(HWND window, HWND asker, const COPYDATASTRUCT* data);

}  // namespace kestro
