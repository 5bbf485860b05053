// What the format methods do beyond calling their codec: the frames of a GIF animation composed
// up to the one asked for, the backgrounds a PNG or GIF load leaves, transparency in and out of
// the formats that keep it, the icon sizes written, 16-bit pixmaps, cursor hot spots.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/params/io_params.h"
#include "tests/imaging/io/format_cases.h"
#include "tests/imaging/io/gif_animation.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;
using test_files::Bytes;
using namespace gif_animation;

namespace {

bool Is(TIEBitmap& bitmap, int32_t x, int32_t y, uint8_t index, uint8_t alpha) {
  const TRGB p = bitmap.GetPixelRGB(x, y);
  const TRGB& want = kTable[index];
  const uint8_t a = bitmap.HasAlphaChannel() ? bitmap.GetAlphaAt(x, y) : 255;
  return p.r == want.r && p.g == want.g && p.b == want.b && a == alpha;
}

class GIFFramesTest : public IOTest {
 protected:
  // Loads frame `index` of the file through a stream; the number of frames.
  int32_t Load(TImageIO& io, const Bytes& file, int32_t index) {
    vcl::TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    stream.SetPosition(0);
    io.Params().GIFImageIndex = index;
    return io.LoadGIFFromStream(&stream);
  }
};

TEST_F(GIFFramesTest, FramesUpToTheOneAskedForAreComposedWithTheirDisposals) {
  const Bytes file = FourFrames();
  TImageIO io(nullptr);
  // Indexes of the other formats are not the GIF load's to change.
  io.Params().TIFFImageIndex = 7;
  EXPECT_EQ(Load(io, file, 3), 4);
  ASSERT_FALSE(io.Aborting());
  TIEBitmap& b = *io.IEBitmap();
  // The last frame reaches one pixel past the screen each way: the picture grows to hold it.
  ASSERT_EQ(b.Width(), 9);
  ASSERT_EQ(b.Height(), 7);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 9; ++x) {
      bool ok;
      if (x >= 7 && y >= 5)
        ok = Is(b, x, y, kGreen, 255);  // the last frame
      else if (x == 8 || y == 6)
        ok = Is(b, x, y, kYellow, 0);  // grown area: background, transparent
      else if (x >= 2 && x <= 5 && y >= 1 && y <= 3)
        ok = Is(b, x, y, kYellow, 0);  // the blue box went back to the background
      else
        ok = Is(b, x, y, kRed, 255);  // the green corner went back to the red it covered
      EXPECT_TRUE(ok) << x << "," << y;
    }
  TIOParamsVals& p = io.Params();
  EXPECT_EQ(p.GIFImageIndex, 3);
  EXPECT_EQ(p.TIFFImageIndex, 7);
  EXPECT_EQ(p.GIFImageCount, 4);
  EXPECT_EQ(p.GIFLeft, 0);
  EXPECT_EQ(p.GIFTop, 0);
  EXPECT_EQ(p.GIFDisposal, 2);
  EXPECT_EQ(p.Width, 9);
  EXPECT_EQ(p.Height, 7);
  EXPECT_EQ(p.FileType, 2);
  // The last frame has no transparent colour: the object takes the file's background.
  EXPECT_EQ(io.GetBackground(), 0x0000FFFF);
}

TEST_F(GIFFramesTest, EarlierFramesShowWhatWasOnTheScreenThen) {
  const Bytes file = FourFrames();
  TImageIO io(nullptr);
  Load(io, file, 2);
  ASSERT_FALSE(io.Aborting());
  TIEBitmap& b = *io.IEBitmap();
  ASSERT_EQ(b.Width(), 8);
  ASSERT_EQ(b.Height(), 6);
  // The corner's transparent pixels show the red below them.
  EXPECT_TRUE(Is(b, 0, 0, kGreen, 255));
  EXPECT_TRUE(Is(b, 1, 1, kGreen, 255));
  EXPECT_TRUE(Is(b, 1, 0, kRed, 255));
  EXPECT_TRUE(Is(b, 0, 1, kRed, 255));
  EXPECT_TRUE(Is(b, 3, 2, kYellow, 0));
  EXPECT_TRUE(Is(b, 7, 5, kRed, 255));
  // This frame has a transparent colour: it becomes the object's background.
  EXPECT_EQ(io.GetBackground(), 0);

  Load(io, file, 1);
  ASSERT_FALSE(io.Aborting());
  EXPECT_TRUE(Is(*io.IEBitmap(), 3, 2, kBlue, 255));
  EXPECT_TRUE(Is(*io.IEBitmap(), 1, 1, kRed, 255));
}

TEST_F(GIFFramesTest, ASingleFrameIsTakenAsItIs) {
  const Bytes file = AnimatedGIF(8, 6, kYellow, {{2, 1, 3, 2, {kBlue}, 2, -1}});
  TImageIO io(nullptr);
  EXPECT_EQ(Load(io, file, 0), 1);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.IEBitmap()->Width(), 3);
  EXPECT_EQ(io.IEBitmap()->Height(), 2);
  EXPECT_EQ(io.Params().GIFLeft, 2);
  EXPECT_EQ(io.Params().GIFTop, 1);
  EXPECT_TRUE(Is(*io.IEBitmap(), 0, 0, kBlue, 255));
}

TEST_F(GIFFramesTest, AFrameTheFileDoesNotHoldIsAFailedLoad) {
  const std::string name = "four.gif";
  test_files::WriteFileBytes(folder_.UnixFile(name), FourFrames());
  TImageIO io(nullptr);
  TReports reports;
  reports.Attach(io);
  FillSentinel(*io.IEBitmap());
  io.Params().GIFImageIndex = 4;
  io.LoadGIFFromFile(File(name));
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
  EXPECT_EQ(io.Params().GIFImageIndex, 4);
  EXPECT_EQ(reports.finished, 1);

  // By name, the whole file: frame 3 through the dispatch.
  io.Params().GIFImageIndex = 3;
  io.LoadFromFile(File(name));
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.IEBitmap()->Width(), 9);
  EXPECT_EQ(io.Params().FileName, File(name));
}

TEST_F(GIFFramesTest, AScreenTooLargeToComposeIsAFailedLoad) {
  // Two pixels of frames on a screen that claims 65535 x 65535 (a damaged header): no picture
  // of twelve gigabytes is made for them.
  const Bytes file = AnimatedGIF(65535, 65535, kYellow, {{0, 0, 1, 1, {kRed}, 1, -1}, {1, 1, 1, 1, {kBlue}, 1, -1}});
  TImageIO io(nullptr);
  FillSentinel(*io.IEBitmap());
  Load(io, file, 1);
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
}

// ---- PNG background ----

// The PNG without one chunk type (its other chunks and their check sums stay as they were).
Bytes WithoutChunk(const Bytes& png, const char* type) {
  Bytes out(png.begin(), png.begin() + 8);
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 | size_t(png[at + 2]) << 8 | png[at + 3];
    const size_t end = at + 12 + length;
    if (std::memcmp(&png[at + 4], type, 4) != 0)
      out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(at),
                 png.begin() + static_cast<std::ptrdiff_t>(end));
    at = end;
  }
  return out;
}

using PNGBackgroundTest = IOTest;

TEST_F(PNGBackgroundTest, TheFilesBackgroundBecomesTheObjects) {
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(Smooth(8, 8).get());
  writer.Params().PNGBackground = MakeRGB(10, 20, 30);
  vcl::TMemoryStream stream;
  writer.SavePNGToStream(&stream);
  ASSERT_FALSE(writer.Aborting());
  const Bytes withBackground = test_files::StreamBytes(&stream);
  const Bytes without = WithoutChunk(withBackground, "bKGD");
  ASSERT_LT(without.size(), withBackground.size());
  test_files::WriteFileBytes(folder_.UnixFile("with.png"), withBackground);
  test_files::WriteFileBytes(folder_.UnixFile("without.png"), without);

  for (bool byName : {true, false}) {
    TImageIO io(nullptr);
    io.SetBackground(0x00332211);
    if (byName) {
      io.LoadFromFile(File("with.png"));
    } else {
      stream.SetPosition(0);
      io.LoadFromStream(&stream);
    }
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.GetBackground(), 0x001E140A) << byName;
  }

  // A file without a background of its own: a load by name keeps the object's and reports it.
  TImageIO io(nullptr);
  io.SetBackground(0x00332211);
  io.LoadFromFile(File("without.png"));
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.GetBackground(), 0x00332211);
  EXPECT_EQ(io.Params().PNGBackground.r, 0x11);
  EXPECT_EQ(io.Params().PNGBackground.b, 0x33);

  // A failed load leaves the background alone.
  test_files::WriteFileBytes(folder_.UnixFile("cut.png"), Bytes(withBackground.begin(), withBackground.begin() + 40));
  io.LoadFromFile(File("cut.png"));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(io.GetBackground(), 0x00332211);
}

// ---- transparency ----

struct TAlphaCase {
  const char* name;
  int32_t fileType;
  bool graded;  // the format keeps alpha values between 0 and 255 (the others only 0 and 255)
  void (*settings)(TIOParamsVals& params);
};

const TAlphaCase kAlphaCases[] = {
    {"PNG", 8, true, [](TIOParamsVals&) {}},
    {"BMP", 5, true, [](TIOParamsVals& p) { p.BMPAlphaByte = true; }},
    {"ICO24", 6, false, [](TIOParamsVals& p) { p.ICOWriteBitCounts[0] = 24; }},
    {"ICO32", 6, true, [](TIOParamsVals& p) { p.ICOWriteBitCounts[0] = 32; }},
    {"GIF", 2, false, [](TIOParamsVals&) {}},
};

class AlphaTest : public IOTest, public ::testing::WithParamInterface<TAlphaCase> {};

TEST_P(AlphaTest, SurvivesAWriteAndARead) {
  const TAlphaCase& c = GetParam();
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign((c.fileType == 2 ? test_pictures::FewColours(32, 24, 5) : Smooth(32, 24)).get());
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 32; ++x) {
      const uint8_t binary = (x + y) % 5 == 0 ? 0 : 255;
      writer.IEBitmap()->SetAlphaAt(x, y, c.graded && y > 12 ? uint8_t(x * 8) : binary);
    }
  writer.Params().ICOWriteSizes[0] = TIOICOSize{32, 24};
  c.settings(writer.Params());
  vcl::TMemoryStream stream;
  writer.SaveToStream(&stream, c.fileType);
  ASSERT_FALSE(writer.Aborting());

  TImageIO reader(nullptr);
  c.settings(reader.Params());
  stream.SetPosition(0);
  reader.LoadFromStream(&stream);
  ASSERT_FALSE(reader.Aborting());
  ASSERT_TRUE(reader.IEBitmap()->HasAlphaChannel());
  EXPECT_TRUE(SameAlpha(*reader.IEBitmap(), *writer.IEBitmap()));
}

INSTANTIATE_TEST_SUITE_P(Formats, AlphaTest, ::testing::ValuesIn(kAlphaCases),
                         [](const auto& info) { return std::string(info.param.name); });

using BMPAlphaTest = IOTest;

TEST_F(BMPAlphaTest, OnlyWithTheAlphaByteSetting) {
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(Smooth(16, 8).get());
  writer.IEBitmap()->SetAlphaAt(3, 3, 0);
  writer.Params().BMPAlphaByte = true;
  vcl::TMemoryStream withAlpha;
  writer.SaveToStream(&withAlpha, 5);
  writer.Params().BMPAlphaByte = false;
  vcl::TMemoryStream opaque;
  writer.SaveToStream(&opaque, 5);

  // Written without the setting: opaque. Read without it: the alpha bytes are not taken.
  for (auto [stream, alphaByte] : {std::pair{&opaque, true}, std::pair{&withAlpha, false}}) {
    TImageIO reader(nullptr);
    reader.Params().BMPAlphaByte = alphaByte;
    stream->SetPosition(0);
    reader.LoadFromStream(stream);
    ASSERT_FALSE(reader.Aborting());
    EXPECT_TRUE(!reader.IEBitmap()->HasAlphaChannel() || reader.IEBitmap()->GetAlphaAt(3, 3) == 255);
  }
}

// ---- icons ----

using IconTest = IOTest;

TEST_F(IconTest, EveryLeadingSizeIsWrittenAndEachEntryReadsBack) {
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(Smooth(40, 40).get());
  TIOParamsVals& p = writer.Params();
  p.ICOWriteSizes.fill(TIOICOSize{});
  p.ICOWriteSizes[0] = {16, 16};
  p.ICOWriteSizes[1] = {32, 32};
  p.ICOWriteSizes[2] = {48, 48};
  p.ICOWriteSizes[4] = {64, 64};  // after the first empty entry: not written
  p.ICOWriteBitCounts.fill(0);
  p.ICOWriteBitCounts[0] = 4;
  p.ICOWriteBitCounts[1] = 8;
  p.ICOWriteBitCounts[2] = 24;
  writer.SaveToFile(File("three.ico"));
  ASSERT_FALSE(writer.Aborting());
  EXPECT_EQ(writer.Params().FileType, 6);
  const Bytes file = test_files::ReadFileBytes(folder_.UnixFile("three.ico"));
  ASSERT_GE(file.size(), 6u);
  EXPECT_EQ(file[4] | file[5] << 8, 3);

  TImageIO reader(nullptr);
  reader.Params().ICOImageIndex = 2;
  reader.LoadFromFile(File("three.ico"));
  ASSERT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.IEBitmap()->Width(), 48);
  EXPECT_EQ(reader.Params().ICOWriteSizes[1].Width, 32);
  EXPECT_EQ(reader.Params().ICOWriteSizes[3].Width, 0);
  EXPECT_EQ(reader.Params().ICOWriteBitCounts[0], 4);
  EXPECT_EQ(reader.Params().ICOWriteBitCounts[2], 24);
}

TEST_F(IconTest, NoSizeToWriteIsAFailedSave) {
  const Bytes old = test_files::ToBytes("an icon already there");
  test_files::WriteFileBytes(folder_.UnixFile("none.ico"), old);
  TImageIO writer(nullptr);
  writer.IEBitmap()->Assign(Smooth(16, 16).get());
  writer.Params().ICOWriteSizes[0] = TIOICOSize{0, 0};
  writer.SaveToFile(File("none.ico"));
  EXPECT_TRUE(writer.Aborting());
  EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile("none.ico")), old);
}

TEST_F(IconTest, ACursorReportsItsHotSpot) {
  auto source = SourceIO(AllFormats()[0], 16, 16);
  vcl::TMemoryStream stream;
  source->SaveICOToStream(&stream);
  Bytes cursor = IconAsCursor(test_files::StreamBytes(&stream));
  ASSERT_GE(cursor.size(), 22u);
  cursor[10] = 5;  // the first entry's hot spot: (5, 7)
  cursor[11] = 0;
  cursor[12] = 7;
  cursor[13] = 0;
  test_files::WriteFileBytes(folder_.UnixFile("pointer.cur"), cursor);

  TImageIO reader(nullptr);
  reader.LoadFromFileAuto(File("pointer.cur"));
  ASSERT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.Params().FileType, 7);
  EXPECT_EQ(reader.Params().CURHotSpotX, 5);
  EXPECT_EQ(reader.Params().CURHotSpotY, 7);
  EXPECT_TRUE(Matches(*reader.IEBitmap(), *source->IEBitmap(), 0));
  // There is no cursor writer.
  reader.SaveToFile(File("copy.cur"));
  EXPECT_TRUE(reader.Aborting());
}

// ---- 16-bit pixmaps ----

using PixmapTest = IOTest;

TEST_F(PixmapTest, SixteenBitImagesKeepTheirSamples) {
  for (TIEPixelFormat format : {ie16g, ieRGB48}) {
    TImageIO writer(nullptr);
    TIEBitmap* source = writer.IEBitmap();
    source->Allocate(20, 10, format);
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 20; ++x) {
        const uint16_t v = uint16_t(x * 3000 + y * 7 + 1);
        if (format == ie16g)
          source->SetPixel16(x, y, v);
        else
          source->SetPixel48(x, y, TIEBitmap::TRGB48{v, uint16_t(v ^ 0x5555), uint16_t(65535 - v)});
      }
    // One sample per pixel, as a grey map read from a file reports.
    writer.Params().SamplesPerPixel = format == ie16g ? 1 : 3;
    vcl::TMemoryStream stream;
    writer.SavePXMToStream(&stream);
    ASSERT_FALSE(writer.Aborting());
    EXPECT_EQ(source->PixelFormat(), format);
    const Bytes bytes = test_files::StreamBytes(&stream);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[1], format == ie16g ? '5' : '6');

    TImageIO reader(nullptr);
    reader.SetNativePixelFormat(true);
    stream.SetPosition(0);
    reader.LoadFromStream(&stream);
    ASSERT_FALSE(reader.Aborting());
    EXPECT_EQ(reader.Params().BitsPerSample, 16);
    TIEBitmap* read = reader.IEBitmap();
    ASSERT_EQ(read->PixelFormat(), format);
    bool same = true;
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 20; ++x)
        if (format == ie16g) {
          same = same && read->GetPixel16(x, y) == source->GetPixel16(x, y);
        } else {
          const TIEBitmap::TRGB48 a = read->GetPixel48(x, y), b = source->GetPixel48(x, y);
          same = same && a.r == b.r && a.g == b.g && a.b == b.b;
        }
    EXPECT_TRUE(same) << format;
  }
}

}  // namespace
