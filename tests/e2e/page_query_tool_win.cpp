// kestro-page-query <window class> <selector>: prints what the first visible
// window of that class shows for the selector, one element a line, as
// "text TAB left TAB top TAB right TAB bottom TAB visible" in screen
// coordinates (UTF-8). Exits 1 when there is no such window, 2 on wrong
// arguments. The demo tour clicks by selector through it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/text_convert.h"
#include "tests/e2e/page_reader_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kestro-page-query <window class> <selector>\n");
    return 2;
  }
  const HWND window = FindWindowW(argv[1], nullptr);
  if (window == nullptr || !IsWindowVisible(window)) return 1;
  for (const kestro::test::PageItem& item : kestro::test::queryPage(window, kestro::toUtf8(argv[2]))) {
    POINT topLeft{item.box.left, item.box.top};
    POINT bottomRight{item.box.right, item.box.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    std::printf("%s\t%ld\t%ld\t%ld\t%ld\t%d\n", kestro::toUtf8(item.text).c_str(), topLeft.x, topLeft.y,
                bottomRight.x, bottomRight.y, item.visible ? 1 : 0);
  }
  return 0;
}
