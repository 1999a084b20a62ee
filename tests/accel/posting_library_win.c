/* A tunnel library that posts the three addresses from its own memory and
   returns at once, before the window has read them. */
#include <windows.h>

static char gateway[] = "10.77.0.1";
static char address[] = "10.77.0.2";
static char mask[] = "255.255.255.0";

__declspec(dllexport) int __cdecl starttunnel(HWND window, const char* node, const char* user, const char* password,
                                              const char* event, int port) {
  (void)node;
  (void)user;
  (void)password;
  (void)event;
  (void)port;
  PostMessageA(window, WM_USER + 504, 1, (LPARAM)gateway);
  PostMessageA(window, WM_USER + 504, 2, (LPARAM)address);
  PostMessageA(window, WM_USER + 504, 3, (LPARAM)mask);
  return 0;
}
