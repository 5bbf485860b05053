#include "vcl/graphics/imagelist.h"

#include <objbase.h>

#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/classes/filer.h"
#include "vcl/graphics/icon.h"
#include "vcl/runtime/streams.h"
#include "vcl/classes/typeinfo.h"

// The image-list stream functions; commctrl.h declares them only when it sees IStream first,
// which it does not through vcl/runtime/win.h.
extern "C" {
WINCOMMCTRLAPI HIMAGELIST WINAPI ImageList_Read(IStream* stream);
WINCOMMCTRLAPI BOOL WINAPI ImageList_Write(HIMAGELIST imageList, IStream* stream);
}

namespace vcl {

namespace {

constexpr DWORD kRopDSPDxax = 0x00E20746;  // the brush where the source is white, else the destination

const UINT kDrawingStyles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
const UINT kImageTypes[] = {0, ILD_MASK};

COLORREF ImageListColor(TColor color) {
  if (color == clNone) return CLR_NONE;
  if (color == clDefault) return CLR_DEFAULT;
  return static_cast<COLORREF>(ColorToRGB(color));
}

TColor ColorOfImageList(COLORREF color) {
  if (color == CLR_NONE) return clNone;
  if (color == CLR_DEFAULT) return clDefault;
  return static_cast<TColor>(color);
}

// Paints `ink` (a 1-bit bitmap: 1 where the image has something) in a brush colour.
void PaintInk(HDC dest, int x, int y, TBitmap& ink, TColor color) {
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color)));
  HGDIOBJ oldBrush = SelectObject(dest, brush);
  BitBlt(dest, x, y, ink.Width(), ink.Height(), ink.Canvas()->Handle(), 0, 0, kRopDSPDxax);
  SelectObject(dest, oldBrush);
  DeleteObject(brush);
}

}  // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {}

TCustomImageList::~TCustomImageList() { FreeHandle(); }

TImageList::~TImageList() = default;

// ---- the image list ----------------------------------------------------------------------------

void TCustomImageList::CreateImageList() {
  UINT flags = ILC_COLOR32 | (masked_ ? ILC_MASK : 0);
  handle_ = ImageList_Create(width_, height_, flags, 0, allocBy_);
  if (!handle_) throw EInvalidOperation("Invalid ImageList");
  ImageList_SetBkColor(handle_, ImageListColor(bkColor_));
}

HIMAGELIST TCustomImageList::Handle() {
  if (!handle_) CreateImageList();
  return handle_;
}

void TCustomImageList::FreeHandle() {
  if (handle_ && !shareImages_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void TCustomImageList::SetHandle(HIMAGELIST handle) {
  FreeHandle();
  handle_ = handle;
  if (handle_) {
    int cx = width_, cy = height_;
    ImageList_GetIconSize(handle_, &cx, &cy);
    width_ = cx;
    height_ = cy;
    bkColor_ = ColorOfImageList(ImageList_GetBkColor(handle_));
  }
  Change();
}

void TCustomImageList::RecreateHandle() {
  if (!handle_) return;
  FreeHandle();
  CreateImageList();
  Change();
}

void TCustomImageList::SetWidth(int width) {
  if (width == width_ || width <= 0) return;
  width_ = width;
  RecreateHandle();
}

void TCustomImageList::SetHeight(int height) {
  if (height == height_ || height <= 0) return;
  height_ = height;
  RecreateHandle();
}

void TCustomImageList::SetMasked(bool value) {
  if (value == masked_) return;
  masked_ = value;
  RecreateHandle();
}

void TCustomImageList::SetBkColor(TColor color) {
  bkColor_ = color;
  if (handle_) ImageList_SetBkColor(handle_, ImageListColor(color));
  Change();
}

void TCustomImageList::SetBlendColor(TColor color) {
  if (color == blendColor_) return;
  blendColor_ = color;
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle style) {
  if (style == drawingStyle_) return;
  drawingStyle_ = style;
  Change();
}

void TCustomImageList::SetImageType(TImageType type) {
  if (type == imageType_) return;
  imageType_ = type;
  Change();
}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
}

void TCustomImageList::Assign(TPersistent* source) {
  if (!source) {
    FreeHandle();
    Change();
    return;
  }
  auto* other = dynamic_cast<TCustomImageList*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  FreeHandle();
  width_ = other->width_;
  height_ = other->height_;
  masked_ = other->masked_;
  allocBy_ = other->allocBy_;
  bkColor_ = other->bkColor_;
  blendColor_ = other->blendColor_;
  drawingStyle_ = other->drawingStyle_;
  imageType_ = other->imageType_;
  // The images are copied, so this list owns its own whatever the other shares.
  shareImages_ = false;
  if (other->handle_) handle_ = ImageList_Duplicate(other->handle_);
  Change();
}

// ---- images ------------------------------------------------------------------------------------

void TCustomImageList::CheckImage(TBitmap* image) const {
  if (image && (image->Width() < width_ || image->Height() < height_))
    throw EInvalidOperation("Invalid image size");
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  CheckImage(image);
  CheckImage(mask);
  int index = ImageList_Add(Handle(), image ? image->Handle() : nullptr, mask ? mask->Handle() : nullptr);
  Change();
  return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  CheckImage(image);
  int index;
  if (masked_ && maskColor != clNone)
    index = ImageList_AddMasked(Handle(), image ? image->Handle() : nullptr, ImageListColor(maskColor));
  else
    index = ImageList_Add(Handle(), image ? image->Handle() : nullptr, nullptr);
  Change();
  return index;
}

int TCustomImageList::AddIcon(TIcon* image) {
  int index = ImageList_ReplaceIcon(Handle(), -1, image ? image->Handle() : nullptr);
  Change();
  return index;
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  CheckImage(image);
  CheckImage(mask);
  if (index < 0 || index >= Count() ||
      !ImageList_Replace(Handle(), index, image ? image->Handle() : nullptr, mask ? mask->Handle() : nullptr))
    throw EInvalidOperation("Unable to Replace Image");
  Change();
}

void TCustomImageList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
  ImageList_Remove(handle_, index);
  Change();
}

void TCustomImageList::Clear() {
  if (handle_) ImageList_Remove(handle_, -1);
  Change();
}

int TCustomImageList::Count() const { return handle_ ? ImageList_GetImageCount(handle_) : 0; }

// ---- drawing -----------------------------------------------------------------------------------

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  Draw(canvas, x, y, index, drawingStyle_, imageType_, enabled);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle drawingStyle,
                            TImageType imageType, bool enabled) {
  if (handle_) DoDraw(index, canvas, x, y, kDrawingStyles[drawingStyle] | kImageTypes[imageType], enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas* canvas, int x, int y, UINT style, bool enabled) {
  if (enabled) {
    ImageList_DrawEx(handle_, index, canvas->Handle(), x, y, 0, 0, ImageListColor(bkColor_),
                     ImageListColor(blendColor_), style);
    return;
  }
  // Disabled: every pixel of the image that is not the white background becomes ink, drawn
  // in the highlight colour one pixel down and right, then in the shadow colour on top.
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetSize(width_, height_);
  ImageList_DrawEx(handle_, index, image.Canvas()->Handle(), 0, 0, 0, 0, CLR_DEFAULT, 0, ILD_NORMAL);
  TBitmap ink;
  ink.SetPixelFormat(pf1bit);
  ink.SetSize(width_, height_);
  for (int row = 0; row < height_; ++row) {
    const auto* pixels = static_cast<const uint8_t*>(image.ScanLine(row));
    auto* bits = static_cast<uint8_t*>(ink.ScanLine(row));
    for (int x0 = 0; x0 < width_; ++x0) {
      const uint8_t* p = pixels + 3 * x0;
      uint8_t bit = uint8_t(0x80 >> (x0 % 8));
      if (p[0] != 0xFF || p[1] != 0xFF || p[2] != 0xFF) bits[x0 / 8] |= bit;
      else bits[x0 / 8] &= uint8_t(~bit);
    }
  }
  HDC dest = canvas->Handle();
  PaintInk(dest, x + 1, y + 1, ink, clBtnHighlight);
  PaintInk(dest, x, y, ink, clBtnShadow);
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) {
  if (!image || !handle_ || index < 0 || index >= Count()) return false;
  image->SetSize(width_, height_);
  Draw(image->Canvas(), 0, 0, index);
  return true;
}

void TCustomImageList::GetIcon(int index, TIcon* image) { GetIcon(index, image, drawingStyle_, imageType_); }

void TCustomImageList::GetIcon(int index, TIcon* image, TDrawingStyle drawingStyle, TImageType imageType) {
  if (image && handle_)
    image->SetHandle(ImageList_GetIcon(handle_, index, kDrawingStyles[drawingStyle] | kImageTypes[imageType]));
}

// ---- form data ---------------------------------------------------------------------------------

void TCustomImageList::DefineProperties(TFiler* filer) {
  inherited::DefineProperties(filer);
  filer->DefineBinaryProperty(
      "Bitmap", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
      Count() > 0);
}

void TCustomImageList::ReadData(TStream* stream) {
  const int64_t size = stream->Size() - stream->Position();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size_t(size > 0 ? size : 1));
  if (!memory) throw EOutOfMemory("Out of memory");
  if (size > 0) {
    void* p = GlobalLock(memory);
    int32_t got = stream->Read(p, int32_t(size));
    GlobalUnlock(memory);
    if (got != size) {
      GlobalFree(memory);
      throw EReadError("Failed to read ImageList data from stream");
    }
  }
  IStream* com = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &com))) {
    GlobalFree(memory);
    throw EReadError("Failed to read ImageList data from stream");
  }
  HIMAGELIST read = ImageList_Read(com);
  com->Release();
  if (!read) throw EReadError("Failed to read ImageList data from stream");
  bool shared = shareImages_;
  shareImages_ = false;  // the list read is this object's own
  SetHandle(read);
  shareImages_ = shared;
}

void TCustomImageList::WriteData(TStream* stream) {
  IStream* com = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &com))) throw EWriteError("Failed to write ImageList data to stream");
  bool written = ImageList_Write(Handle(), com);
  HGLOBAL memory = nullptr;
  STATSTG stat{};
  if (written) written = SUCCEEDED(GetHGlobalFromStream(com, &memory)) && SUCCEEDED(com->Stat(&stat, STATFLAG_NONAME));
  if (written) {
    const void* p = GlobalLock(memory);
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    com->Release();
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), int32_t(bytes.size()));
    return;
  }
  com->Release();
  throw EWriteError("Failed to write ImageList data to stream");
}

// ---- published properties ----------------------------------------------------------------------

VCL_PUBLISHED(TImageList, p) {
  p.Integer("AllocBy", &TImageList::AllocBy, &TImageList::SetAllocBy, 4)
      .Integer("BlendColor", &TImageList::BlendColor, &TImageList::SetBlendColor, clNone)
      .Idents(ColorToIdent, IdentToColor)
      .Integer("BkColor", &TImageList::BkColor, &TImageList::SetBkColor, clNone)
      .Idents(ColorToIdent, IdentToColor)
      .Enum("DrawingStyle", &TImageList::DrawingStyle, &TImageList::SetDrawingStyle,
            {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"}, dsNormal)
      .Integer("Height", &TImageList::Height, &TImageList::SetHeight, 16)
      .Enum("ImageType", &TImageList::ImageType, &TImageList::SetImageType, {"itImage", "itMask"}, itImage)
      .Bool("Masked", &TImageList::Masked, &TImageList::SetMasked, true)
      .Bool("ShareImages", &TImageList::ShareImages, &TImageList::SetShareImages, false)
      .Integer("Width", &TImageList::Width, &TImageList::SetWidth, 16)
      .Event("OnChange", &TImageList::OnChange);
}

}  // namespace vcl
