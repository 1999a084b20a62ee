#include "ui/host/page_query_win.h"

#include <string>

#include "app/deployment_constants.h"
#include "base/text_convert.h"
#include "htmlayout/display_scale.h"
#include "htmlayout/dom.h"
#include "htmlayout/win32/window_host_win.h"

namespace kestro {
namespace {

// Tabs and line breaks inside a text would break the answer's lines.
std::string oneLine(const std::wstring& text) {
  std::wstring flat = text;
  for (wchar_t& c : flat) {
    if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
  }
  return toUtf8(flat);
}

}  // namespace

bool answerPageQuery(HWND window, HWND asker, const COPYDATASTRUCT* data) {
  if (KESTRO_RELEASE || data == nullptr || data->dwData != kPageQuery) return false;
  if (!IsWindow(asker) || data->lpData == nullptr) return true;
  const std::string selector(static_cast<const char*>(data->lpData), data->cbData);
  std::string answer;
  const htmlayout::dom::element root(htmlayout::HTMLayoutGetRootElement(window));
  if (root.is_valid()) {
    // Places in client pixels, where the asker's clicks land.
    const htmlayout::display_scale scale{htmlayout::HTMLayoutWindowDpi(window)};
    for (const htmlayout::dom::element& found : root.find_all(fromUtf8(selector))) {
      const htmlayout::rect box = scale.to_device(found.get_location());
      answer += oneLine(found.text()) + '\t' + std::to_string(box.left) + ',' + std::to_string(box.top) + ',' +
                std::to_string(box.right) + ',' + std::to_string(box.bottom) + '\t' +
                (found.is_visible() ? '1' : '0') + '\t' + std::to_string(found.get_state()) + '\t' +
                oneLine(found.get_attribute("src")) + '\t' + oneLine(found.get_attribute("value")) + '\n';
    }
  }
  COPYDATASTRUCT reply{kPageAnswer, static_cast<DWORD>(answer.size()), answer.data()};
  SendMessageW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&reply));
  return true;
}

}  // namespace kestro
