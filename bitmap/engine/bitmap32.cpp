#include "bitmap/engine/bitmap32.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "bitmap/engine/parallel_rows.h"
#include "bitmap/engine/pixel_combine_method.h"
#include "bitmap/engine/transfer.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/clipboard.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/graphic.h"
#include "vcl/graphics/picture.h"
#include "vcl/classes/typeinfo.h"

namespace bitmap {

namespace {
// Ends an update bracket on every exit; the change itself is signalled only after success.
class UpdateBracket {
 public:
  explicit UpdateBracket(TThreadPersistent* target) : target_(target) { target_->BeginUpdate(); }
  ~UpdateBracket() { target_->EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  TThreadPersistent* target_;
};

// The largest pixel array the platform's bitmap header can describe (its size field).
constexpr int64_t kMaxStorageBytes = std::numeric_limits<int32_t>::max();
}  // namespace

TBitmap32::TBitmap32() {
  BITMAPINFOHEADER& header = bitmapInfo_.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
}

TBitmap32::~TBitmap32() {
  BeginUpdate();  // no change signals while dying
  Lock();
  try {
    SetSize(0, 0);
  } catch (...) {
    // An event handler failed while the bitmap was released; the storage is gone either way.
  }
  Unlock();
}

bool TBitmap32::IsEmpty() const { return handle_ == nullptr || Width() == 0 || Height() == 0; }

void TBitmap32::ReleaseStorage() {
  if (dc_) DeleteDC(dc_);
  if (handle_) DeleteObject(handle_);
  dc_ = nullptr;
  handle_ = nullptr;
  bits_ = nullptr;
}

void TBitmap32::ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth,
                              int32_t newHeight) {
  try {
    ReleaseStorage();
    width = 0;
    height = 0;
    if (newWidth > 0 && newHeight > 0) {
      if (int64_t(newWidth) * newHeight * 4 > kMaxStorageBytes)
        throw vcl::Exception("Can't allocate the DIB handle");
      bitmapInfo_.bmiHeader.biWidth = newWidth;
      bitmapInfo_.bmiHeader.biHeight = -newHeight;  // rows top-down
      void* bits = nullptr;
      handle_ = CreateDIBSection(nullptr, &bitmapInfo_, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (!bits) {
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
        throw vcl::Exception("Can't allocate the DIB handle");
      }
      bits_ = static_cast<TColor32*>(bits);
      dc_ = CreateCompatibleDC(nullptr);
      if (!dc_) {
        ReleaseStorage();
        throw vcl::Exception("Can't create compatible DC");
      }
      if (!SelectObject(dc_, handle_)) {
        ReleaseStorage();
        throw vcl::Exception("Can't select an object into DC");
      }
    }
    width = newWidth;
    height = newHeight;
  } catch (...) {
    NotifyHandleChanged();
    throw;
  }
  NotifyHandleChanged();
}

void TBitmap32::NotifyHandleChanged() {
  if (OnHandleChanged) OnHandleChanged(this);
}

void TBitmap32::AssignFromPlatformBitmap(vcl::TBitmap* platformBitmap) {
  SetSize(platformBitmap->Width(), platformBitmap->Height());
  if (IsEmpty()) return;
  if (platformBitmap->PixelFormat() == vcl::pf24bit) {
    // The commonest case (every photograph a reader loads) is widened here, on the workers:
    // the platform converts it pixel by pixel on one thread, several times slower. The
    // result is the platform's copy with the alpha reset to opaque.
    std::vector<const uint8_t*> rows(static_cast<size_t>(Height()));
    for (int32_t y = 0; y < Height(); ++y) rows[y] = static_cast<const uint8_t*>(platformBitmap->ScanLine(y));
    GdiFlush();
    const int32_t width = Width();
    ParallelRows(Height(), [&](int32_t first, int32_t end) {
      for (int32_t y = first; y < end; ++y) {
        const uint8_t* from = rows[y];
        TColor32* to = ScanLine(y);
        for (int32_t x = 0; x < width; ++x, from += 3)
          to[x] = 0xFF000000u | TColor32(from[2]) << 16 | TColor32(from[1]) << 8 | from[0];
      }
    });
    return;
  }
  BitBlt(dc_, 0, 0, Width(), Height(), platformBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  GdiFlush();
  if (platformBitmap->PixelFormat() != vcl::pf32bit) ResetAlpha();
}

void TBitmap32::AssignByDrawing(vcl::TGraphic* graphic, int32_t width, int32_t height) {
  SetSize(width, height);
  if (IsEmpty()) return;
  vcl::TCanvas canvas;
  canvas.SetHandle(dc_);
  try {
    canvas.StretchDraw(vcl::TRect{0, 0, Width(), Height()}, graphic);
  } catch (...) {
    canvas.SetHandle(nullptr);
    throw;
  }
  canvas.SetHandle(nullptr);
  GdiFlush();
  ResetAlpha();
}

void TBitmap32::LoadFromFile(const std::string& fileName) {
  vcl::TPicture picture;
  picture.LoadFromFile(fileName);
  Assign(&picture);
}

void TBitmap32::Assign(vcl::TPersistent* source) {
  // One change is signalled whatever happens: a copy that fails may already have resized or
  // partly drawn the bitmap, and whoever shows it must look again.
  BeginUpdate();
  try {
    AssignFrom(source);
  } catch (...) {
    EndUpdate();
    Changed();
    throw;
  }
  EndUpdate();
  Changed();
}

void TBitmap32::AssignFrom(vcl::TPersistent* source) {
  auto* bitmap32 = dynamic_cast<TBitmap32*>(source);
  auto* graphic = dynamic_cast<vcl::TGraphic*>(source);
  auto* picture = dynamic_cast<vcl::TPicture*>(source);
  auto* clipboard = dynamic_cast<vcl::TClipboard*>(source);
  if (!source) {
    SetSize(0, 0);
  } else if (picture) {
    if (auto* platformBitmap = dynamic_cast<vcl::TBitmap*>(picture->Graphic()))
      AssignFromPlatformBitmap(platformBitmap);
    else if (picture->Graphic())
      AssignByDrawing(picture->Graphic(), picture->Width(), picture->Height());
    else
      SetSize(0, 0);
  } else if (clipboard) {
    vcl::TPicture clipped;
    clipped.Assign(clipboard);
    if (clipped.Graphic())
      AssignByDrawing(clipped.Graphic(), clipped.Width(), clipped.Height());
    else
      SetSize(0, 0);
  } else if (bitmap32) {
    SetSize(bitmap32->Width(), bitmap32->Height());
    if (!IsEmpty()) {
      GdiFlush();  // the source's platform drawing must have reached its pixels
      if (bitmap32->bits_ != bits_)
        ParallelCopy(bits_, bitmap32->bits_, size_t(Width()) * size_t(Height()) * sizeof(TColor32));
      drawMode_ = bitmap32->drawMode_;
      masterAlpha_ = bitmap32->masterAlpha_;
      outerColor_ = bitmap32->outerColor_;
      stretchFilter_ = bitmap32->stretchFilter_;
    }
  } else if (auto* platformBitmap = dynamic_cast<vcl::TBitmap*>(graphic)) {
    AssignFromPlatformBitmap(platformBitmap);
  } else if (graphic) {
    AssignByDrawing(graphic, graphic->Width(), graphic->Height());
  } else {
    inherited::Assign(source);  // the source may know how to copy itself here
  }
}

void TBitmap32::AssignTo(vcl::TPersistent* dest) {
  if (auto* picture = dynamic_cast<vcl::TPicture*>(dest)) {
    AssignToPlatformBitmap(picture->Bitmap());
  } else if (auto* platformBitmap = dynamic_cast<vcl::TBitmap*>(dest)) {
    AssignToPlatformBitmap(platformBitmap);
  } else if (auto* clipboard = dynamic_cast<vcl::TClipboard*>(dest)) {
    vcl::TBitmap platformCopy;
    AssignToPlatformBitmap(&platformCopy);
    clipboard->Assign(&platformCopy);
  } else {
    inherited::AssignTo(dest);
  }
}

void TBitmap32::AssignToPlatformBitmap(vcl::TBitmap* platformBitmap) {
  platformBitmap->SetHandleType(vcl::bmDIB);
  platformBitmap->SetPixelFormat(vcl::pf32bit);
  platformBitmap->SetSize(Width(), Height());
  if (IsEmpty()) return;
  GdiFlush();
  // Both are 32-bit pixels in the same order: the rows are copied as they are (the platform's
  // bitmap stores them bottom-up), in bands on the worker threads for a large picture.
  const int32_t w = Width();
  auto* top = static_cast<uint8_t*>(platformBitmap->ScanLine(0));
  const ptrdiff_t step = Height() > 1 ? static_cast<uint8_t*>(platformBitmap->ScanLine(1)) - top : 0;
  auto band = [&](int32_t first, int32_t end) {
    for (int32_t y = first; y < end; ++y) std::memcpy(top + step * y, ScanLine(y), size_t(w) * sizeof(TColor32));
  };
  if (int64_t(w) * Height() > kParallelBlockPixels)
    ParallelRows(Height(), band);
  else
    band(0, Height());
}

bool TBitmap32::EqualContent(const TBitmap32& other) const {
  if (IsEmpty() || other.IsEmpty()) return IsEmpty() && other.IsEmpty();
  // Two 32-bit bitmaps of one size serialise to the same bytes exactly when their pixels match.
  if (ClassType() != other.ClassType() || Width() != other.Width() || Height() != other.Height())
    return false;
  GdiFlush();
  return std::memcmp(bits_, other.bits_, size_t(Width()) * size_t(Height()) * sizeof(TColor32)) == 0;
}

void TBitmap32::DefineProperties(vcl::TFiler* filer) {
  inherited::DefineProperties(filer);
  bool hasData;
  if (vcl::TPersistent* ancestor = filer->Ancestor()) {
    auto* ancestorBitmap = dynamic_cast<TBitmap32*>(ancestor);
    hasData = !ancestorBitmap || !EqualContent(*ancestorBitmap);
  } else {
    hasData = !IsEmpty();
  }
  filer->DefineBinaryProperty(
      "Data", [this](vcl::TStream* stream) { ReadData(stream); },
      [this](vcl::TStream* stream) { WriteData(stream); }, hasData);
}

TColor32 TBitmap32::GetPixelSafe(int32_t x, int32_t y) const {
  if (bits_ && x >= 0 && x < Width() && y >= 0 && y < Height()) return *PixelPtr(x, y);
  return outerColor_;
}

void TBitmap32::FillColor(TColor32 value) {
  if (IsEmpty()) return;
  GdiFlush();
  FillRun(bits_, Width() * Height(), value);
  Changed();
}

void TBitmap32::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
  if (!IsEmpty()) {
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, Width());
    y2 = std::min(y2, Height());
    if (x1 < x2) {
      GdiFlush();
      for (int32_t y = y1; y < y2; ++y) FillRun(PixelPtr(x1, y), x2 - x1, value);
    }
  }
  Changed();
}

void TBitmap32::FillRectClipped(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
  if (x1 >= x2 || y1 >= y2 || x1 >= Width() || y1 >= Height() || x2 <= 0 || y2 <= 0) return;
  FillRect(std::max(x1, 0), std::max(y1, 0), std::min(x2, Width()), std::min(y2, Height()), value);
}

void TBitmap32::ResetAlpha() {
  if (!IsEmpty()) {
    GdiFlush();
    TColor32* p = bits_;
    for (int32_t i = Width() * Height(); i > 0; --i, ++p) *p |= 0xFF000000u;
  }
  Changed();
}

void TBitmap32::DrawToDC(HDC dc, int32_t x, int32_t y) const {
  if (IsEmpty()) return;
  StretchDIBits(dc, x, y, Width(), Height(), 0, 0, Width(), Height(), bits_, &bitmapInfo_,
                DIB_RGB_COLORS, SRCCOPY);
}

void TBitmap32::DrawToRect(TBitmap32* dst, const TRect& dstRect) {
  if (IsEmpty() || !dst || dst->IsEmpty()) return;
  GdiFlush();
  TransferRect(dst, dstRect, dst->BoundsRect(), this, BoundsRect(), stretchFilter_, drawMode_,
               OnPixelCombine);
  dst->Changed();
}

void TBitmap32::FlipHorizontal(TBitmap32* dst) {
  const int32_t w = Width(), h = Height();
  GdiFlush();
  if (!dst || dst == this) {
    for (int32_t y = 0; y < h && bits_; ++y) std::reverse(ScanLine(y), ScanLine(y) + w);
    Changed();
    return;
  }
  {
    UpdateBracket update(dst);
    dst->SetSize(w, h);
    for (int32_t y = 0; y < h && bits_ && dst->bits_; ++y)
      std::reverse_copy(ScanLine(y), ScanLine(y) + w, dst->ScanLine(y));
  }
  dst->Changed();
}

void TBitmap32::FlipVertical(TBitmap32* dst) {
  const int32_t w = Width(), h = Height();
  GdiFlush();
  if (!dst || dst == this) {
    if (bits_) {
      std::vector<TColor32> row(static_cast<size_t>(w));
      for (int32_t y = 0; y < h / 2; ++y) {
        MoveRun(ScanLine(y), row.data(), w);
        MoveRun(ScanLine(h - 1 - y), ScanLine(y), w);
        MoveRun(row.data(), ScanLine(h - 1 - y), w);
      }
    }
    Changed();
    return;
  }
  dst->SetSize(w, h);  // not bracketed: dst signals the resize too
  for (int32_t y = 0; y < h && bits_ && dst->bits_; ++y)
    MoveRun(ScanLine(y), dst->ScanLine(h - 1 - y), w);
  dst->Changed();
}

void TBitmap32::Rotate90(TBitmap32* dst) {
  // Rotating into itself would free the pixels it reads; it means in place.
  if (dst == this) dst = nullptr;
  const int32_t w = Width(), h = Height();
  GdiFlush();
  auto rotateInto = [&](TBitmap32& target) {
    target.SetSize(h, w);
    if (!bits_ || !target.bits_) return;
    for (int32_t y = 0; y < h; ++y) {
      const TColor32* row = ScanLine(y);
      TColor32* column = target.bits_ + (h - 1 - y);
      for (int32_t x = 0; x < w; ++x) column[int64_t(x) * h] = row[x];
    }
  };
  if (dst) {
    {
      UpdateBracket update(dst);
      rotateInto(*dst);
    }
    dst->Changed();
    return;
  }
  TBitmap32 temp;
  rotateInto(temp);
  temp.drawMode_ = drawMode_;
  temp.stretchFilter_ = stretchFilter_;
  temp.masterAlpha_ = masterAlpha_;
  temp.outerColor_ = outerColor_;
  Assign(&temp);
}

void TBitmap32::SetDrawMode(TDrawMode value) {
  if (value == drawMode_) return;
  drawMode_ = value;
  Changed();
}

void TBitmap32::SetMasterAlpha(uint32_t value) {
  if (value == masterAlpha_) return;
  masterAlpha_ = value;
  Changed();
}

void TBitmap32::SetStretchFilter(TStretchFilter value) {
  if (value == stretchFilter_) return;
  stretchFilter_ = value;
  Changed();
}

void TBitmap32::ReadData(vcl::TStream* stream) {
  try {
    int32_t size[2];
    stream->ReadBuffer(size, sizeof size);
    // The size comes from a file: it must not promise more pixels than the stream holds, or a
    // corrupt header would make a huge bitmap before the read fails.
    if (size[0] > 0 && size[1] > 0 &&
        int64_t(size[0]) * size[1] > (stream->Size() - stream->Position()) / 4)
      throw vcl::EReadError("Stream read error");
    SetSize(size[0], size[1]);
    if (!IsEmpty()) stream->ReadBuffer(bits_, Width() * Height() * int32_t(sizeof(TColor32)));
  } catch (...) {
    Changed();
    throw;
  }
  Changed();
}

void TBitmap32::WriteData(vcl::TStream* stream) const {
  const int32_t size[2] = {Width(), Height()};
  stream->WriteBuffer(size, sizeof size);
  if (!IsEmpty()) {
    GdiFlush();
    stream->WriteBuffer(bits_, Width() * Height() * int32_t(sizeof(TColor32)));
  }
}

VCL_PUBLISHED(TBitmap32, p) {
  p.Enum("DrawMode", &TBitmap32::DrawMode, &TBitmap32::SetDrawMode,
         {"dmOpaque", "dmBlend", "dmCustom"}, dmOpaque)
      .Integer("MasterAlpha", &TBitmap32::MasterAlpha, &TBitmap32::SetMasterAlpha, 255)
      .Integer("OuterColor", &TBitmap32::OuterColor, &TBitmap32::SetOuterColor, 0)
      .Enum("StretchFilter", &TBitmap32::StretchFilter, &TBitmap32::SetStretchFilter,
            {"sfNearest", "sfLinear", "sfSpline", "sfLanczos", "sfMitchell"}, sfNearest)
      .Event("OnChange", &TBitmap32::OnChange)
      .Event("OnHandleChanged", &TBitmap32::OnHandleChanged);
  // The combiner is a method pointer of its own, which the registry's events do not hold.
  PublishPixelCombineEvent(TBitmap32::StaticClass(), "OnPixelCombine", [](vcl::TObject* o) -> TPixelCombineEvent& {
    return static_cast<TBitmap32*>(o)->OnPixelCombine;
  });
  p.Event("OnResize", &TBitmap32::OnResize);
}

}  // namespace bitmap
