// The sample page in a real window under Wine and a virtual display: a
// screenshot is saved beside the build tree and checked at known places.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "htmlayout/sample/sample_window_win.h"
#include "htmlayout/win32/wic_images_win.h"
#include "htmlayout/win32/window_host_win.h"
#include "tests/support/bitmap_surface_win.h"
#include "tests/support/wine_host_win.h"

namespace htmlayout {
namespace {

// The client area as it is on the screen.
class screenshot {
 public:
  explicit screenshot(HWND hwnd) : size_(client_size(hwnd)), copy_(size_.x, size_.y) {
    HDC screen = GetDC(hwnd);
    BitBlt(copy_.dc(), 0, 0, size_.x, size_.y, screen, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, screen);
  }
  COLORREF at(int x, int y) const {
    const uint32_t p = copy_.at(x, y);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int dark_pixels(const rect& box) const {
    int n = 0;
    for (int y = std::max(0, box.top); y < std::min<int>(size_.y, box.bottom); ++y)
      for (int x = std::max(0, box.left); x < std::min<int>(size_.x, box.right); ++x) {
        COLORREF c = at(x, y);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) ++n;
      }
    return n;
  }
  bool save_png(const std::wstring& path) const {
    const int w = size_.x, h = size_.y;
    IWICImagingFactory* f = nullptr;
    IWICStream* s = nullptr;
    IWICBitmapEncoder* e = nullptr;
    IWICBitmapFrameEncode* fr = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, reinterpret_cast<void**>(&f))) &&
              SUCCEEDED(f->CreateStream(&s)) && SUCCEEDED(s->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(f->CreateEncoder(GUID_ContainerFormatPng, nullptr, &e)) && SUCCEEDED(e->Initialize(s, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(e->CreateNewFrame(&fr, nullptr)) && SUCCEEDED(fr->Initialize(nullptr)) && SUCCEEDED(fr->SetSize(w, h));
    WICPixelFormatGUID fmt = GUID_WICPixelFormat32bppBGR;
    GdiFlush();
    ok = ok && SUCCEEDED(fr->SetPixelFormat(&fmt)) &&
         SUCCEEDED(fr->WritePixels(h, w * 4, w * h * 4, reinterpret_cast<BYTE*>(const_cast<uint32_t*>(copy_.bits())))) &&
         SUCCEEDED(fr->Commit()) && SUCCEEDED(e->Commit());
    for (IUnknown* u : {static_cast<IUnknown*>(fr), static_cast<IUnknown*>(e), static_cast<IUnknown*>(s), static_cast<IUnknown*>(f)})
      if (u) u->Release();
    return ok;
  }

 private:
  static POINT client_size(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
  }

  POINT size_;
  kestro::test::BitmapSurface copy_;
};

struct SamplePage : ::testing::Test {
  void SetUp() override {
    wchar_t display[64] = {};
    if (!GetEnvironmentVariableW(L"DISPLAY", display, 64)) GTEST_SKIP() << "needs a display (Xvfb)";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    hwnd = sample::open_sample_window(kestro::test::hostPath(KESTRO_BINARY_DIR "/htmlayout/sample"), false);
    ASSERT_NE(hwnd, nullptr);
    // Above and away from windows that other tests may open at the same time.
    SetWindowPos(hwnd, HWND_TOPMOST, 120, 280, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd);
    kestro::test::pumpMessages(1500);
  }
  void TearDown() override {
    if (hwnd) DestroyWindow(hwnd);
    kestro::test::pumpMessages(100);
    CoUninitialize();
  }
  dom::element by_id(const wchar_t* id) const { return dom::element(HTMLayoutGetRootElement(hwnd)).find_by_id(id); }
  void click(const dom::element& e) {
    rect r = e.get_location();
    LPARAM at = MAKELPARAM(r.left + r.width() / 2, r.top + r.height() / 2);
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
    kestro::test::pumpMessages(200);
  }

  HWND hwnd = nullptr;
};

TEST_F(SamplePage, ShowsColoursPicturesAndChineseText) {
  screenshot shot(hwnd);
  EXPECT_TRUE(shot.save_png(kestro::test::hostPath(KESTRO_BINARY_DIR "/htmlayout_sample.png")));
  EXPECT_EQ(shot.at(200, 40), RGB(30, 110, 190));   // the banner's background colour
  EXPECT_EQ(shot.at(444, 24), RGB(220, 40, 40));    // the middle of the PNG picture
  EXPECT_EQ(shot.at(421, 1), RGB(255, 255, 255));   // its transparent corner shows the page
  rect product = by_id(L"product").get_location();
  EXPECT_GT(product.width(), 150);                   // seven CJK characters at 28px
  EXPECT_GT(shot.dark_pixels(product), 300);         // drawn with a font that has the glyphs
  rect bar = by_id(L"pgsload").get_content_location();
  EXPECT_EQ(shot.at(bar.left + 3, bar.top + bar.height() / 2), RGB(6, 176, 37));
  EXPECT_EQ(shot.at(bar.right - 3, bar.top + bar.height() / 2), RGB(255, 255, 255));
  rect loading = by_id(L"imgloading").get_location();
  EXPECT_EQ(loading.width(), 16);
  COLORREF frame = shot.at(loading.left + 8, loading.top + 8);  // whichever frame shows now
  EXPECT_TRUE(frame == RGB(0x1e, 0x6e, 0xbe) || frame == RGB(0x1e, 0xbe, 0x6e) || frame == RGB(0xbe, 0x1e, 0x6e) ||
              frame == RGB(0xbe, 0xbe, 0x1e))
      << std::hex << frame;
}

TEST(WicImages, DecodesEveryFrameOfAnAnimatedGif) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::ifstream in(KESTRO_SOURCE_DIR "/htmlayout/sample/LOADING.GIF", std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  wic_images images;
  ASSERT_TRUE(images.load(L"LOADING.GIF", bytes.data(), bytes.size(), 96));
  EXPECT_EQ(images.size(L"LOADING.GIF").x, 16);
  EXPECT_EQ(images.frame_count(L"LOADING.GIF"), 4u);
  const uint8_t junk[] = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3};
  EXPECT_FALSE(images.load(L"BAD.GIF", junk, sizeof junk, 96));
  EXPECT_EQ(images.size(L"BAD.GIF").x, 0);
  CoUninitialize();
}

TEST_F(SamplePage, TextBoxTakesTypingAndControlsReact) {
  dom::element name = by_id(L"txtname"), check = by_id(L"chksavepassword"), more = by_id(L"btnmore"), bar = by_id(L"pgsload");
  rect box = name.get_content_location();
  HWND edit = ChildWindowFromPoint(hwnd, POINT{box.left + 5, box.top + box.height() / 2});
  wchar_t cls[16] = {};
  GetClassNameW(edit, cls, 16);
  ASSERT_EQ(_wcsicmp(cls, L"EDIT"), 0);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 6, 6);
  for (wchar_t c : std::wstring(L"\x4E2D!")) SendMessageW(edit, WM_CHAR, c, 0);
  kestro::test::pumpMessages(100);
  EXPECT_EQ(name.text(), L"kestro\x4E2D!");
  name.set_text(L"reset");
  kestro::test::pumpMessages(200);
  wchar_t shown[32] = {};
  GetWindowTextW(edit, shown, 32);
  EXPECT_EQ(std::wstring(shown), L"reset");
  SendMessageW(edit, WM_KEYDOWN, VK_TAB, 0);  // on to the password box
  SendMessageW(GetFocus(), WM_CHAR, L'p', 0);
  kestro::test::pumpMessages(100);
  EXPECT_EQ(by_id(L"txtpassword").text(), L"p");
  EXPECT_EQ(check.get_value(), value::make_bool(true));
  click(check);
  EXPECT_EQ(check.get_value(), value::make_bool(false));
  EXPECT_EQ(bar.get_value(), value::make_int(40));
  click(more);
  EXPECT_EQ(bar.get_value(), value::make_int(50));
}

}  // namespace
}  // namespace htmlayout
