// TBitmap32 with the component library: platform bitmaps, graphics, pictures, files and the
// clipboard, form data, published properties.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/blend.h"
#include "bitmap/engine/blend_modes.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/clipboard.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/icon.h"
#include "vcl/graphics/picture.h"
#include "vcl/classes/component.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "tests/bitmap/engine/bitmap32_pixels.h"

using namespace bitmap;

namespace {

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

namespace {

// A platform bitmap in one of the formats the engine copies pixels from, with the colour each
// pixel must become in a TBitmap32.
struct SourcePicture {
  std::unique_ptr<vcl::TBitmap> bitmap = std::make_unique<vcl::TBitmap>();
  std::vector<TColor32> colours;  // rows top-down
};

constexpr int kSourceWidth = 13, kSourceHeight = 3;  // rows longer than a vector, with a tail

HPALETTE MakePalette(int count, TColor32 (*colour)(int)) {
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * size_t(count));
  auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = WORD(count);
  for (int i = 0; i < count; ++i) {
    const TColor32 c = colour(i);
    palette->palPalEntry[i] = PALETTEENTRY{BYTE(c >> 16), BYTE(c >> 8), BYTE(c), 0};
  }
  return CreatePalette(palette);
}

// Indexed: pixel (x, y) takes entry (x * 7 + y * 5) mod count of the palette.
SourcePicture IndexedSource(vcl::TPixelFormat format, int bits, TColor32 (*colour)(int)) {
  SourcePicture s;
  const int count = 1 << bits;
  s.bitmap->SetPixelFormat(format);
  s.bitmap->SetSize(kSourceWidth, kSourceHeight);
  s.bitmap->SetPalette(MakePalette(count, colour));
  for (int y = 0; y < kSourceHeight; ++y) {
    auto* row = static_cast<uint8_t*>(s.bitmap->ScanLine(y));
    std::memset(row, 0, size_t((kSourceWidth * bits + 7) / 8));
    for (int x = 0; x < kSourceWidth; ++x) {
      const int index = (x * 7 + y * 5) % count;
      const int bit = x * bits;
      row[bit / 8] |= uint8_t(index << (8 - bits - bit % 8));
      s.colours.push_back(0xFF000000u | colour(index));
    }
  }
  return s;
}

// Direct colour: blue x * 19, green y * 70, red 0xC0 - x, and in 32 bits alpha x * 20.
SourcePicture DirectSource(vcl::TPixelFormat format) {
  SourcePicture s;
  const int bytes = format == vcl::pf32bit ? 4 : 3;
  s.bitmap->SetPixelFormat(format);
  s.bitmap->SetSize(kSourceWidth, kSourceHeight);
  for (int y = 0; y < kSourceHeight; ++y) {
    auto* row = static_cast<uint8_t*>(s.bitmap->ScanLine(y));
    for (int x = 0; x < kSourceWidth; ++x) {
      const TColor32 alpha = bytes == 4 ? TColor32(x * 20) : 0xFF;
      const TColor32 c = alpha << 24 | TColor32(0xC0 - x) << 16 | TColor32(y * 70) << 8 | TColor32(x * 19);
      std::memcpy(row + x * bytes, &c, size_t(bytes));
      s.colours.push_back(c);
    }
  }
  return s;
}

TColor32 Grey(int i) { return TColor32(i) * 0x010101u; }
TColor32 Colourful(int i) { return TColor32(i) << 16 | TColor32(255 - i) << 8 | TColor32((i * 7) & 0xFF); }
TColor32 Sixteen(int i) { return TColor32(i * 16 + 15) << 16 | TColor32(i * 9) << 8 | TColor32(255 - i * 13); }
TColor32 BlackAndWhite(int i) { return i ? 0xFFFFFFu : 0; }

}  // namespace

// Every format the engine copies pixels from (grey and colour palettes of 8 bits, 4 and 1 bit,
// 24 and 32 bits) gives the pixels it holds, and their rows blend over a base in each draw
// mode as those pixels say.
TEST(Bitmap32Platform, BlendsRowsFromEverySourceFormat) {
  const struct {
    const char* name;
    SourcePicture (*make)();
  } sources[] = {
      {"8-bit grey", [] { return IndexedSource(vcl::pf8bit, 8, Grey); }},
      {"8-bit palette", [] { return IndexedSource(vcl::pf8bit, 8, Colourful); }},
      {"4-bit palette", [] { return IndexedSource(vcl::pf4bit, 4, Sixteen); }},
      {"1-bit", [] { return IndexedSource(vcl::pf1bit, 1, BlackAndWhite); }},
      {"24-bit", [] { return DirectSource(vcl::pf24bit); }},
      {"32-bit", [] { return DirectSource(vcl::pf32bit); }},
  };
  TBitmap32 base;
  base.SetSize(kSourceWidth, kSourceHeight);
  for (int i = 0; i < kSourceWidth * kSourceHeight; ++i) base.Bits()[i] = 0x80000000u | TColor32(i * 0x050B11);
  for (const auto& source : sources) {
    SCOPED_TRACE(source.name);
    const SourcePicture picture = source.make();
    TBitmap32 src;
    src.Assign(picture.bitmap.get());
    ASSERT_EQ(src.Width(), kSourceWidth);
    ASSERT_EQ(src.Height(), kSourceHeight);
    EXPECT_EQ(bitmap_test::PixelsOf(src), picture.colours);
    const struct {
      TDrawMode mode;
      uint32_t master;
    } setups[] = {{dmBlend, 255}, {dmBlend, 100}, {dmCustom, 200}};
    for (const auto& setup : setups) {
      src.SetDrawMode(setup.mode);
      src.SetMasterAlpha(setup.master);
      src.OnPixelCombine = BlendModeCombineEvent(3);  // Overlay
      TBitmap32 dst;
      dst.Assign(&base);
      src.DrawToRect(&dst, dst.BoundsRect());
      std::vector<TColor32> expected = bitmap_test::PixelsOf(base);
      for (int y = 0; y < kSourceHeight; ++y) {
        const TColor32* f = picture.colours.data() + y * kSourceWidth;
        TColor32* b = expected.data() + y * kSourceWidth;
        if (setup.mode == dmCustom)
          for (int x = 0; x < kSourceWidth; ++x) BlendOverlay(f[x], b[x], setup.master);
        else if (setup.master == 255)
          BlendRow(f, b, kSourceWidth);
        else
          BlendRowMaster(f, b, kSourceWidth, setup.master);
      }
      EXPECT_EQ(bitmap_test::PixelsOf(dst), expected) << "draw mode " << int(setup.mode) << " master " << setup.master;
    }
  }
}

TEST(Bitmap32Platform, CopyIntoAPlatformBitmapAndBackKeepsEveryPixel) {
  // A small picture, and one large enough to be copied in bands on the worker threads; each
  // into a fresh platform bitmap and into one that had another size and format.
  for (const auto& size : {std::pair{5, 3}, std::pair{1500, 800}}) {
    const int32_t w = size.first, h = size.second;
    TBitmap32 b;
    b.SetSize(w, h);
    for (int32_t i = 0; i < w * h; ++i) b.Bits()[i] = 0x01020304u * uint32_t(i + 1) + uint32_t(i) * 0x11000000u;
    for (bool reused : {false, true}) {
      vcl::TBitmap platform;
      if (reused) {
        platform.SetPixelFormat(vcl::pf24bit);
        platform.SetSize(7, 9);
      }
      platform.Assign(&b);
      EXPECT_EQ(platform.PixelFormat(), vcl::pf32bit);
      EXPECT_EQ(platform.HandleType(), vcl::bmDIB);
      ASSERT_EQ(platform.Width(), w);
      ASSERT_EQ(platform.Height(), h);
      // Row for row, alpha bytes included.
      for (int32_t y : {0, h / 2, h - 1})
        EXPECT_EQ(std::memcmp(platform.ScanLine(y), b.ScanLine(y), size_t(w) * 4), 0) << w << " row " << y;
      TBitmap32 back;
      back.Assign(&platform);
      EXPECT_EQ(bitmap_test::PixelsOf(back), bitmap_test::PixelsOf(b)) << w << " reused " << reused;
    }
  }
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
  EXPECT_EQ(bitmap_test::PixelsOf(read), bitmap_test::PixelsOf(b));
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
  for (const char* name : {"OuterColor", "StretchFilter", "OnChange", "OnHandleChanged", "OnPixelCombine", "OnResize"})
    EXPECT_NE(vcl::GetPropInfo(&b, name), nullptr) << name;
}

namespace {

// A component whose published method can be a bitmap's combiner: it puts the foreground's red
// into the background's blue and counts its calls.
class TCombinerOwner : public vcl::TComponent {
  VCL_CLASS(TCombinerOwner, vcl::TComponent)
  explicit TCombinerOwner(vcl::TComponent* owner);
  void RedIntoBlue(TColor32 f, TColor32& b, TColor32) {
    ++calls;
    b = (b & 0xFFFFFF00u) | ((f >> 16) & 0xFFu);
  }
  void Clicked(vcl::TObject*) {}
  int calls = 0;
};

TCombinerOwner::TCombinerOwner(vcl::TComponent* owner) : vcl::TComponent(owner) {}

}  // namespace

VCL_PUBLISHED(TCombinerOwner, p) {
  p.Method("RedIntoBlue", &TCombinerOwner::RedIntoBlue).Method("Clicked", &TCombinerOwner::Clicked);
}

// The combiner is a published event: bound by name to a published method of the right
// signature, read back as that method, listed where the bitmap's events are.
TEST(Bitmap32Platform, PixelCombineIsAPublishedEvent) {
  std::vector<std::string> names;
  for (const vcl::TPropInfo* prop : vcl::GetPropList(TBitmap32::StaticClass())) names.push_back(prop->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"DrawMode", "MasterAlpha", "OuterColor", "StretchFilter", "OnChange",
                                             "OnHandleChanged", "OnPixelCombine", "OnResize"}));

  TCombinerOwner owner(nullptr);
  TBitmap32 src, dst;
  const vcl::TPropInfo* prop = vcl::GetPropInfo(&src, "OnPixelCombine");
  ASSERT_NE(prop, nullptr);
  EXPECT_EQ(prop->Kind, vcl::tkMethod);
  vcl::SetMethodProp(&src, prop, vcl::TMethod{&owner, "redintoblue"});
  ASSERT_TRUE(src.OnPixelCombine.Assigned());
  EXPECT_EQ(vcl::GetMethodProp(&src, prop), (vcl::TMethod{&owner, "RedIntoBlue"}));
  EXPECT_EQ(vcl::GetPropValue(&src, "OnPixelCombine"), "RedIntoBlue");

  // dmCustom drawing calls the method for every pixel.
  src.SetSize(2, 1);
  src.FillColor(0xFF400000u);
  src.SetDrawMode(dmCustom);
  dst.SetSize(2, 1);
  dst.FillColor(0xFF000011u);
  src.DrawToRect(&dst, dst.BoundsRect());
  EXPECT_EQ(owner.calls, 2);
  EXPECT_EQ(bitmap_test::PixelsOf(dst), (std::vector<TColor32>{0xFF000040u, 0xFF000040u}));

  // The same method bound again is the same combiner.
  const TPixelCombineEvent first = src.OnPixelCombine;
  vcl::SetMethodProp(&src, prop, vcl::TMethod{&owner, "RedIntoBlue"});
  EXPECT_EQ(src.OnPixelCombine, first);

  // A method of another signature, or none of that name: the error, and the combiner stays.
  for (const char* wrong : {"Clicked", "Missing"}) {
    try {
      vcl::SetMethodProp(&src, prop, vcl::TMethod{&owner, wrong});
      ADD_FAILURE() << wrong;
    } catch (const vcl::EMethodNotFound& e) {
      EXPECT_EQ(e.Message(), std::string("Method ") + wrong + " not found");
    }
    EXPECT_EQ(src.OnPixelCombine, first);
  }

  // A combiner that is no published method (a blend mode) has no name; nil clears.
  src.OnPixelCombine = BlendModeCombineEvent(3);
  EXPECT_FALSE(vcl::GetMethodProp(&src, prop).Assigned());
  vcl::SetMethodProp(&src, prop, vcl::TMethod{});
  EXPECT_FALSE(src.OnPixelCombine.Assigned());
}

namespace {

// A file name in the system's temporary folder, deleted with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& fileName) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    name_ = std::string(folder) + std::to_string(GetCurrentProcessId()) + "-" + fileName;
    DeleteFileA(name_.c_str());
  }
  ~TempFile() { DeleteFileA(name_.c_str()); }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// A 3 x 2 platform bitmap whose pixel (x, y) has blue x * 40, green y * 90, red 0x80.
std::unique_ptr<vcl::TBitmap> NumberedPlatformBitmap(vcl::TPixelFormat format) {
  auto platform = std::make_unique<vcl::TBitmap>();
  platform->SetPixelFormat(format);
  platform->SetSize(3, 2);
  const int bpp = format == vcl::pf32bit ? 4 : 3;
  for (int y = 0; y < 2; ++y) {
    auto* row = static_cast<uint8_t*>(platform->ScanLine(y));
    for (int x = 0; x < 3; ++x) {
      row[x * bpp + 0] = uint8_t(x * 40);
      row[x * bpp + 1] = uint8_t(y * 90);
      row[x * bpp + 2] = 0x80;
      if (bpp == 4) row[x * bpp + 3] = 0x40;
    }
  }
  return platform;
}

TColor32 Numbered(int x, int y, TColor32 alpha) { return alpha | 0x00800000u | TColor32(y * 90) << 8 | TColor32(x * 40); }

// A 4 x 4 icon of one opaque colour.
HICON SolidIcon(TColor32 colour) {
  std::vector<uint32_t> colours(16, colour | 0xFF000000u);
  std::vector<uint8_t> mask(4 * 2, 0);  // rows of 16 bits: every pixel drawn
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = CreateBitmap(4, 4, 1, 32, colours.data());
  info.hbmMask = CreateBitmap(4, 4, 1, 1, mask.data());
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return icon;
}

}  // namespace

TEST(Bitmap32Platform, LoadFromFileThroughThePictureLoader) {
  TempFile file("numbered.bmp");
  NumberedPlatformBitmap(vcl::pf24bit)->SaveToFile(file.Name());
  TBitmap32 b;
  int changes = 0;
  b.OnChange = [&](vcl::TObject*) { ++changes; };
  b.LoadFromFile(file.Name());
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(*b.PixelPtr(x, y), Numbered(x, y, 0xFF000000u));
  EXPECT_EQ(changes, 1);

  // The loader's errors pass through and the bitmap keeps its pixels.
  const std::vector<TColor32> before = bitmap_test::PixelsOf(b);
  try {
    b.LoadFromFile(file.Name() + ".unknownext");
    ADD_FAILURE() << "no error";
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.unknownext)");
  }
  TempFile missing("missing.bmp");
  EXPECT_THROW(b.LoadFromFile(missing.Name()), vcl::Exception);
  EXPECT_EQ(bitmap_test::PixelsOf(b), before);
}

TEST(Bitmap32Platform, AssignFromPictures) {
  TBitmap32 b;
  // A picture of a 32-bit bitmap: copied with its alpha bytes.
  vcl::TPicture picture;
  picture.SetBitmap(NumberedPlatformBitmap(vcl::pf32bit).get());
  b.Assign(&picture);
  ASSERT_EQ(b.Width(), 3);
  EXPECT_EQ(*b.PixelPtr(2, 1), Numbered(2, 1, 0x40000000u));

  // A picture of another graphic: drawn at its size, then opaque.
  vcl::TIcon icon;
  icon.SetHandle(SolidIcon(0x00336699u));
  picture.SetIcon(&icon);
  b.Assign(&picture);
  ASSERT_EQ(b.Width(), icon.Width());
  ASSERT_EQ(b.Height(), icon.Height());
  EXPECT_EQ(*b.PixelPtr(1, 1), 0xFF336699u);

  // An empty picture empties the bitmap.
  vcl::TPicture empty;
  b.Assign(&empty);
  EXPECT_TRUE(b.IsEmpty());
}

TEST(Bitmap32Platform, AssignToAPictureReplacesItsGraphicWithA32BitBitmap) {
  TBitmap32 b;
  b.SetSize(2, 2);
  for (int32_t i = 0; i < 4; ++i) b.Bits()[i] = 0x10203040u * uint32_t(i + 1);
  vcl::TPicture picture;
  vcl::TIcon icon;
  icon.SetHandle(SolidIcon(0x00FF0000u));
  picture.SetIcon(&icon);
  picture.Assign(&b);
  auto* platform = dynamic_cast<vcl::TBitmap*>(picture.Graphic());
  ASSERT_NE(platform, nullptr);
  EXPECT_EQ(platform->PixelFormat(), vcl::pf32bit);
  TBitmap32 back;
  back.Assign(&picture);
  EXPECT_EQ(bitmap_test::PixelsOf(back), bitmap_test::PixelsOf(b));  // alpha bytes too
}

namespace {

// A graphic of a given size that cannot be drawn.
class TUndrawableGraphic : public vcl::TGraphic {
  VCL_CLASS(TUndrawableGraphic, vcl::TGraphic)
  TUndrawableGraphic(int width, int height) : width_(width), height_(height) {}
  bool Empty() const override { return false; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(vcl::TStream*) override {}
  void SaveToStream(vcl::TStream*) override {}
  void LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) override {}
  void SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}

 protected:
  void Draw(vcl::TCanvas*, const vcl::TRect&) override { throw vcl::EInvalidGraphic("Cannot draw"); }

 private:
  int width_, height_;
};

}  // namespace

// A copy that fails after the bitmap was resized (or its storage released) still signals the
// change, once, and leaves the update bracket closed.
TEST(Bitmap32Platform, AssignSignalsTheChangeAlsoWhenItFails) {
  const struct {
    const char* name;
    int width, height;
    int32_t expectedWidth, expectedHeight;
  } cases[] = {
      {"too large to store", 50000, 50000, 0, 0},  // the old storage is gone
      {"drawing fails", 3, 2, 3, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap32 b;
    b.SetSize(5, 4);
    int changes = 0;
    b.OnChange = [&](vcl::TObject*) { ++changes; };
    TUndrawableGraphic graphic(c.width, c.height);
    EXPECT_THROW(b.Assign(&graphic), vcl::Exception);
    EXPECT_EQ(b.Width(), c.expectedWidth);
    EXPECT_EQ(b.Height(), c.expectedHeight);
    EXPECT_EQ(changes, 1);
    b.SetSize(1, 1);  // signals again: no update was left open
    EXPECT_EQ(changes, 2);
  }
}

// Onto the clipboard as a bitmap, and back from the clipboard's picture, opaque.
TEST(Bitmap32Platform, ClipboardRoundTrip) {
  TBitmap32 b;
  b.SetSize(4, 3);
  for (int32_t i = 0; i < 12; ++i) b.Bits()[i] = 0x7F000000u | (0x00102030u * uint32_t(i + 1) & 0x00FFFFFFu);
  vcl::Clipboard()->Assign(&b);
  EXPECT_TRUE(vcl::Clipboard()->HasFormat(CF_BITMAP));
  TBitmap32 pasted;
  int changes = 0;
  pasted.OnChange = [&](vcl::TObject*) { ++changes; };
  pasted.Assign(vcl::Clipboard());
  ASSERT_EQ(pasted.Width(), 4);
  ASSERT_EQ(pasted.Height(), 3);
  for (int32_t i = 0; i < 12; ++i) EXPECT_EQ(pasted.Bits()[i], b.Bits()[i] | 0xFF000000u) << i;
  EXPECT_EQ(changes, 1);

  // Nothing a picture can take: the clipboard's error, and the bitmap is unchanged.
  vcl::Clipboard()->SetAsText("no picture");
  EXPECT_THROW(pasted.Assign(vcl::Clipboard()), vcl::EInvalidGraphic);
  EXPECT_EQ(pasted.Width(), 4);
  vcl::Clipboard()->Clear();
}
