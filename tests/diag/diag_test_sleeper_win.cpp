// Stands in for a running program in the real process scans: the tests start
// copies of it under the names of known programs. It signals the event named
// on its command line once it runs, then waits until the test ends it.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) {
    if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1])) {
      SetEvent(ready);
      CloseHandle(ready);
    }
  }
  Sleep(120000);  // ended by the test long before; never outlives a lost test for long
  return 0;
}
