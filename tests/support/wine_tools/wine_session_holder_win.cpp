// kestro-wine-session-holder: keeps a Wine prefix's session open. Wine ends
// its system processes (the desktop, services, the device host) whenever the
// last program of a prefix ends, and starts them again for the next one; a
// program that starts while the desktop is still going away gets no windows
// ("The explorer process failed to start"). scripts/wine-prefix starts one
// holder per prefix for the whole test run; the prefix's `wineserver -k` ends it.
#include <windows.h>

int main() {
  Sleep(INFINITE);
  return 0;
}
