// The program's message window (the MESSAGE page) answered as a user answers
// it: by one of its buttons, found by id, or by a key.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/ui_driver_win.h"

namespace kestro::test {

// The MESSAGE page's buttons. "确定" and "否" share one place.
inline constexpr wchar_t kMessageOk[] = L"#btnok";
inline constexpr wchar_t kMessageYes[] = L"#btnyes";
inline constexpr wchar_t kMessageNo[] = L"#btnno";
inline constexpr wchar_t kMessageClose[] = L"#btnclose";

// Waits for the message window, checks its text and that its `owner` takes
// no input meanwhile, saves the display as `screenshot` when one is named, and
// closes the message with a click on `button`.
void answerMessage(const UiThreadCall& ui, HWND owner, const std::wstring& expected, const wchar_t* button,
                   const std::string& screenshot = {});
// The same, closing it with `key` ("Return", "Escape") pressed in it.
void answerMessageWithKey(const UiThreadCall& ui, HWND owner, const std::wstring& expected, const char* key,
                          const std::string& screenshot = {});

}  // namespace kestro::test
