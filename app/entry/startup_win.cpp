#include "app/entry/startup_win.h"

#include <objbase.h>

#include "accel/route_journal_win.h"
#include "accel/routes_win.h"
#include "app/client_state.h"
#include "app/window_handles.h"
#include "base/unique_handle_win.h"
#include "service/voice_catalogue.h"
#include "ui/login/login_window_win.h"
#include "ui/main/main_window_win.h"

namespace kestro {

namespace {

HINSTANCE g_instance = nullptr;

// Uninitialises COM on every way out of start-up.
struct ComApartment {
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace

HINSTANCE programInstance() { return g_instance; }

void probeWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  BOOL wow64 = FALSE;
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  const auto isWow64Process =
      kernel ? reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
             : nullptr;
  if (isWow64Process != nullptr && !isWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
  ClientState::instance().isWow64 = wow64 ? 1 : 0;
}

bool enterProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  wchar_t* lastSlash = wcsrchr(path, L'\\');
  if (lastSlash == nullptr) return false;
  *lastSlash = L'\0';
  // A program in a drive's root keeps the backslash: "C:" alone names the drive's current folder.
  if (lastSlash == path + 2 && path[1] == L':') {
    lastSlash[0] = L'\\';
    lastSlash[1] = L'\0';
  }
  return SetCurrentDirectoryW(path) != FALSE;
}

int runClient(HINSTANCE instance) {
  ComApartment com;
  WindowHandles::instance();
  probeWow64();
  g_instance = instance;

  // A second copy ends at once and silently; the mutex handle stays open for
  // the life of the first.
  const UniqueHandle mutex(CreateMutexW(nullptr, FALSE, L"Kestro"));
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  if (!enterProgramFolder()) return 0;
  if (!buildVoiceCatalogue()) return 0;
  // Rows a crashed or killed run left in the forward table would send the
  // game's traffic into a tunnel that no longer exists.
  sweepRouteJournal();

  runLoginWindow(instance);
  if (ClientState::instance().loggedIn != 0) runMainWindow(instance);
  // Whatever way the program ends, the routes it added go with it.
  removeInstalledRoutes();
  return 0;
}

}  // namespace kestro
