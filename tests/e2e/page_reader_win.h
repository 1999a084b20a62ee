// What a page of another process's window shows, read through the page
// query that development builds of the program answer (ui/page_query_win.h).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kestro::test {

// One element as a page of the program shows it.
struct PageItem {
  std::wstring text;
  RECT box{};
  bool visible = false;
  unsigned state = 0;
  std::wstring src;
  std::wstring value;
};
// Every element of `window`'s page that matches `selector`.
std::vector<PageItem> queryPage(HWND window, const std::string& selector);
// The first match, if any.
std::optional<PageItem> pageItem(HWND window, const std::string& selector);
std::wstring pageText(HWND window, const std::string& selector);
bool pageVisible(HWND window, const std::string& selector);

}  // namespace kestro::test
