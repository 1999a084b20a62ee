// The shell's notification-area call the main window makes, replaceable so
// that tests can read the icon records handed over, or refuse them as a shell
// without a notification area does.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace kestro {

using NotifyIconCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW record);

// Starts as Shell_NotifyIconW.
NotifyIconCall& notifyIconCall();

// The message the shell broadcasts when its taskbar was (re)created.
UINT taskbarCreatedMessage();

}  // namespace kestro
