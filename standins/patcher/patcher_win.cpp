// Stand-in of the service's upgrade program: the client starts it when the
// service announces a newer version. It says what the real one would do and exits.
#include <windows.h>

#include <cstdio>

int wmain() {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::printf("Patcher (development stand-in): would download the newest client, replace the files in %ls "
              "and start Kestro.exe again. Nothing was changed.\n",
              folder);
  return 0;
}
