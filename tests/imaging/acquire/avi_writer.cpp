#include "tests/imaging/acquire/avi_writer.h"

#include <vector>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

#include <vfw.h>

namespace acquire_test {

bool WriteAVI(const std::string& name, uint32_t rate, uint32_t scale) {
  AVIFileInit();
  PAVIFILE file = nullptr;
  const std::u16string wide = vcl::AnsiToUtf16(name) + u'\0';
  bool ok = AVIFileOpenW(&file, reinterpret_cast<LPCWSTR>(wide.c_str()), OF_WRITE | OF_CREATE, nullptr) == 0;
  PAVISTREAM stream = nullptr;
  const int32_t rowLength = ((kWidth * 24 + 31) / 32) * 4;
  if (ok) {
    AVISTREAMINFOW info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = scale;
    info.dwRate = rate;
    info.dwSuggestedBufferSize = rowLength * kHeight;
    SetRect(&info.rcFrame, 0, 0, kWidth, kHeight);
    ok = AVIFileCreateStreamW(file, &stream, &info) == 0;
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = rowLength * kHeight;
  if (ok) ok = AVIStreamSetFormat(stream, 0, &header, sizeof header) == 0;
  std::vector<uint8_t> bits(static_cast<size_t>(rowLength) * kHeight);
  for (int32_t n = 0; ok && n < kFrames; ++n) {
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        // Rows bottom-up, pixels blue, green, red.
        uint8_t* p = &bits[static_cast<size_t>(kHeight - 1 - y) * rowLength + x * 3];
        const imaging::TRGB c = FramePixel(n, x, y);
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      }
    ok = AVIStreamWrite(stream, n, 1, bits.data(), static_cast<LONG>(bits.size()), AVIIF_KEYFRAME, nullptr, nullptr) == 0;
  }
  if (stream) AVIStreamRelease(stream);
  if (file) AVIFileRelease(file);
  AVIFileExit();
  return ok;
}

bool IsFrame(imaging::TIEBitmap& bitmap, int32_t n) {
  if (bitmap.Width() != kWidth || bitmap.Height() != kHeight || bitmap.PixelFormat() != imaging::ie24RGB) return false;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const imaging::TRGB a = bitmap.GetPixel24(x, y), b = FramePixel(n, x, y);
      if (a.r != b.r || a.g != b.g || a.b != b.b) return false;
    }
  return true;
}

}  // namespace acquire_test
