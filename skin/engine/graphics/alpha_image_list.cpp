#include "skin/engine/graphics/alpha_image_list.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "skin/engine/png/png_drawing.h"
#include "skin/engine/png/png_graphic.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/icon.h"
#include "vcl/runtime/exceptions.h"

namespace skin {

namespace {

// Clears a flag on every way out, exceptions included.
struct GuardScope {
  bool& flag;
  explicit GuardScope(bool& f) : flag(f) { flag = true; }
  ~GuardScope() { flag = false; }
};

// The colour bitmap of an icon as top-down 32-bit pixels of `width` x `height`; empty when the
// icon has none.
std::vector<uint32_t> IconPixels(HICON icon, int width, int height, HBITMAP* maskOut = nullptr) {
  std::vector<uint32_t> pixels;
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return pixels;
  if (info.hbmColor && width > 0 && height > 0) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    pixels.assign(size_t(width) * height, 0);
    HDC dc = GetDC(nullptr);
    if (!GetDIBits(dc, info.hbmColor, 0, UINT(height), pixels.data(), &bmi, DIB_RGB_COLORS)) pixels.clear();
    ReleaseDC(nullptr, dc);
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (maskOut)
    *maskOut = info.hbmMask;
  else if (info.hbmMask)
    DeleteObject(info.hbmMask);
  return pixels;
}

void PutPixels(vcl::TBitmap* bitmap, const std::vector<uint32_t>& pixels, int width, int height) {
  for (int y = 0; y < height; ++y)
    std::memcpy(bitmap->ScanLine(y), pixels.data() + size_t(y) * width, size_t(width) * 4);
}

bool BitmapHasAlpha(vcl::TBitmap* bitmap) {
  for (int y = 0; y < bitmap->Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < bitmap->Width(); ++x)
      if (row[x * 4 + 3] != 0) return true;
  }
  return false;
}

// The picture's pixels mixed over the target by their alpha:
// t := (t * 256 + (p - t) * a) div 256 for blue, green and red.
void BlendByAlpha(vcl::TBitmap* target, vcl::TBitmap* picture) {
  const int width = std::min(target->Width(), picture->Width());
  const int height = std::min(target->Height(), picture->Height());
  for (int y = 0; y < height; ++y) {
    const auto* p = static_cast<const uint8_t*>(picture->ScanLine(y));
    auto* t = static_cast<uint8_t*>(target->ScanLine(y));
    for (int x = 0; x < width; ++x, p += 4, t += 3) {
      const int a = p[3];
      for (int k = 0; k < 3; ++k) t[k] = uint8_t((t[k] * 256 + (p[k] - t[k]) * a) / 256);
    }
  }
}

}  // namespace

// ---- items ----------------------------------------------------------------------------------

TsImgListItem::TsImgListItem(vcl::TCollection* collection)
    : TCollectionItem(collection), data_(std::make_unique<vcl::TMemoryStream>()) {}

TsImgListItem::~TsImgListItem() = default;

void TsImgListItem::Assign(vcl::TPersistent* source) {
  auto* other = dynamic_cast<TsImgListItem*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  imageFormat_ = other->imageFormat_;
  pixelFormat_ = other->pixelFormat_;
  data_->Clear();
  other->data_->SetPosition(0);
  data_->LoadFromStream(other->data_.get());
}

void TsImgListItem::AssignTo(vcl::TPersistent* dest) {
  if (auto* other = dynamic_cast<TsImgListItem*>(dest)) return other->Assign(this);
  inherited::AssignTo(dest);
}

void TsImgListItem::DefineProperties(vcl::TFiler* filer) {
  inherited::DefineProperties(filer);
  filer->DefineBinaryProperty(
      "ImgData",
      [this](vcl::TStream* stream) {
        data_->Clear();
        data_->CopyFrom(stream, stream->Size() - stream->Position());
      },
      [this](vcl::TStream* stream) {
        if (data_->Size() > 0) stream->WriteBuffer(data_->Memory(), int32_t(data_->Size()));
      },
      true);
}

TsImgListItems::TsImgListItems(vcl::TPersistent* owner)
    : TOwnedCollection(owner, vcl::TCollectionItemClass::Of<TsImgListItem>()) {}

TsImgListItems::~TsImgListItems() = default;

// ---- the list -------------------------------------------------------------------------------

TsAlphaImageList::TsAlphaImageList(vcl::TComponent* owner)
    : TImageList(owner), items_(std::make_unique<TsImgListItems>(this)) {}

TsAlphaImageList::~TsAlphaImageList() { items_.reset(); }

bool TsAlphaImageList::IsDataKept() const { return KeepData || ComponentState().Contains(vcl::csDesigning); }

void TsAlphaImageList::AfterConstruction() {
  inherited::AfterConstruction();
  if (ComponentState().Contains(vcl::csLoading)) return;
  CreateListHandle();
  if (!IconsGenerated) GenerateIcons();
}

void TsAlphaImageList::Loaded() {
  inherited::Loaded();
  CreateListHandle();
  if (!IconsGenerated) GenerateIcons();
}

void TsAlphaImageList::CreateListHandle() {
  if (!HandleAllocated()) Handle();  // the inherited list: 32-bit colour, a mask when Masked
}

void TsAlphaImageList::FreeListHandle() { SetHandle(nullptr); }

void TsAlphaImageList::GenerateIcons() {
  if (!HandleAllocated()) return;
  GuardScope guard(ChangeGuard);
  HIMAGELIST list = Handle();
  ImageList_Remove(list, -1);
  for (int i = 0; i < items_->Count(); ++i) {
    TsImgListItem* item = items_->Items(i);
    item->DataStream()->SetPosition(0);
    if (item->ImageFormat() == ifPNG) {
      png::TPNGGraphic picture;
      picture.LoadFromStream(item->DataStream());
      HICON icon = png::MakeIconOnColor(&picture, vcl::ColorToRGB(BkColor()));
      if (icon) {
        ImageList_AddIcon(list, icon);
        DestroyIcon(icon);
      }
    } else {
      vcl::TIcon icon;
      icon.LoadFromStream(item->DataStream());
      ImageList_AddIcon(list, icon.Handle());
    }
  }
  if (items_->Count() > 0) {
    IconsGenerated = true;
    if (!IsDataKept()) items_->Clear();
  }
}

bool TsAlphaImageList::GetImageBitmap(int index, vcl::TBitmap* bitmap) {
  if (!HandleAllocated() || !bitmap || index < 0 || index >= ImageList_GetImageCount(Handle())) return false;
  if (IsDataKept() && index < items_->Count()) {
    TsImgListItem* item = items_->Items(index);
    if (item->ImageFormat() == ifPNG && item->DataStream()->Size() > 0) {
      png::TPNGGraphic picture;
      item->DataStream()->SetPosition(0);
      picture.LoadFromStream(item->DataStream());
      // A picture of another size is drawn from its icon, which the platform list made at
      // the list's size.
      if (picture.Width() == Width() && picture.Height() == Height()) {
        bitmap->Assign(&picture);
        if (bitmap->PixelFormat() != vcl::pf32bit) {
          bitmap->SetPixelFormat(vcl::pf32bit);
          AddAlphaByCornerKey(bitmap);
        }
        return true;
      }
    }
  }
  HICON icon = ImageList_GetIcon(Handle(), index, ILD_NORMAL);
  if (!icon) return false;
  if (bitmap->Width() < 1 || bitmap->Height() < 1) bitmap->SetSize(Width(), Height());
  const int width = bitmap->Width(), height = bitmap->Height();
  const std::vector<uint32_t> pixels = IconPixels(icon, width, height);
  DestroyIcon(icon);
  if (pixels.empty()) return false;
  bitmap->SetPixelFormat(vcl::pf32bit);
  bitmap->SetSize(width, height);
  PutPixels(bitmap, pixels, width, height);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (GetVersionExA(&version) && version.dwMajorVersion < 6 && ScreenBitsPerPixel() < 32) AddAlphaByCornerKey(bitmap);
  return true;
}

void TsAlphaImageList::DoDraw(int index, vcl::TCanvas* canvas, int x, int y, UINT, bool) {
  if (!HandleAllocated() || !canvas) return;
  HIMAGELIST list = Handle();
  if (index >= items_->Count() || items_->Items(index)->ImageFormat() == ifICO) {
    ImageList_SetBkColor(list, CLR_NONE);
    HICON icon = ImageList_GetIcon(list, index, ILD_TRANSPARENT);
    if (!icon) return;
    DrawIconEx(canvas->Handle(), x, y, icon, Width(), Height(), 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    return;
  }
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf32bit);
  image.SetSize(Width(), Height());
  if (!GetImageBitmap(index, &image)) return;
  // What lies under the image, blended with it, and put back.
  vcl::TBitmap under;
  under.SetPixelFormat(vcl::pf24bit);
  under.SetSize(Width(), Height());
  BitBlt(under.Canvas()->Handle(), 0, 0, Width(), Height(), canvas->Handle(), x, y, SRCCOPY);
  GdiFlush();
  BlendByAlpha(&under, &image);
  BitBlt(canvas->Handle(), x, y, Width(), Height(), under.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsAlphaImageList::Change() {
  if (ChangeGuard) return;
  inherited::Change();
  if (!HandleAllocated() || !IconsGenerated) return;
  if (ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csDesigning)) return;
  HIMAGELIST list = Handle();
  const int count = ImageList_GetImageCount(list);
  if (IsDataKept() && items_->Count() >= count) {
    if (items_->Count() > count) GenerateIcons();
    return;
  }
  // Images put into the platform list directly: opaque where they are not the key colour.
  GuardScope guard(ChangeGuard);
  for (int i = 0; i < count; ++i) {
    HICON icon = ImageList_GetIcon(list, i, ILD_NORMAL);
    if (!icon) continue;
    HBITMAP mask = nullptr;
    std::vector<uint32_t> pixels = IconPixels(icon, Width(), Height(), &mask);
    DestroyIcon(icon);
    const bool hasAlpha = std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
    if (!pixels.empty() && !hasAlpha) {
      for (uint32_t& p : pixels)
        if (p != 0x00FF00FFu) p |= 0xFF000000u;
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      bmi.bmiHeader.biWidth = Width();
      bmi.bmiHeader.biHeight = -Height();
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = 32;
      bmi.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      HBITMAP colour = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (colour && bits) {
        std::memcpy(bits, pixels.data(), pixels.size() * 4);
        ICONINFO info{TRUE, 0, 0, mask, colour};
        if (HICON made = CreateIconIndirect(&info)) {
          ImageList_ReplaceIcon(list, i, made);
          DestroyIcon(made);
        }
      }
      if (colour) DeleteObject(colour);
    }
    if (mask) DeleteObject(mask);
  }
}

void TsAlphaImageList::CopyImagesFrom(TsAlphaImageList* source) {
  if (!HandleAllocated()) return;
  if (source->HandleAllocated()) ImageList_SetBkColor(source->Handle(), CLR_NONE);
  if (IsDataKept()) {
    items_->Assign(source->items_.get());
    GenerateIcons();
    return;
  }
  HIMAGELIST list = Handle();
  ImageList_Remove(list, -1);
  ImageList_SetBkColor(list, CLR_NONE);
  if (!source->HandleAllocated()) return;
  const int count = ImageList_GetImageCount(source->Handle());
  for (int i = 0; i < count; ++i) {
    HICON icon = ImageList_GetIcon(source->Handle(), i, ILD_TRANSPARENT);
    if (!icon) continue;
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
  }
}

void TsAlphaImageList::Assign(vcl::TPersistent* source) {
  auto* other = dynamic_cast<TsAlphaImageList*>(source);
  if (!source || !other) return inherited::Assign(source);  // none frees the platform list
  if (other == this) return;
  GuardScope guard(ChangeGuard);
  if (HandleAllocated()) ImageList_Remove(Handle(), -1);
  SetMasked(other->Masked());
  SetImageType(other->ImageType());
  SetDrawingStyle(other->DrawingStyle());
  SetShareImages(other->ShareImages());
  int width = other->Width(), height = other->Height();
  if (other->HandleAllocated()) ImageList_GetIconSize(other->Handle(), &width, &height);
  FreeListHandle();
  SetWidth(width);
  SetHeight(height);
  CreateListHandle();
  vcl::TColor background = other->BkColor();
  if (other->HandleAllocated()) {
    const COLORREF platform = ImageList_GetBkColor(other->Handle());
    background = platform == CLR_NONE ? vcl::clNone : platform == CLR_DEFAULT ? vcl::clDefault : vcl::TColor(platform);
  }
  SetBkColor(background);
  SetBlendColor(other->BlendColor());
  CopyImagesFrom(other);
}

void TsAlphaImageList::AssignTo(vcl::TPersistent* dest) {
  if (auto* other = dynamic_cast<TsAlphaImageList*>(dest)) return other->Assign(this);
  inherited::AssignTo(dest);
}

void AddAlphaByCornerKey(vcl::TBitmap* bitmap) {
  if (!bitmap || bitmap->PixelFormat() != vcl::pf32bit || bitmap->Empty() || BitmapHasAlpha(bitmap)) return;
  const auto* corner = static_cast<const uint8_t*>(bitmap->ScanLine(bitmap->Height() - 1));
  const uint8_t key[3] = {corner[0], corner[1], corner[2]};
  for (int y = 0; y < bitmap->Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < bitmap->Width(); ++x) {
      uint8_t* p = row + x * 4;
      if (p[0] != key[0] || p[1] != key[1] || p[2] != key[2]) p[3] = 255;
    }
  }
}

int ScreenBitsPerPixel() {
  HDC dc = GetDC(nullptr);
  const int bits = GetDeviceCaps(dc, BITSPIXEL);
  ReleaseDC(nullptr, dc);
  return bits;
}

VCL_PUBLISHED(TsImgListItem, p) {
  using C = TsImgListItem;
  p.Enum("ImageFormat", &C::ImageFormat, &C::SetImageFormat, {"ifPNG", "ifICO"}, ifPNG)
      .Enum("PixelFormat", &C::PixelFormat, &C::SetPixelFormat,
            {"pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit", "pf24bit", "pf32bit", "pfCustom"},
            vcl::pf32bit);
}

VCL_PUBLISHED(TsImgListItems, p) { (void)p; }

VCL_PUBLISHED(TsAlphaImageList, p) { p.Object("Items", &TsAlphaImageList::Items, &TsAlphaImageList::SetItems); }

}  // namespace skin
