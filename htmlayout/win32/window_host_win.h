// The engine in a Win32 window. A window's procedure passes every message to
// HTMLayoutProcND first; the engine keeps one host per window from then on
// until WM_NCDESTROY. The other functions here act on that window's page.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "htmlayout/dom.h"
#include "htmlayout/notification_handler.h"

namespace htmlayout {

class window_host;

// Handles the message when the engine wants it: *handled tells, the result
// is then the window procedure's answer.
LRESULT HTMLayoutProcND(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, BOOL* handled);
// Host notifications (HLN_LOAD_DATA, HLN_ATTACH_BEHAVIOR, ...) go to `cb` with `param`.
void HTMLayoutSetCallback(HWND hwnd, host_callback cb, void* param);
// Loads UTF-8 page bytes; false when empty or the window is not a window.
bool HTMLayoutLoadHtml(HWND hwnd, const uint8_t* html, size_t size);
// Bytes of a resource asked for with HLN_LOAD_DATA.
bool HTMLayoutDataReady(HWND hwnd, const wchar_t* uri, const uint8_t* data, size_t size);
// The same for a picture drawn for a display of `density_dpi` (144: 1.5
// picture pixels per CSS pixel), such as a variant chosen for the window's DPI.
bool HTMLayoutDataReadyAt(HWND hwnd, const wchar_t* uri, const uint8_t* data, size_t size, int density_dpi);
// The DPI the window's page is drawn at: CSS pixels times DPI / 96 are the
// window's client pixels. 96 for a window with no page.
int HTMLayoutWindowDpi(HWND hwnd);
HELEMENT HTMLayoutGetRootElement(HWND hwnd);
// Every element event of the window also goes to `handler` (see document::route).
bool HTMLayoutWindowAttachEventHandler(HWND hwnd, event_handler* handler, unsigned subscription);
bool HTMLayoutWindowDetachEventHandler(HWND hwnd, event_handler* handler);
// The page of a window, or null.
document* HTMLayoutDocument(HWND hwnd);

}  // namespace htmlayout
