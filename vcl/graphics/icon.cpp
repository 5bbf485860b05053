#include "vcl/graphics/icon.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "vcl/graphics/bmp_format.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace vcl {

namespace {

using le::Put16;
using le::Put32;
using le::U16;
using le::U32;

constexpr size_t kDirHeaderSize = 6;
constexpr size_t kDirEntrySize = 16;
// Icons larger than this are not icons.
constexpr int kMaxIconSide = 1024;

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }


struct IconImage {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  size_t offset = 0;
  size_t size = 0;
};

// Checks one image of the file: a PNG stream, or a DIB whose colour and mask rows fit.
int CheckedBitCount(const uint8_t* image, size_t size) {
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(image, kPng, 8) == 0) return 32;
  if (size < 40) InvalidIcon();
  size_t headerSize = U32(image);
  int32_t width = static_cast<int32_t>(U32(image + 4));
  int32_t doubleHeight = static_cast<int32_t>(U32(image + 8));
  int bitCount = U16(image + 14);
  uint32_t compression = U32(image + 16);
  uint32_t clrUsed = U32(image + 32);
  if (headerSize < 40 || headerSize > size) InvalidIcon();
  if (width <= 0 || width > kMaxIconSide || doubleHeight <= 0 || doubleHeight > 2 * kMaxIconSide) InvalidIcon();
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    InvalidIcon();
  if (compression != BI_RGB && compression != BI_BITFIELDS) InvalidIcon();
  const int height = doubleHeight / 2;
  uint64_t colors = bitCount <= 8 ? (clrUsed ? std::min<uint64_t>(clrUsed, 256) : 1u << bitCount) : 0;
  uint64_t need = headerSize + (compression == BI_BITFIELDS && headerSize == 40 ? 12 : 0) + colors * 4 +
                  uint64_t(bmp::RowStride(width, bitCount)) * height + uint64_t(bmp::RowStride(width, 1)) * height;
  if (need > size) InvalidIcon();
  return bitCount;
}

// Parses the directory and checks every image; the file holds exactly the bytes given.
std::vector<IconImage> ParseIconFile(const std::vector<uint8_t>& file) {
  if (file.size() < kDirHeaderSize) InvalidIcon();
  const uint8_t* p = file.data();
  size_t count = U16(p + 4);
  if (U16(p) != 0 || U16(p + 2) != 1 || count == 0) InvalidIcon();
  const size_t imagesStart = kDirHeaderSize + count * kDirEntrySize;
  if (file.size() < imagesStart) InvalidIcon();
  std::vector<IconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = p + kDirHeaderSize + i * kDirEntrySize;
    IconImage image;
    image.width = e[0] ? e[0] : 256;
    image.height = e[1] ? e[1] : 256;
    image.size = U32(e + 8);
    image.offset = U32(e + 12);
    if (image.size == 0 || image.offset < imagesStart || image.offset > file.size() ||
        image.size > file.size() - image.offset)
      InvalidIcon();
    image.bitCount = CheckedBitCount(p + image.offset, image.size);
    images.push_back(image);
  }
  return images;
}

// The image closest to the system's icon size, the one with the most colours among equals.
const IconImage& BestImage(const std::vector<IconImage>& images) {
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  auto distance = [&](const IconImage& i) { return std::abs(i.width - cx) + std::abs(i.height - cy); };
  const IconImage* best = &images.front();
  for (const IconImage& image : images) {
    if (distance(image) < distance(*best) ||
        (distance(image) == distance(*best) && image.bitCount > best->bitCount))
      best = &image;
  }
  return *best;
}

// The end of the last image, from the directory at the start of the stream's data.
std::vector<uint8_t> ReadIconFileBytes(TStream* stream) {
  const int64_t available = stream->Size() - stream->Position();
  std::vector<uint8_t> file(kDirHeaderSize);
  if (available < int64_t(kDirHeaderSize)) InvalidIcon();
  stream->ReadBuffer(file.data(), int32_t(kDirHeaderSize));
  size_t count = U16(file.data() + 4);
  size_t directoryEnd = kDirHeaderSize + count * kDirEntrySize;
  if (available < int64_t(directoryEnd)) InvalidIcon();
  file.resize(directoryEnd);
  stream->ReadBuffer(file.data() + kDirHeaderSize, int32_t(directoryEnd - kDirHeaderSize));
  uint64_t end = directoryEnd;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = file.data() + kDirHeaderSize + i * kDirEntrySize;
    end = std::max<uint64_t>(end, uint64_t(U32(e + 12)) + U32(e + 8));
  }
  if (end > uint64_t(available)) InvalidIcon();
  file.resize(size_t(end));
  if (end > directoryEnd) stream->ReadBuffer(file.data() + directoryEnd, int32_t(end - directoryEnd));
  return file;
}

// An ICO file of one 32-bit image made from an icon handle.
std::vector<uint8_t> IconFileFromHandle(HICON icon) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return {};
  BITMAP bm{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  const int width = bm.bmWidth;
  const int height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  const size_t colorBytes = size_t(width) * 4 * height;
  const size_t maskStride = size_t(bmp::RowStride(width, 1));
  std::vector<uint8_t> color(colorBytes), mask(maskStride * height * 2);

  HDC screen = GetDC(nullptr);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } bi{};
  bi.header = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  if (info.hbmColor) GetDIBits(screen, info.hbmColor, 0, UINT(height), color.data(),
                               reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  bi.header = {sizeof(BITMAPINFOHEADER), width, info.hbmColor ? height : 2 * height, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(screen, info.hbmMask, 0, UINT(bi.header.biHeight), mask.data(), reinterpret_cast<BITMAPINFO*>(&bi),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (!info.hbmColor) {
    // A black and white icon: the lower half of its mask is the image (bottom-up, it comes first).
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        bool white = mask[y * maskStride + x / 8] & (0x80 >> (x % 8));
        uint32_t pixel = white ? 0xFFFFFF : 0;
        std::memcpy(&color[(size_t(y) * width + x) * 4], &pixel, 4);
      }
    mask.erase(mask.begin(), mask.begin() + maskStride * height);
  }
  mask.resize(maskStride * height);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  const size_t imageSize = 40 + colorBytes + mask.size();
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 1);
  file.push_back(uint8_t(width < 256 ? width : 0));
  file.push_back(uint8_t(height < 256 ? height : 0));
  file.push_back(0);
  file.push_back(0);
  Put16(file, 1);
  Put16(file, 32);
  Put32(file, uint32_t(imageSize));
  Put32(file, uint32_t(kDirHeaderSize + kDirEntrySize));
  Put32(file, 40);
  Put32(file, uint32_t(width));
  Put32(file, uint32_t(2 * height));
  Put16(file, 1);
  Put16(file, 32);
  for (int i = 0; i < 6; ++i) Put32(file, 0);
  file.insert(file.end(), color.begin(), color.end());
  file.insert(file.end(), mask.begin(), mask.end());
  return file;
}

}  // namespace

TIcon::TIcon() { transparent_ = true; }

TIcon::~TIcon() { DestroyHandle(); }

void TIcon::DestroyHandle() {
  if (handle_) DestroyIcon(handle_);
  handle_ = nullptr;
}

void TIcon::CreateFromFile(const std::vector<uint8_t>& file) {
  const std::vector<IconImage> images = ParseIconFile(file);
  const IconImage& image = BestImage(images);
  HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(file.data() + image.offset), DWORD(image.size), TRUE,
                                        0x00030000, image.width, image.height, LR_DEFAULTCOLOR);
  if (!icon) InvalidIcon();
  DestroyHandle();
  handle_ = icon;
  width_ = image.width;
  height_ = image.height;
}

void TIcon::HandleNeeded() {
  if (!handle_ && !data_.empty()) CreateFromFile(data_);
}

HICON TIcon::Handle() {
  HandleNeeded();
  return handle_;
}

void TIcon::SetHandle(HICON icon) {
  if (icon == handle_) return;
  DestroyHandle();
  data_.clear();
  handle_ = icon;
  width_ = height_ = 0;
  ICONINFO info;
  if (icon && GetIconInfo(icon, &info)) {
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    width_ = bm.bmWidth;
    height_ = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  Changed(this);
}

HICON TIcon::ReleaseHandle() {
  HandleNeeded();
  HICON icon = handle_;
  handle_ = nullptr;
  if (data_.empty()) width_ = height_ = 0;
  Changed(this);
  return icon;
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TIcon*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  DestroyHandle();
  data_ = other->data_;
  if (data_.empty() && other->handle_) handle_ = CopyIcon(other->handle_);
  width_ = other->width_;
  height_ = other->height_;
  Changed(this);
}

void TIcon::LoadFromStream(TStream* stream) {
  std::vector<uint8_t> file = ReadIconFileBytes(stream);
  // Checked and made before anything of the old icon goes.
  TIcon loaded;
  loaded.CreateFromFile(file);
  DestroyHandle();
  handle_ = loaded.handle_;
  loaded.handle_ = nullptr;
  width_ = loaded.width_;
  height_ = loaded.height_;
  data_ = std::move(file);
  Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
  std::vector<uint8_t> file = data_.empty() && handle_ ? IconFileFromHandle(handle_) : data_;
  if (!file.empty()) stream->WriteBuffer(file.data(), int32_t(file.size()));
}

void TIcon::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
  throw EInvalidGraphic("Clipboard does not support Icons");
}

void TIcon::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) {
  throw EInvalidGraphic("Clipboard does not support Icons");
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
  HandleNeeded();
  if (!handle_) return;
  DrawIconEx(canvas->Handle(), rect.left, rect.top, handle_, rect.right - rect.left, rect.bottom - rect.top, 0,
             nullptr, DI_NORMAL);
}

}  // namespace vcl
