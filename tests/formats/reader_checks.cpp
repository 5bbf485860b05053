#include "tests/formats/reader_checks.h"

#include <cstdlib>
#include <memory>

#include "formats/file_format_list.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/graphics/metafile.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/exceptions.h"

namespace reader_checks {

Bytes MakePnm(bool grey, int width, int height, const std::function<uint32_t(int x, int y)>& rgb) {
  const std::string head = std::string(grey ? "P5\n" : "P6\n") + std::to_string(width) + " " +
                           std::to_string(height) + "\n255\n";
  Bytes b(head.begin(), head.end());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = rgb(x, y);
      b.push_back(static_cast<uint8_t>(c >> 16));
      if (!grey) {
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c));
      }
    }
  return b;
}

std::vector<uint32_t> PnmPixels(const Bytes& pnm, int* width, int* height) {
  size_t at = 2;
  int numbers[3] = {};
  for (int& n : numbers) {
    while (at < pnm.size() && (isspace(pnm[at]) || pnm[at] == '#')) {
      if (pnm[at] == '#')
        while (at < pnm.size() && pnm[at] != '\n') ++at;
      else
        ++at;
    }
    while (at < pnm.size() && isdigit(pnm[at])) n = n * 10 + (pnm[at++] - '0');
  }
  ++at;
  const bool grey = pnm.size() > 1 && pnm[1] == '5';
  if (width) *width = numbers[0];
  if (height) *height = numbers[1];
  const uint32_t maxval = numbers[2] > 0 ? static_cast<uint32_t>(numbers[2]) : 255;
  auto sample = [&]() -> uint32_t {
    const uint32_t v = at < pnm.size() ? pnm[at++] : 0;
    return (v * 255 + maxval / 2) / maxval;
  };
  std::vector<uint32_t> out;
  for (int i = 0; i < numbers[0] * numbers[1]; ++i) {
    if (grey) {
      const uint32_t v = sample();
      out.push_back(v << 16 | v << 8 | v);
    } else {
      uint32_t c = 0;
      for (int k = 0; k < 3; ++k) c = c << 8 | sample();
      out.push_back(c);
    }
  }
  return out;
}

TLoaded Pixels(vcl::TBitmap* bitmap) {
  TLoaded l;
  l.className = bitmap->ClassName();
  l.format = bitmap->PixelFormat();
  l.width = bitmap->Width();
  l.height = bitmap->Height();
  if (l.format == vcl::pf32bit)
    for (int y = 0; y < l.height; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
      for (int x = 0; x < l.width; ++x) l.alpha.push_back(row[x * 4 + 3]);
    }
  vcl::TBitmap copy;
  copy.Assign(bitmap);
  copy.SetPixelFormat(vcl::pf24bit);
  for (int y = 0; y < l.height; ++y) {
    const auto* row = static_cast<const uint8_t*>(copy.ScanLine(y));
    for (int x = 0; x < l.width; ++x)
      l.rgb.push_back(uint32_t{row[x * 3 + 2]} << 16 | uint32_t{row[x * 3 + 1]} << 8 | row[x * 3]);
  }
  return l;
}

TLoaded LoadAs(const std::string& extension, const Bytes& file) {
  formats::RegisterPictureFormats();
  const std::string path = test_files::MakeTempDir() + "/picture." + extension;
  test_files::WriteFileBytes(path, file);
  vcl::TPicture picture;
  picture.LoadFromFile(path);
  auto* bitmap = dynamic_cast<vcl::TBitmap*>(picture.Graphic());
  TLoaded l = bitmap ? Pixels(bitmap) : TLoaded{};
  formats::UnregisterPictureFormats();
  RestorePlatformFormats();
  return l;
}

void RestorePlatformFormats() {
  if (formats::FileFormatList()) return;
  vcl::TPicture::RegisterFileFormat("bmp", "Bitmaps", vcl::TBitmap::GraphicClass());
  vcl::TPicture::RegisterFileFormat("ico", "Icons", vcl::TIcon::GraphicClass());
  vcl::TPicture::RegisterFileFormat("emf", "Enhanced Metafiles", vcl::TMetafile::GraphicClass());
  vcl::TPicture::RegisterFileFormat("wmf", "Metafiles", vcl::TMetafile::GraphicClass());
  vcl::TPicture::RegisterFileFormat("jpg", "JPEG Image File", vcl::TJPEGImage::GraphicClass());
  vcl::TPicture::RegisterFileFormat("jpeg", "JPEG Image File", vcl::TJPEGImage::GraphicClass());
  vcl::TPicture::RegisterClipboardFormat(CF_DIB, vcl::TBitmap::GraphicClass());
  vcl::TPicture::RegisterClipboardFormat(CF_BITMAP, vcl::TBitmap::GraphicClass());
  vcl::TPicture::RegisterClipboardFormat(CF_ENHMETAFILE, vcl::TMetafile::GraphicClass());
  vcl::TPicture::RegisterClipboardFormat(CF_METAFILEPICT, vcl::TMetafile::GraphicClass());
}

testing::AssertionResult ChannelsWithin(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual,
                                        int tolerance) {
  if (expected.size() != actual.size())
    return testing::AssertionFailure() << expected.size() << " pixels expected, " << actual.size() << " read";
  for (size_t i = 0; i < expected.size(); ++i)
    for (int shift : {0, 8, 16}) {
      const int difference = std::abs(int(expected[i] >> shift & 0xFF) - int(actual[i] >> shift & 0xFF));
      if (difference > tolerance)
        return testing::AssertionFailure() << "pixel " << i << ": channel at bit " << shift << " off by " << difference
                                           << ", more than " << tolerance;
    }
  return testing::AssertionSuccess();
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const vcl::Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "";
}

void FuzzReader(const char* what, const Bytes& valid, unsigned seed, const std::function<vcl::TBitmap*()>& make) {
  fuzz::Fuzz(what, valid, seed, [&](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    std::unique_ptr<vcl::TBitmap> graphic(make());
    graphic->LoadFromStream(&stream);
  });
}

}  // namespace reader_checks
