// TBitmap32 with the component library: platform bitmaps and graphics, form data, published
// properties.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bitmap/bitmap32.h"
#include "vcl/bitmap.h"
#include "vcl/filer.h"
#include "vcl/typeinfo.h"

using namespace bitmap;

namespace {

std::vector<TColor32> Pixels(const TBitmap32& b) {
  return std::vector<TColor32>(b.Bits(), b.Bits() + b.Width() * b.Height());
}

// Records what a class defines for form data, as a writer would see it.
class CaptureFiler : public vcl::TFiler {
 public:
  explicit CaptureFiler(vcl::TPersistent* ancestor = nullptr) { ancestor_ = ancestor; }
  void DefineProperty(const std::string&, const vcl::TReaderProc&, const vcl::TWriterProc&, bool) override {}
  void DefineBinaryProperty(const std::string& name, const vcl::TStreamProc& readData,
                            const vcl::TStreamProc& writeData, bool hasData) override {
    this->name = name;
    this->hasData = hasData;
    read = readData;
    write = writeData;
  }
  std::string name;
  bool hasData = false;
  vcl::TStreamProc read, write;
};

}  // namespace

TEST(Bitmap32Platform, AssignFromPlatformBitmaps) {
  const struct { vcl::TPixelFormat format; TColor32 alpha; } cases[] = {
      {vcl::pf24bit, 0xFF000000u},  // no alpha bytes: opaque
      {vcl::pf32bit, 0x40000000u},  // alpha bytes kept
  };
  for (const auto& c : cases) {
    vcl::TBitmap platform;
    platform.SetPixelFormat(c.format);
    platform.SetSize(3, 2);
    for (int y = 0; y < 2; ++y) {
      auto* row = static_cast<uint8_t*>(platform.ScanLine(y));
      for (int x = 0; x < 3; ++x) {
        const int bpp = c.format == vcl::pf32bit ? 4 : 3;
        row[x * bpp + 0] = uint8_t(x);       // blue
        row[x * bpp + 1] = uint8_t(y);       // green
        row[x * bpp + 2] = 0x80;             // red
        if (bpp == 4) row[x * bpp + 3] = 0x40;
      }
    }
    TBitmap32 b;
    b.Assign(&platform);
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(*b.PixelPtr(2, 1), c.alpha | 0x00800102u) << int(c.format);
    EXPECT_EQ(*b.PixelPtr(0, 0), c.alpha | 0x00800000u);
  }
}

TEST(Bitmap32Platform, CopyIntoAPlatformBitmapAndBackKeepsEveryPixel) {
  TBitmap32 b;
  b.SetSize(5, 3);
  for (int32_t i = 0; i < 15; ++i) b.Bits()[i] = 0x01020304u * uint32_t(i + 1) + uint32_t(i) * 0x11000000u;
  vcl::TBitmap platform;
  platform.Assign(&b);
  EXPECT_EQ(platform.PixelFormat(), vcl::pf32bit);
  EXPECT_EQ(platform.HandleType(), vcl::bmDIB);
  EXPECT_EQ(platform.Width(), 5);
  TBitmap32 back;
  back.Assign(&platform);
  EXPECT_EQ(Pixels(back), Pixels(b));
}

TEST(Bitmap32Platform, DataPropertyIsWrittenWhenItDiffers) {
  TBitmap32 b, same, other, empty;
  b.SetSize(2, 1);
  b.Bits()[0] = 0x11223344u;
  b.Bits()[1] = 0xAABBCCDDu;
  same.Assign(&b);
  other.Assign(&b);
  other.Bits()[1] = 0;
  vcl::TBitmap platformAncestor;

  const struct { TBitmap32* bitmap; vcl::TPersistent* ancestor; bool written; } cases[] = {
      {&b, nullptr, true},
      {&empty, nullptr, false},
      {&b, &same, false},
      {&b, &other, true},
      {&b, &empty, true},
      {&empty, &empty, false},
      {&empty, &platformAncestor, true},  // an ancestor that is no TBitmap32
  };
  for (const auto& c : cases) {
    CaptureFiler filer(c.ancestor);
    c.bitmap->DefineProperties(&filer);
    EXPECT_EQ(filer.name, "Data");
    EXPECT_EQ(filer.hasData, c.written);
  }

  // The stored bytes read back into another bitmap.
  CaptureFiler filer;
  b.DefineProperties(&filer);
  vcl::TMemoryStream stream;
  filer.write(&stream);
  EXPECT_EQ(stream.Size(), 16);
  TBitmap32 read;
  CaptureFiler reader;
  read.DefineProperties(&reader);
  stream.SetPosition(0);
  reader.read(&stream);
  EXPECT_EQ(Pixels(read), Pixels(b));
}

TEST(Bitmap32Platform, PublishedProperties) {
  TBitmap32 b;
  const vcl::TPropInfo* alpha = vcl::GetPropInfo(&b, "MasterAlpha");
  ASSERT_NE(alpha, nullptr);
  vcl::SetOrdProp(&b, alpha, 90);
  EXPECT_EQ(b.MasterAlpha(), 90u);
  const vcl::TPropInfo* mode = vcl::GetPropInfo(&b, "DrawMode");
  ASSERT_NE(mode, nullptr);
  vcl::SetOrdProp(&b, mode, dmCustom);
  EXPECT_EQ(vcl::GetEnumProp(&b, mode), "dmCustom");
  for (const char* name : {"OuterColor", "StretchFilter", "OnChange", "OnHandleChanged", "OnResize"})
    EXPECT_NE(vcl::GetPropInfo(&b, name), nullptr) << name;
}
