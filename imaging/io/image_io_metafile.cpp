// TImageIO's metafile import: a WMF or EMF is played through the graphics layer's metafile onto
// a 24-bit DIB at the size asked for; optionally what it leaves untouched becomes transparent.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "imaging/base/wide_file.h"
#include "imaging/io/image_io.h"
#include "imaging/model/dib_bitmap.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_settings.h"
#include "vcl/graphics/metafile.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

// A colour no drawing is likely to use: pixels still holding it after a second playback were
// not drawn on.
constexpr COLORREF kKeyColour = RGB(3, 2, 1);

// Fills the DIB with `colour` and plays the metafile over all of it.
void Play(TIEDibbitmap& dib, vcl::TMetafile& metafile, COLORREF colour) {
  const RECT rect{0, 0, dib.GetWidth(), dib.GetHeight()};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dib.DC(), &rect, brush);
  DeleteObject(brush);
  PlayEnhMetaFile(dib.DC(), metafile.Handle(), &rect);
  GdiFlush();
}

// The size to render at: as asked, one side following the other's ratio (-1), or the
// metafile's own; each side at least 1 and at most the limit, the ratio kept when limited.
// 64-bit arithmetic: sizes of a large metafile times the limit overflow 32 bits.
void RenderSize(int64_t metafileWidth, int64_t metafileHeight, int32_t width, int32_t height, int32_t& outWidth,
                int32_t& outHeight) {
  int64_t w = metafileWidth, h = metafileHeight;
  if (width >= 1 && height >= 1) {
    w = width;
    h = height;
  } else if (width < 0 && height > 0) {
    w = height * metafileWidth / metafileHeight;
    h = height;
  } else if (height < 0 && width > 0) {
    h = metafileHeight * width / metafileWidth;
    w = width;
  }
  const int64_t limit = std::max<int32_t>(IEMetafileMaxSize, 1);
  if (w > limit || h > limit) {
    if (w < h) {
      w = w * limit / h;
      h = limit;
    } else {
      h = h * limit / w;
      w = limit;
    }
  }
  outWidth = static_cast<int32_t>(std::clamp<int64_t>(w, 1, limit));
  outHeight = static_cast<int32_t>(std::clamp<int64_t>(h, 1, limit));
}

}  // namespace

void TImageIO::RenderMetafile(vcl::TMetafile& metafile, int32_t width, int32_t height, bool withAlpha) {
  SetAborting(false);
  if (metafile.Empty() || metafile.Width() <= 0 || metafile.Height() <= 0) {
    SetAborting(true);
    return;
  }
  if (width == 0 || height == 0 || !CheckBitmap()) return;
  int32_t w = 0, h = 0;
  RenderSize(metafile.Width(), metafile.Height(), width, height, w, h);
  TIEDibbitmap dib;
  if (!dib.AllocateDIB(w, h, 24)) {
    SetAborting(true);
    return;
  }
  Play(dib, metafile, vcl::ColorToRGB(GetBackground()));
  // The mask of what was drawn, from a second playback over the key colour.
  std::unique_ptr<TIEBitmap> alpha;
  if (withAlpha) {
    TIEDibbitmap keyed;
    if (!keyed.AllocateDIB(w, h, 24)) {
      SetAborting(true);
      return;
    }
    Play(keyed, metafile, kKeyColour);
    alpha = TIEBitmap::CreateAlphaChannel(w, h, ieMemory);
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(keyed.GetScanline(y));
      uint8_t* out = static_cast<uint8_t*>(alpha->GetScanline(y));
      for (int32_t x = 0; x < w; ++x, row += 3)
        out[x] = row[0] == 1 && row[1] == 2 && row[2] == 3 ? 0 : 255;
    }
    alpha->SetIsAlphaChannel(true);
  }
  params_->ResetInfo();
  TIOParamsVals& p = *params_;
  p.FileName.clear();
  p.FileType = metafile.Enhanced() ? 10 : 9;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  p.Width = p.StoredWidth = w;
  p.Height = p.StoredHeight = h;
  p.DpiX = IEDefaultDpiX;
  p.DpiY = IEDefaultDpiY;
  p.FreeColorMap();
  ieBitmap_->CopyFromDIB(&dib);
  ieBitmap_->RemoveAlphaChannel(false, 0);
  if (alpha) {
    ieBitmap_->AttachAlphaChannel(std::move(alpha));
    ieBitmap_->AlphaChannel()->UpdateFullFlag();
  }
  UpdateViewDPI(p.DpiX, p.DpiY);
  UpdateAttached();
}

namespace {

// Reads `count` bytes at the position into a zeroed buffer and goes back; false when fewer were
// there.
bool PeekBytes(vcl::TStream* stream, uint8_t* buffer, int32_t count) {
  const int64_t start = stream->Position();
  std::fill(buffer, buffer + count, 0);
  const bool complete = stream->Read(buffer, count) == count;
  stream->SetPosition(start);
  return complete;
}

}  // namespace

bool TImageIO::IsWMFStream(vcl::TStream* stream) {
  uint8_t head[18];
  if (!PeekBytes(stream, head, sizeof head)) return false;
  if (vcl::le::U32(head) == 0x9AC6CDD7u) return true;
  // A plain metafile header: in memory (1) or on disk (2), nine words long, version 1 or 3.
  const uint16_t type = vcl::le::U16(head), size = vcl::le::U16(head + 2), version = vcl::le::U16(head + 4);
  return (type == 1 || type == 2) && size == 9 && (version == 0x0100 || version == 0x0300);
}

bool TImageIO::IsEMFStream(vcl::TStream* stream) {
  uint8_t head[44];
  if (!PeekBytes(stream, head, sizeof head)) return false;
  return vcl::le::U32(head) == 1 && vcl::le::U32(head + 40) == 0x464D4520u;
}

void TImageIO::ReadMetafileParams(vcl::TStream* stream) {
  vcl::TMetafile metafile;
  metafile.LoadFromStream(stream);
  TIOParamsVals& p = *params_;
  p.FileName.clear();
  p.FileType = metafile.Enhanced() ? 10 : 9;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  p.Width = p.StoredWidth = metafile.Width();
  p.Height = p.StoredHeight = metafile.Height();
  p.DpiX = p.DpiY = 300;
  p.FreeColorMap();
}

void TImageIO::ImportMetafileFromFile(const std::u16string& name, int32_t width, int32_t height, bool withAlpha) {
  if (HandToWorker([this, name, width, height, withAlpha] { ImportMetafileFromFile(name, width, height, withAlpha); }))
    return;
  try {
    SetAborting(true);
    TIEWideFileStream file(name, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    vcl::TMetafile metafile;
    metafile.LoadFromStream(&file);
    RenderMetafile(metafile, width, height, withAlpha);
    if (!Aborting()) params_->FileName = name;
  } catch (...) {
    SetAborting(true);
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TImageIO::ImportMetafileFromStream(vcl::TStream* stream, int32_t width, int32_t height, bool withAlpha) {
  try {
    SetAborting(true);
    vcl::TMetafile metafile;
    metafile.LoadFromStream(stream);
    RenderMetafile(metafile, width, height, withAlpha);
  } catch (...) {
    SetAborting(true);
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

}  // namespace imaging
