#include "vcl/graphics/bitmap.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace vcl {

namespace {

// Device-dependent bitmaps keep their pixels in the screen's format.
constexpr int kDeviceBitCount = 32;

std::vector<RGBQUAD> BlackAndWhite() { return {{0, 0, 0, 0}, {255, 255, 255, 0}}; }

// The 16 colours of the standard VGA palette.
std::vector<RGBQUAD> Standard16() {
  static const COLORREF kColors[16] = {
      RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
      RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
      RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
      RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
  std::vector<RGBQUAD> colors;
  for (COLORREF c : kColors) colors.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
  return colors;
}

std::vector<RGBQUAD> PaletteColors(HPALETTE palette, size_t maxCount) {
  UINT count = std::min<UINT>(GetPaletteEntries(palette, 0, 0, nullptr), UINT(maxCount));
  std::vector<PALETTEENTRY> entries(count);
  if (count) count = GetPaletteEntries(palette, 0, count, entries.data());
  std::vector<RGBQUAD> colors;
  for (UINT i = 0; i < count; ++i)
    colors.push_back(RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
  return colors;
}

// The halftone palette of the screen, which 8-bit bitmaps get by default.
const std::vector<RGBQUAD>& Halftone() {
  static const std::vector<RGBQUAD> colors = [] {
    HDC screen = GetDC(nullptr);
    HPALETTE palette = CreateHalftonePalette(screen);
    ReleaseDC(nullptr, screen);
    std::vector<RGBQUAD> result = PaletteColors(palette, 256);
    DeleteObject(palette);
    return result;
  }();
  return colors;
}

HPALETTE CreatePaletteFrom(const std::vector<RGBQUAD>& colors) {
  if (colors.empty()) return nullptr;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + colors.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(colors.size());
  for (size_t i = 0; i < colors.size(); ++i)
    log->palPalEntry[i] = PALETTEENTRY{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
  return CreatePalette(log);
}

HPALETTE CopyPaletteHandle(HPALETTE palette) {
  return palette ? CreatePaletteFrom(PaletteColors(palette, 256)) : nullptr;
}

bmp::DibLayout DeviceLayout(int width, int height, bool monochrome) {
  bmp::DibLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = monochrome ? 1 : kDeviceBitCount;
  if (monochrome) layout.colors = BlackAndWhite();
  return layout;
}

size_t ImageBytes(const bmp::DibLayout& layout) {
  return static_cast<size_t>(bmp::RowStride(layout.width, layout.bitCount) * layout.height);
}

bool SameFormat(const bmp::DibLayout& a, const bmp::DibLayout& b) {
  if (a.bitCount != b.bitCount || a.compression != b.compression) return false;
  if (a.compression == BI_BITFIELDS && std::memcmp(a.masks, b.masks, sizeof a.masks) != 0) return false;
  return a.colors.size() == b.colors.size() &&
         std::memcmp(a.colors.data(), b.colors.data(), a.colors.size() * sizeof(RGBQUAD)) == 0;
}

// A BITMAPINFO for the layout. Paletted formats always get a full colour table, so that
// SetDIBColorTable can later fill every entry.
std::vector<uint8_t> MakeBitmapInfo(const bmp::DibLayout& layout) {
  size_t tableEntries = layout.bitCount <= 8 ? size_t(1) << layout.bitCount : 0;
  std::vector<uint8_t> buffer(sizeof(BITMAPINFOHEADER) + std::max<size_t>(tableEntries * sizeof(RGBQUAD), 12));
  auto* info = reinterpret_cast<BITMAPINFO*>(buffer.data());
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = layout.width;
  h.biHeight = layout.height;
  h.biPlanes = 1;
  h.biBitCount = WORD(layout.bitCount);
  h.biCompression = layout.compression;
  h.biSizeImage = DWORD(ImageBytes(layout));
  if (layout.compression == BI_BITFIELDS) std::memcpy(info->bmiColors, layout.masks, sizeof layout.masks);
  if (tableEntries) {
    h.biClrUsed = DWORD(tableEntries);
    std::memcpy(info->bmiColors, layout.colors.data(),
                std::min(layout.colors.size(), tableEntries) * sizeof(RGBQUAD));
  }
  return buffer;
}

// The last large DIB section a bitmap let go of, kept for the next bitmap of the same layout:
// the first write to each page of fresh memory costs far more than clearing memory already
// mapped (a new 36 MB picture cost more to touch than to decode). One is kept at most, and
// only one without a colour table, so that its header is the layout's size and depth alone.
class TReleasedDib {
 public:
  static constexpr size_t kMinBytes = size_t{8} << 20;

  static bool Keepable(const bmp::DibLayout& layout) {
    return (layout.bitCount == 24 || layout.bitCount == 32) && layout.compression == BI_RGB &&
           layout.colors.empty() && ImageBytes(layout) >= kMinBytes;
  }
  // A kept section of the layout, cleared, or 0.
  HBITMAP Take(const bmp::DibLayout& layout, uint8_t*& bits) {
    if (!Keepable(layout)) return nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    if (!handle_ || width_ != layout.width || height_ != layout.height || bitCount_ != layout.bitCount)
      return nullptr;
    HBITMAP handle = std::exchange(handle_, nullptr);
    GdiFlush();
    std::memset(bits_, 0, ImageBytes(layout));
    bits = bits_;
    return handle;
  }
  // Keeps an unselected section of the layout (deleting the one kept before), or deletes it.
  void Release(HBITMAP handle, uint8_t* bits, const bmp::DibLayout& layout, bool deviceDependent) {
    if (!handle) return;
    if (deviceDependent || !bits || !Keepable(layout)) {
      DeleteObject(handle);
      return;
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
    bits_ = bits;
    width_ = layout.width;
    height_ = layout.height;
    bitCount_ = layout.bitCount;
  }

 private:
  std::mutex lock_;
  HBITMAP handle_ = nullptr;
  uint8_t* bits_ = nullptr;
  int width_ = 0, height_ = 0, bitCount_ = 0;
};

TReleasedDib& ReleasedDib() {
  static TReleasedDib* kept = new TReleasedDib;  // never destroyed: bitmaps may outlive statics
  return *kept;
}

// A new DIB section of the layout (zero-filled), or 0 for an empty size.
HBITMAP CreateDib(const bmp::DibLayout& layout, uint8_t*& bits) {
  bits = nullptr;
  if (layout.width <= 0 || layout.height <= 0) return nullptr;
  if (HBITMAP kept = ReleasedDib().Take(layout, bits)) return kept;
  std::vector<uint8_t> info = MakeBitmapInfo(layout);
  void* memory = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                                    &memory, nullptr, 0);
  if (!bitmap || !memory) {
    if (bitmap) DeleteObject(bitmap);
    throw EOutOfResources("Out of system resources");
  }
  bits = static_cast<uint8_t*>(memory);
  return bitmap;
}

// A memory DC with a bitmap selected for the length of a block.
class SelectedDC {
 public:
  explicit SelectedDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (!dc_) throw EOutOfResources("Out of system resources");
    old_ = SelectObject(dc_, bitmap);
  }
  ~SelectedDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  SelectedDC(const SelectedDC&) = delete;
  SelectedDC& operator=(const SelectedDC&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The layout of a DIB section, as TBitmap keeps it; false when it is none it can keep.
bool DibSectionLayout(HBITMAP bitmap, const DIBSECTION& ds, bmp::DibLayout& layout) {
  const BITMAPINFOHEADER& h = ds.dsBmih;
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
  layout = bmp::DibLayout{};
  layout.width = h.biWidth;
  layout.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  layout.bitCount = h.biBitCount;
  if (h.biCompression == BI_BITFIELDS) {
    const DWORD* m = ds.dsBitfields;
    bool plain = h.biBitCount == 16 ? (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)
                                    : (m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF);
    if (!plain) {
      layout.compression = BI_BITFIELDS;
      std::memcpy(layout.masks, m, sizeof layout.masks);
    }
  }
  if (h.biBitCount <= 8) {
    SelectedDC dc(bitmap);
    RGBQUAD table[256];
    UINT count = GetDIBColorTable(dc.dc(), 0, 1u << h.biBitCount, table);
    layout.colors.assign(table, table + count);
    if (layout.colors.empty()) layout.colors = h.biBitCount == 1 ? BlackAndWhite() : Standard16();
  }
  return true;
}

}  // namespace

// ---- TBitmapCanvas ---------------------------------------------------------------------------

// The canvas of a bitmap: a memory DC with the bitmap's DIB (and palette) selected, made on
// the first drawing call and given back whenever the bitmap replaces its DIB.
class TBitmapCanvas : public TCanvas {
  VCL_CLASS(TBitmapCanvas, TCanvas)
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  // The DC the bitmap is selected into, or 0 while the canvas has none.
  HDC Context() const { return dc_; }

  void FreeContext() {
    if (!dc_) return;
    Lock();
    SetHandle(nullptr);
    if (oldBitmap_) SelectObject(dc_, oldBitmap_);
    if (oldPalette_) SelectPalette(dc_, oldPalette_, TRUE);
    DeleteDC(dc_);
    dc_ = nullptr;
    oldBitmap_ = nullptr;
    oldPalette_ = nullptr;
    Unlock();
  }

 protected:
  void CreateHandle() override {
    bitmap_->HandleNeeded();
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) throw EOutOfResources("Out of system resources");
    if (bitmap_->handle_) oldBitmap_ = SelectObject(dc, bitmap_->handle_);
    if (HPALETTE palette = bitmap_->Palette()) {
      oldPalette_ = SelectPalette(dc, palette, TRUE);
      RealizePalette(dc);
    }
    dc_ = dc;
    SetHandle(dc);
  }

  void Changed() override {
    TCanvas::Changed();
    bitmap_->Changed(bitmap_);
  }

 private:
  TBitmap* bitmap_;
  HDC dc_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  HPALETTE oldPalette_ = nullptr;
};

// ---- TBitmap: the image ----------------------------------------------------------------------

TBitmap::TBitmap() : layout_(DeviceLayout(0, 0, false)) {}

TBitmap::~TBitmap() {
  canvas_.reset();
  ReleasedDib().Release(handle_, bits_, layout_, deviceDependent_);
  if (palette_) DeleteObject(palette_);
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

void TBitmap::FreeContext() {
  if (canvas_) canvas_->FreeContext();
}

void TBitmap::HandleNeeded() {
  if (handle_ || Empty()) return;
  uint8_t* bits;
  HBITMAP handle = CreateDib(layout_, bits);
  if (!dormant_.empty()) std::memcpy(bits, dormant_.data(), std::min(dormant_.size(), ImageBytes(layout_)));
  dormant_ = {};
  handle_ = handle;
  bits_ = bits;
}

void TBitmap::InstallImage(HBITMAP handle, uint8_t* bits, const bmp::DibLayout& layout, bool deviceDependent) {
  FreeContext();
  if (handle_ && handle_ != handle) ReleasedDib().Release(handle_, bits_, layout_, deviceDependent_);
  handle_ = handle;
  bits_ = bits;
  layout_ = layout;
  deviceDependent_ = deviceDependent;
  dormant_ = {};
}

void TBitmap::DeletePalette() {
  if (!palette_) return;
  FreeContext();
  DeleteObject(palette_);
  palette_ = nullptr;
}

void TBitmap::Reformat(const bmp::DibLayout& layout, bool deviceDependent) {
  HandleNeeded();
  FreeContext();
  uint8_t* bits;
  HBITMAP handle = CreateDib(layout, bits);
  if (handle) {
    SelectedDC dest(handle);
    const bool covered = handle_ && layout_.width >= layout.width && layout_.height >= layout.height;
    if (!covered) {
      // New area takes the canvas brush's colour, as drawing there would.
      TColor fill = canvas_ ? canvas_->Brush()->Color() : clWhite;
      HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(fill)));
      RECT all{0, 0, layout.width, layout.height};
      ::FillRect(dest.dc(), &all, brush);
      DeleteObject(brush);
    }
    if (handle_) {
      const int width = std::min(layout_.width, layout.width);
      const int height = std::min(layout_.height, layout.height);
      if (SameFormat(layout_, layout) && (layout.bitCount >= 8 || layout_.width == layout.width)) {
        // The same format: the bytes themselves, alpha and all.
        GdiFlush();
        const int64_t oldStride = bmp::RowStride(layout_.width, layout_.bitCount);
        const int64_t newStride = bmp::RowStride(layout.width, layout.bitCount);
        const size_t rowBytes = layout.bitCount >= 8 ? size_t(width) * layout.bitCount / 8 : size_t(newStride);
        for (int row = 0; row < height; ++row)
          std::memcpy(bits + (layout.height - 1 - row) * newStride, bits_ + (layout_.height - 1 - row) * oldStride,
                      rowBytes);
      } else {
        // Another format: GDI converts each pixel (the nearest colour of a colour table).
        SelectedDC source(handle_);
        BitBlt(dest.dc(), 0, 0, width, height, source.dc(), 0, 0, SRCCOPY);
        GdiFlush();
      }
    }
  }
  InstallImage(handle, bits, layout, deviceDependent);
}

void TBitmap::ReadColorTable() {
  if (!handle_ || layout_.bitCount > 8 || layout_.colors.empty()) return;
  RGBQUAD table[256];
  UINT count;
  if (canvas_ && canvas_->Context()) {
    count = GetDIBColorTable(canvas_->Context(), 0, 256, table);
  } else {
    SelectedDC dc(handle_);
    count = GetDIBColorTable(dc.dc(), 0, 256, table);
  }
  count = std::min(count, UINT(layout_.colors.size()));
  if (count == 0 || std::memcmp(table, layout_.colors.data(), count * sizeof(RGBQUAD)) == 0) return;
  std::copy_n(table, count, layout_.colors.begin());
  // A palette handed out keeps its handle and takes the new colours.
  if (palette_) {
    std::vector<PALETTEENTRY> entries;
    for (UINT i = 0; i < count; ++i) entries.push_back({table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0});
    UINT size = std::min<UINT>(GetPaletteEntries(palette_, 0, 0, nullptr), count);
    if (size) SetPaletteEntries(palette_, 0, size, entries.data());
  }
}

void TBitmap::UpdateColorTable() {
  if (!handle_ || layout_.colors.empty()) return;
  FreeContext();
  SelectedDC dc(handle_);
  SetDIBColorTable(dc.dc(), 0, UINT(layout_.colors.size()), layout_.colors.data());
}

HPALETTE SystemPalette16() {
  static const HPALETTE palette = CreatePaletteFrom(Standard16());
  return palette;
}

// ---- TBitmap: handles and formats ------------------------------------------------------------

HBITMAP TBitmap::Handle() {
  // Whoever asks for the handle may select it into a DC of their own, which fails while the
  // canvas has it; the canvas takes it again when it next draws.
  FreeContext();
  HandleNeeded();
  return handle_;
}

void TBitmap::CopyFromHandle(HBITMAP source) {
  DIBSECTION ds{};
  bmp::DibLayout layout;
  uint8_t* bits;
  if (GetObjectA(source, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits && DibSectionLayout(source, ds, layout)) {
    HBITMAP handle = CreateDib(layout, bits);
    if (handle) {
      GdiFlush();
      const size_t stride = size_t(bmp::RowStride(layout.width, layout.bitCount));
      const auto* from = static_cast<const uint8_t*>(ds.dsBm.bmBits);
      if (ds.dsBmih.biHeight > 0) {
        std::memcpy(bits, from, stride * layout.height);
      } else {
        for (int row = 0; row < layout.height; ++row)
          std::memcpy(bits + (layout.height - 1 - row) * stride, from + row * stride, stride);
      }
    }
    InstallImage(handle, bits, layout, false);
    return;
  }
  // A device bitmap: its pixels read in the device format.
  BITMAP bm{};
  if (GetObjectA(source, sizeof bm, &bm) != sizeof bm) bmp::RaiseInvalidBitmap();
  layout = DeviceLayout(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel == 1 && bm.bmPlanes == 1);
  HBITMAP handle = CreateDib(layout, bits);
  if (handle) {
    std::vector<uint8_t> info = MakeBitmapInfo(layout);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, source, 0, UINT(layout.height), bits, reinterpret_cast<BITMAPINFO*>(info.data()),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
  }
  InstallImage(handle, bits, layout, true);
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap && bitmap == handle_) return;
  DeletePalette();
  if (!bitmap) {
    InstallImage(nullptr, nullptr, DeviceLayout(0, 0, false), true);
  } else {
    DIBSECTION ds{};
    bmp::DibLayout layout;
    if (GetObjectA(bitmap, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits && ds.dsBmih.biHeight > 0 &&
        DibSectionLayout(bitmap, ds, layout)) {
      // A bottom-up DIB section is kept as it is.
      InstallImage(bitmap, static_cast<uint8_t*>(ds.dsBm.bmBits), layout, false);
    } else {
      CopyFromHandle(bitmap);
      DeleteObject(bitmap);
    }
  }
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  HandleNeeded();
  FreeContext();
  HBITMAP handle = handle_;
  handle_ = nullptr;
  bits_ = nullptr;
  DeletePalette();
  InstallImage(nullptr, nullptr, DeviceLayout(0, 0, false), true);
  Changed(this);
  return handle;
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
  if (type == HandleType()) return;
  if (type == bmDIB) {
    // The device format is already a DIB format: only the bitmap's view of it changes.
    deviceDependent_ = false;
  } else {
    if (Monochrome()) DeletePalette();
    Reformat(DeviceLayout(layout_.width, layout_.height, Monochrome()), true);
  }
  Changed(this);
}

TPixelFormat TBitmap::PixelFormat() const {
  if (deviceDependent_) return pfDevice;
  switch (layout_.bitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
      if (layout_.compression == BI_RGB) return pf15bit;
      if (layout_.masks[0] == 0xF800 && layout_.masks[1] == 0x07E0 && layout_.masks[2] == 0x001F) return pf16bit;
      return pfCustom;
    case 24: return pf24bit;
    case 32: return layout_.compression == BI_RGB ? pf32bit : pfCustom;
  }
  return pfCustom;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == PixelFormat()) return;
  if (format == pfDevice) return SetHandleType(bmDDB);
  if (format == pfCustom) throw EInvalidGraphic("Invalid pixel format");
  ReadColorTable();
  bmp::DibLayout layout;
  layout.width = layout_.width;
  layout.height = layout_.height;
  switch (format) {
    case pf1bit: layout.bitCount = 1; layout.colors = BlackAndWhite(); break;
    case pf4bit: layout.bitCount = 4; layout.colors = Standard16(); break;
    case pf8bit: layout.bitCount = 8; layout.colors = Halftone(); break;
    case pf15bit: layout.bitCount = 16; break;
    case pf16bit:
      layout.bitCount = 16;
      layout.compression = BI_BITFIELDS;
      layout.masks[0] = 0xF800;
      layout.masks[1] = 0x07E0;
      layout.masks[2] = 0x001F;
      break;
    case pf24bit: layout.bitCount = 24; break;
    default: layout.bitCount = 32; break;
  }
  // A larger colour table starts with the colours of the old one, so that every pixel keeps its
  // colour (and a caller that writes the table out writes the picture's own colours).
  if (layout.bitCount <= 8 && layout_.bitCount < layout.bitCount)
    std::copy_n(layout_.colors.begin(), std::min(layout_.colors.size(), layout.colors.size()), layout.colors.begin());
  // A colour table comes with a palette of its own; deeper formats keep the palette they had.
  if (layout.bitCount <= 8) DeletePalette();
  Reformat(layout, false);
  SetPaletteModified(Palette() != nullptr);
  Changed(this);
}

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  DeletePalette();
  Reformat(DeviceLayout(layout_.width, layout_.height, value), true);
  Changed(this);
}

HPALETTE TBitmap::Palette() {
  ReadColorTable();
  if (!palette_ && layout_.bitCount <= 8) palette_ = CreatePaletteFrom(layout_.colors);
  return palette_;
}

void TBitmap::SetPalette(HPALETTE palette) {
  if (palette == palette_) return;
  ReadColorTable();
  // The shared palette stays the program's: the bitmap takes a copy it can delete.
  if (palette && palette == SystemPalette16()) palette = CopyPaletteHandle(palette);
  DeletePalette();
  palette_ = palette;
  if (palette && layout_.bitCount <= 8) {
    std::vector<RGBQUAD> colors = PaletteColors(palette, size_t(1) << layout_.bitCount);
    if (layout_.colors.size() < colors.size()) layout_.colors.resize(colors.size());
    std::copy(colors.begin(), colors.end(), layout_.colors.begin());
    UpdateColorTable();
  }
  SetPaletteModified(true);
  Changed(this);
}

HPALETTE TBitmap::ReleasePalette() {
  HPALETTE palette = Palette();
  FreeContext();
  palette_ = nullptr;
  return palette;
}

void* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= layout_.height) throw EInvalidGraphicOperation("Scan line index out of range");
  HandleNeeded();
  GdiFlush();
  return bits_ + bmp::RowStride(layout_.width, layout_.bitCount) * (layout_.height - 1 - row);
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == layout_.width && height == layout_.height) return;
  ReadColorTable();
  bmp::DibLayout layout = layout_;
  layout.width = width;
  layout.height = height;
  Reformat(layout, deviceDependent_);
  Changed(this);
}

void TBitmap::Dormant() {
  if (!handle_) return;
  ReadColorTable();
  FreeContext();
  GdiFlush();
  dormant_.assign(bits_, bits_ + ImageBytes(layout_));
  DeleteObject(handle_);
  handle_ = nullptr;
  bits_ = nullptr;
}

// ---- TBitmap: transparency and drawing -------------------------------------------------------

TColor TBitmap::TransparentColor() {
  TColor color;
  if (transparentColor_ == clDefault)
    color = Monochrome() ? clWhite : Canvas()->Pixels(0, Height() - 1);
  else
    color = ColorToRGB(transparentColor_);
  return color | 0x02000000;
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparentColor_) return;
  transparentMode_ = color == clDefault ? tmAuto : tmFixed;
  transparentColor_ = color;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparentMode_) return;
  if (mode == tmAuto) SetTransparentColor(clDefault);
  else SetTransparentColor(TransparentColor() & 0xFFFFFF);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty()) return;
  HDC dest = canvas->Handle();
  HPALETTE oldPalette = nullptr;
  if (HPALETTE palette = Palette()) {
    oldPalette = SelectPalette(dest, palette, TRUE);
    RealizePalette(dest);
  }
  HDC source = Canvas()->Handle();
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (Transparent()) {
    GdiTransparentBlt(dest, rect.left, rect.top, width, height, source, 0, 0, Width(), Height(),
                      static_cast<UINT>(TransparentColor() & 0xFFFFFF));
  } else {
    StretchBlt(dest, rect.left, rect.top, width, height, source, 0, 0, Width(), Height(),
               static_cast<DWORD>(canvas->CopyMode()));
  }
  if (oldPalette) SelectPalette(dest, oldPalette, TRUE);
}

// ---- TBitmap: copying, streams and the clipboard ---------------------------------------------

void TBitmap::Assign(TPersistent* source) {
  if (!source) {
    SetHandle(nullptr);
    return;
  }
  auto* other = dynamic_cast<TBitmap*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  other->HandleNeeded();
  other->ReadColorTable();
  GdiFlush();
  uint8_t* bits;
  HBITMAP handle = CreateDib(other->layout_, bits);
  if (handle) std::memcpy(bits, other->bits_, ImageBytes(other->layout_));
  DeletePalette();
  InstallImage(handle, bits, other->layout_, other->deviceDependent_);
  if (other->palette_) palette_ = CopyPaletteHandle(other->palette_);
  transparent_ = other->transparent_;
  transparentColor_ = other->transparentColor_;
  transparentMode_ = other->transparentMode_;
  SetPaletteModified(Palette() != nullptr);
  Changed(this);
}

void TBitmap::LoadParsedDib(const bmp::ParsedDib& dib) {
  uint8_t* bits;
  HBITMAP handle = CreateDib(dib.layout, bits);
  try {
    bmp::DecodePixels(dib, bits);
  } catch (...) {
    DeleteObject(handle);
    throw;
  }
  DeletePalette();
  InstallImage(handle, bits, dib.layout, false);
  SetPaletteModified(Palette() != nullptr);
  Changed(this);
}

void TBitmap::LoadFromStream(TStream* stream) {
  if (stream->Size() - stream->Position() <= 0) {
    SetHandle(nullptr);
    return;
  }
  std::vector<uint8_t> file = bmp::ReadFileBytes(stream);
  LoadParsedDib(bmp::ParseFile(file));
}

void TBitmap::SaveToStream(TStream* stream) {
  HandleNeeded();
  if (Empty()) return;
  ReadColorTable();
  GdiFlush();
  bmp::WriteFile(stream, layout_, bits_);
}

void TBitmap::ReadData(TStream* stream) {
  int32_t size;
  stream->ReadBuffer(&size, sizeof size);
  if (size < 0 || size > stream->Size() - stream->Position()) bmp::RaiseInvalidBitmap();
  TMemoryStream data;
  if (size) data.CopyFrom(stream, size);
  data.SetPosition(0);
  LoadFromStream(&data);
}

void TBitmap::WriteData(TStream* stream) {
  TMemoryStream data;
  SaveToStream(&data);
  int32_t size = static_cast<int32_t>(data.Size());
  stream->WriteBuffer(&size, sizeof size);
  if (size) stream->WriteBuffer(data.Memory(), size);
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  if (format == CF_DIB) {
    const void* memory = data ? GlobalLock(data) : nullptr;
    if (!memory) bmp::RaiseInvalidBitmap();
    try {
      LoadParsedDib(bmp::ParseDib(static_cast<const uint8_t*>(memory), GlobalSize(data), 0));
    } catch (...) {
      GlobalUnlock(data);
      throw;
    }
    GlobalUnlock(data);
  } else if (format == CF_BITMAP) {
    if (!data) bmp::RaiseInvalidBitmap();
    DeletePalette();
    CopyFromHandle(static_cast<HBITMAP>(data));
    if (palette) SetPalette(CopyPaletteHandle(palette));
    Changed(this);
  } else {
    throw EInvalidGraphic("Unsupported clipboard format");
  }
}

void TBitmap::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = CF_BITMAP;
  HandleNeeded();
  ReadColorTable();
  uint8_t* bits;
  HBITMAP copy = CreateDib(layout_, bits);
  if (copy) {
    GdiFlush();
    std::memcpy(bits, bits_, ImageBytes(layout_));
  }
  data = copy;
  palette = CopyPaletteHandle(palette_);
}

HGLOBAL TBitmap::CreatePackedDib() {
  HandleNeeded();
  if (Empty()) return nullptr;
  ReadColorTable();
  GdiFlush();
  std::vector<uint8_t> dib = bmp::PackDib(layout_, bits_);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  if (!memory) throw EOutOfMemory("Out of memory");
  std::memcpy(GlobalLock(memory), dib.data(), dib.size());
  GlobalUnlock(memory);
  return memory;
}

}  // namespace vcl
