#include "imaging/codecs/ico/shell_icons.h"

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/ico/ico_reader.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

int32_t TableEntries(const BITMAPINFOHEADER& header) {
  if (header.biBitCount > 8) return 0;
  return header.biClrUsed ? int32_t(header.biClrUsed) : 1 << header.biBitCount;
}

}  // namespace

HICON GetFileIconHandle(const std::string& FileName) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(FileName.c_str(), 0, &info, sizeof(info), SHGFI_ICON)) return nullptr;
  return info.hIcon;
}

void InitIconBitmapInfoHeader(HBITMAP Bitmap, BITMAPINFOHEADER& Header, int32_t Colours) {
  std::memset(&Header, 0, sizeof(Header));
  BITMAP bitmap{};
  GetObjectA(Bitmap, sizeof(bitmap), &bitmap);
  Header.biSize = sizeof(BITMAPINFOHEADER);
  Header.biWidth = bitmap.bmWidth;
  Header.biHeight = bitmap.bmHeight;
  Header.biPlanes = 1;
  if (Colours == 2) {
    Header.biBitCount = 1;
  } else if (Colours >= 3 && Colours <= 16) {
    Header.biBitCount = 4;
    Header.biClrUsed = DWORD(Colours);
  } else if (Colours >= 17 && Colours <= 256) {
    // 32 bits carry no colour table, so no count of one is stored either.
    Header.biBitCount = 32;
  } else {
    Header.biBitCount = WORD(bitmap.bmBitsPixel * bitmap.bmPlanes);
  }
  Header.biCompression = BI_RGB;
  Header.biSizeImage =
      DWORD(((int64_t(Header.biWidth) * Header.biBitCount + 31) / 32) * 4 * std::abs(int64_t(Header.biHeight)));
}

void GetIconDIBSizes(HBITMAP Bitmap, int32_t Colours, uint32_t& InfoHeaderSize, uint32_t& ImageSize) {
  BITMAPINFOHEADER header;
  InitIconBitmapInfoHeader(Bitmap, header, Colours);
  InfoHeaderSize = uint32_t(sizeof(BITMAPINFOHEADER) + 4 * TableEntries(header));
  ImageSize = header.biSizeImage;
}

bool GetIconDIB(HBITMAP Bitmap, int32_t Colours, void* Info, void* Bits) {
  auto* header = static_cast<BITMAPINFOHEADER*>(Info);
  InitIconBitmapInfoHeader(Bitmap, *header, Colours);
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  const int lines = GetDIBits(dc, Bitmap, 0, UINT(std::abs(header->biHeight)), Bits, static_cast<BITMAPINFO*>(Info),
                              DIB_RGB_COLORS);
  DeleteDC(dc);
  return lines == std::abs(header->biHeight);
}

bool TryWriteIconToStream(vcl::TStream* Stream, HICON Icon) {
  if (!Icon) return false;
  ICONINFO info{};
  if (!GetIconInfo(Icon, &info)) return false;
  bool ok = false;
  if (info.hbmColor && info.hbmMask) {
    uint32_t colourHeaderSize = 0, colourSize = 0, maskHeaderSize = 0, maskSize = 0;
    GetIconDIBSizes(info.hbmColor, 256, colourHeaderSize, colourSize);
    GetIconDIBSizes(info.hbmMask, 2, maskHeaderSize, maskSize);
    std::vector<uint8_t> colourInfo(colourHeaderSize + 1024), colourBits(colourSize);
    std::vector<uint8_t> maskInfo(maskHeaderSize + 1024), maskBits(maskSize);
    if (colourSize > 0 && maskSize > 0 && GetIconDIB(info.hbmColor, 256, colourInfo.data(), colourBits.data()) &&
        GetIconDIB(info.hbmMask, 2, maskInfo.data(), maskBits.data())) {
      auto* header = reinterpret_cast<BITMAPINFOHEADER*>(colourInfo.data());
      const int32_t width = header->biWidth;
      const int32_t height = std::abs(header->biHeight);
      const uint32_t dataSize = colourHeaderSize + colourSize + maskSize;
      uint8_t directory[22] = {0, 0, 1, 0, 1, 0};
      directory[6] = uint8_t(width & 255);
      directory[7] = uint8_t(height & 255);
      vcl::le::Store16(directory + 10, 1);
      vcl::le::Store16(directory + 12, header->biBitCount);
      vcl::le::Store32(directory + 14, dataSize);
      vcl::le::Store32(directory + 18, 22);
      // The icon's own header counts the colour and the mask rows together.
      header->biHeight = height * 2;
      header->biSizeImage = colourSize + maskSize;
      Stream->WriteBuffer(directory, 22);
      Stream->WriteBuffer(colourInfo.data(), int32_t(colourHeaderSize));
      Stream->WriteBuffer(colourBits.data(), int32_t(colourSize));
      Stream->WriteBuffer(maskBits.data(), int32_t(maskSize));
      ok = true;
    }
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return ok;
}

void WriteIconToStream(vcl::TStream* Stream, HICON Icon) { TryWriteIconToStream(Stream, Icon); }

void IconToIEBitmap(HICON Icon, TIEBitmap* Bitmap) {
  try {
    vcl::TMemoryStream stream;
    const bool written = TryWriteIconToStream(&stream, Icon);
    Bitmap->RemoveAlphaChannel(false, 0);
    if (!written) return;
    stream.SetPosition(0);
    TIOParamsVals params(nullptr);
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    TIEMask* mask = nullptr;
    ReadICOStream(&stream, Bitmap, params, false, progress, mask, false);
    std::unique_ptr<TIEMask> owned(mask);
    if (owned && !aborting) Bitmap->GetAlphaChannel()->CopyFromMask(owned.get());
  } catch (...) {
    // A shell icon is a nicety: no failure of its own reaches the caller.
  }
}

void GetFileIconBitmap(const std::string& FileName, TIEBitmap* Bitmap) {
  HICON icon = GetFileIconHandle(FileName);
  IconToIEBitmap(icon, Bitmap);
  if (icon) DestroyIcon(icon);
}

}  // namespace imaging
