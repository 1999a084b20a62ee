#include "htmlayout/win32/wic_images_win.h"

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

HBITMAP make_dib(int w, int h, const uint32_t* pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp) std::copy(pixels, pixels + static_cast<size_t>(w) * h, static_cast<uint32_t*>(bits));
  return bmp;
}

int metadata_int(IWICMetadataQueryReader* reader, const wchar_t* name, int fallback) {
  if (!reader) return fallback;
  PROPVARIANT v;
  PropVariantInit(&v);
  int out = fallback;
  if (SUCCEEDED(reader->GetMetadataByName(name, &v))) {
    if (v.vt == VT_UI1) out = v.bVal;
    else if (v.vt == VT_UI2) out = v.uiVal;
    else if (v.vt == VT_UI4) out = static_cast<int>(v.ulVal);
  }
  PropVariantClear(&v);
  return out;
}

// Every frame composed onto the picture's full area, as GIF frames are
// patches drawn over what the previous ones left.
bool decode(const uint8_t* bytes, size_t size, std::vector<kestro::UniqueGdiObject<HBITMAP>>& frames, std::vector<int>& delays, int& w, int& h) {
  // COM may not be initialised on this thread yet (tests, the sample program).
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICStream> stream;
    com_ptr<IWICBitmapDecoder> decoder;
    UINT count = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size))) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrameCount(&count)) && count > 0) {
      com_ptr<IWICMetadataQueryReader> global;
      decoder->GetMetadataQueryReader(&global);
      std::vector<uint32_t> canvas;
      for (UINT i = 0; i < std::min<UINT>(count, 256); ++i) {
        com_ptr<IWICBitmapFrameDecode> frame;
        com_ptr<IWICFormatConverter> converter;
        UINT fw = 0, fh = 0;
        if (FAILED(decoder->GetFrame(i, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)) ||
            FAILED(converter->GetSize(&fw, &fh)) || fw == 0 || fh == 0 || fw >= 16384 || fh >= 16384)
          break;
        std::vector<uint32_t> pixels(static_cast<size_t>(fw) * fh);
        if (FAILED(converter->CopyPixels(nullptr, fw * 4, fw * fh * 4, reinterpret_cast<BYTE*>(pixels.data())))) break;
        com_ptr<IWICMetadataQueryReader> meta;
        frame->GetMetadataQueryReader(&meta);
        if (i == 0) {
          w = std::clamp(metadata_int(global.p, L"/logscrdesc/Width", static_cast<int>(fw)), 1, 16383);
          h = std::clamp(metadata_int(global.p, L"/logscrdesc/Height", static_cast<int>(fh)), 1, 16383);
          canvas.assign(static_cast<size_t>(w) * h, 0);
        }
        int left = count > 1 ? metadata_int(meta.p, L"/imgdesc/Left", 0) : 0;
        int top = count > 1 ? metadata_int(meta.p, L"/imgdesc/Top", 0) : 0;
        int disposal = metadata_int(meta.p, L"/grctlext/Disposal", 0);
        int delay = metadata_int(meta.p, L"/grctlext/Delay", 10) * 10;
        std::vector<uint32_t> before = disposal == 3 ? canvas : std::vector<uint32_t>();
        for (UINT y = 0; y < fh; ++y)
          for (UINT x = 0; x < fw; ++x) {
            int cx = left + static_cast<int>(x), cy = top + static_cast<int>(y);
            uint32_t p = pixels[static_cast<size_t>(y) * fw + x];
            if (cx < w && cy < h && (count == 1 || (p >> 24) != 0)) canvas[static_cast<size_t>(cy) * w + cx] = p;
          }
        kestro::UniqueGdiObject<HBITMAP> bmp(make_dib(w, h, canvas.data()));
        if (!bmp) break;
        frames.push_back(std::move(bmp));
        delays.push_back(delay < 20 ? 100 : delay);  // as browsers treat tiny delays
        if (disposal == 2) {
          for (UINT y = 0; y < fh; ++y)
            for (UINT x = 0; x < fw; ++x) {
              int cx = left + static_cast<int>(x), cy = top + static_cast<int>(y);
              if (cx < w && cy < h) canvas[static_cast<size_t>(cy) * w + cx] = 0;
            }
        } else if (disposal == 3) {
          canvas = std::move(before);
        }
      }
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return !frames.empty();
}

}  // namespace

bool wic_images::load(const std::wstring& url, const uint8_t* bytes, size_t size, int density_dpi) {
  if (!bytes || size == 0 || density_dpi <= 0) return false;
  picture pic;
  if (!decode(bytes, size, pic.frames, pic.delays_ms, pic.width, pic.height)) return false;
  const display_scale density{density_dpi};
  pic.css_width = density.to_css_nearest(pic.width);
  pic.css_height = density.to_css_nearest(pic.height);
  for (int d : pic.delays_ms) pic.total_ms += d;
  pictures_[url] = std::move(pic);
  return true;
}

point wic_images::size(const std::wstring& url) const {
  auto it = pictures_.find(url);
  return it == pictures_.end() ? point{} : point{it->second.css_width, it->second.css_height};
}

size_t wic_images::frame_count(const std::wstring& url) const {
  auto it = pictures_.find(url);
  return it == pictures_.end() ? 0 : it->second.frames.size();
}

bool wic_images::draw(HDC dc, const std::wstring& url, const rect& box, repeat_t repeat, const display_scale& scale) const {
  auto it = pictures_.find(url);
  if (it == pictures_.end() || box.width() <= 0 || box.height() <= 0) return false;
  const picture& pic = it->second;
  size_t index = 0;
  if (pic.frames.size() > 1 && pic.total_ms > 0) {
    int t = static_cast<int>(GetTickCount64() % static_cast<ULONGLONG>(pic.total_ms));
    while (index + 1 < pic.frames.size() && t >= pic.delays_ms[index]) t -= pic.delays_ms[index++];
  }
  const kestro::UniqueMemoryDc memory(dc);
  const HDC src = memory.get();
  const kestro::ScopedSelection selected(src, pic.frames[index].get());
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (repeat == repeat_t::STRETCH) {
    AlphaBlend(dc, box.left, box.top, box.width(), box.height(), src, 0, 0, pic.width, pic.height, blend);
  } else {
    int save = SaveDC(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    bool tile_x = repeat == repeat_t::REPEAT || repeat == repeat_t::REPEAT_X;
    bool tile_y = repeat == repeat_t::REPEAT || repeat == repeat_t::REPEAT_Y;
    const int tile_w = scale.to_device_width(pic.css_width), tile_h = scale.to_device_width(pic.css_height);
    for (int y = box.top; y < box.bottom; y += tile_h) {
      for (int x = box.left; x < box.right; x += tile_w) {
        AlphaBlend(dc, x, y, tile_w, tile_h, src, 0, 0, pic.width, pic.height, blend);
        if (!tile_x) break;
      }
      if (!tile_y) break;
    }
    RestoreDC(dc, save);
  }
  return pic.frames.size() > 1;
}

}  // namespace htmlayout
