#include "tests/e2e/page_reader_win.h"

#include <cstdlib>
#include <sstream>

#include "base/text_convert.h"
#include "ui/host/page_query_win.h"

namespace kestro::test {
namespace {

// The answers of the program's page queries arrive on this thread's window.
constexpr wchar_t kReaderClass[] = L"KestroPageReader";
thread_local std::string g_answer;
thread_local bool g_answered = false;

LRESULT CALLBACK readerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data != nullptr && data->dwData == kPageAnswer) {
      g_answer.assign(static_cast<const char*>(data->lpData), data->cbData);
      g_answered = true;
      return TRUE;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND readerWindow() {
  thread_local HWND reader = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = readerProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kReaderClass;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, kReaderClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }();
  return reader;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

}  // namespace

std::vector<PageItem> queryPage(HWND window, const std::string& selector) {
  std::vector<PageItem> items;
  const HWND reader = readerWindow();
  g_answer.clear();
  g_answered = false;
  COPYDATASTRUCT query{kPageQuery, static_cast<DWORD>(selector.size()), const_cast<char*>(selector.data())};
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, reinterpret_cast<WPARAM>(reader), reinterpret_cast<LPARAM>(&query),
                           SMTO_NORMAL, 5000, &result) ||
      !g_answered) {
    return items;
  }
  for (const std::string& line : split(g_answer, '\n')) {
    const std::vector<std::string> fields = split(line, '\t');
    if (fields.size() < 6) continue;
    PageItem item;
    item.text = fromUtf8(fields[0]);
    const std::vector<std::string> box = split(fields[1], ',');
    if (box.size() == 4) {
      item.box = RECT{std::atoi(box[0].c_str()), std::atoi(box[1].c_str()), std::atoi(box[2].c_str()),
                      std::atoi(box[3].c_str())};
    }
    item.visible = fields[2] == "1";
    item.state = static_cast<unsigned>(std::strtoul(fields[3].c_str(), nullptr, 10));
    item.src = fromUtf8(fields[4]);
    item.value = fromUtf8(fields[5]);
    items.push_back(item);
  }
  return items;
}

std::optional<PageItem> pageItem(HWND window, const std::string& selector) {
  std::vector<PageItem> items = queryPage(window, selector);
  if (items.empty()) return std::nullopt;
  return items.front();
}

std::wstring pageText(HWND window, const std::string& selector) {
  const auto item = pageItem(window, selector);
  return item ? item->text : L"";
}

bool pageVisible(HWND window, const std::string& selector) {
  const auto item = pageItem(window, selector);
  return item && item->visible;
}

}  // namespace kestro::test
