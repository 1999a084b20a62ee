#include "htmlayout/wic_images_win.h"

#include <wincodec.h>

#include <algorithm>

namespace htmlayout {
namespace {

template <typename T>
struct com_ptr {
  T* p = nullptr;
  ~com_ptr() { if (p) p->Release(); }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

HBITMAP decode(const uint8_t* bytes, size_t size, int& w, int& h) {
  // COM may not be initialised on this thread yet (tests, the sample program).
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HBITMAP result = nullptr;
  {
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICStream> stream;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    com_ptr<IWICFormatConverter> converter;
    UINT uw = 0, uh = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size))) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&uw, &uh)) && uw > 0 && uh > 0 && uw < 16384 && uh < 16384) {
      BITMAPINFO bi{};
      bi.bmiHeader.biSize = sizeof bi.bmiHeader;
      bi.bmiHeader.biWidth = static_cast<LONG>(uw);
      bi.bmiHeader.biHeight = -static_cast<LONG>(uh);  // top-down
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 32;
      bi.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (bmp && SUCCEEDED(converter->CopyPixels(nullptr, uw * 4, uw * uh * 4, static_cast<BYTE*>(bits)))) {
        result = bmp;
        w = static_cast<int>(uw);
        h = static_cast<int>(uh);
      } else if (bmp) {
        DeleteObject(bmp);
      }
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return result;
}

}  // namespace

wic_images::~wic_images() {
  for (auto& [url, pic] : pictures_) DeleteObject(pic.bitmap);
}

bool wic_images::load(const std::wstring& url, const uint8_t* bytes, size_t size) {
  if (!bytes || size == 0) return false;
  picture pic;
  pic.bitmap = decode(bytes, size, pic.width, pic.height);
  if (!pic.bitmap) return false;
  auto it = pictures_.find(url);
  if (it != pictures_.end()) DeleteObject(it->second.bitmap);
  pictures_[url] = pic;
  return true;
}

point wic_images::size(const std::wstring& url) const {
  auto it = pictures_.find(url);
  return it == pictures_.end() ? point{} : point{it->second.width, it->second.height};
}

void wic_images::draw(HDC dc, const std::wstring& url, const rect& box, repeat_t repeat) const {
  auto it = pictures_.find(url);
  if (it == pictures_.end() || box.width() <= 0 || box.height() <= 0) return;
  const picture& pic = it->second;
  HDC src = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(src, pic.bitmap);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (repeat == repeat_t::STRETCH) {
    AlphaBlend(dc, box.left, box.top, box.width(), box.height(), src, 0, 0, pic.width, pic.height, blend);
  } else {
    int save = SaveDC(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    bool tile_x = repeat == repeat_t::REPEAT || repeat == repeat_t::REPEAT_X;
    bool tile_y = repeat == repeat_t::REPEAT || repeat == repeat_t::REPEAT_Y;
    for (int y = box.top; y < box.bottom; y += pic.height) {
      for (int x = box.left; x < box.right; x += pic.width) {
        AlphaBlend(dc, x, y, pic.width, pic.height, src, 0, 0, pic.width, pic.height, blend);
        if (!tile_x) break;
      }
      if (!tile_y) break;
    }
    RestoreDC(dc, save);
  }
  SelectObject(src, old);
  DeleteDC(src);
}

}  // namespace htmlayout
