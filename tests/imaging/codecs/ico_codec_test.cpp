// Icons and cursors against netpbm's ppmtowinicon, pamtowinicon and winicontopam: entries
// written here (every depth, several sizes) decode there to the same pixels and transparency,
// files made there (1, 4, 8 and 32 bits, PNG entries, several images) read here to the same
// pixels, cursors keep their hot spot, shell icons come through the real shell, and damaged
// files end with the aborting flag and the target untouched.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/ico/ico_reader.h"
#include "imaging/codecs/ico/ico_writer.h"
#include "imaging/codecs/ico/shell_icons.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

codec_runs::ReadResult ReadIcon(const Bytes& bytes, TIOParamsVals& params, bool cursor = false, bool preview = false) {
  codec_runs::ReadResult result;
  TIEMask* mask = nullptr;
  result.ok = codec_runs::ReadGuarded(bytes, [&](auto* stream, TCodecProgress& progress) {
    if (cursor)
      ReadCURStream(stream, result.bitmap.get(), params, preview, progress, mask, false);
    else
      ReadICOStream(stream, result.bitmap.get(), params, preview, progress, mask, false);
  });
  result.mask.reset(mask);
  return result;
}

Bytes WriteIcon(TIEBitmap* bitmap, TIOParamsVals& params, const std::vector<TIOICOSize>& sizes,
                const std::vector<int32_t>& bits) {
  return codec_runs::WriteToMemory(
      [&](auto* stream, TCodecProgress& progress) { WriteICOStream(stream, bitmap, params, progress, sizes, bits); });
}

std::unique_ptr<TIEBitmap> IcoWithAlpha(std::unique_ptr<TIEBitmap> bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) bitmap->SetAlphaAt(x, y, (x + 2 * y) % 7 == 0 ? 0 : 255);
  return bitmap;
}

// Opaque pixels' colours (transparent ones as 0) and a 0/1 transparency list.
std::vector<uint32_t> OpaqueColours(const std::vector<uint32_t>& colours, const std::vector<bool>& opaque) {
  std::vector<uint32_t> out = colours;
  for (size_t i = 0; i < out.size(); ++i)
    if (!opaque[i]) out[i] = 0;
  return out;
}

std::vector<bool> OpaqueOf(const codec_runs::ReadResult& read) {
  std::vector<bool> opaque;
  for (int32_t y = 0; y < read.bitmap->Height(); ++y)
    for (int32_t x = 0; x < read.bitmap->Width(); ++x) {
      bool o = true;
      if (read.mask) {
        o = read.mask->GetPixel(x, y) == 255;
      } else if (read.bitmap->HasAlphaChannel()) {
        o = read.bitmap->GetAlphaAt(x, y) == 255;
      }
      opaque.push_back(o);
    }
  return opaque;
}

std::vector<bool> OpaqueOf(const TNetpbmImage& pam) {
  std::vector<bool> opaque;
  for (size_t i = 0; i < size_t(pam.width) * pam.height; ++i)
    opaque.push_back(pam.depth != 4 || pam.samples[i * 4 + 3] == pam.maxval);
  return opaque;
}

class IcoCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"ppmtowinicon", "pamtowinicon", "winicontopam"})) GTEST_SKIP() << "netpbm's icon tools are needed";
  }
};

}  // namespace

TEST_F(IcoCodec, WrittenEntriesDecodeWithWinicontopamToTheSamePixels) {
  struct Case {
    const char* name;
    std::unique_ptr<TIEBitmap> (*make)();
    std::vector<TIOICOSize> sizes;
    std::vector<int32_t> bits;
    bool exact;  // written at the source's size from few enough colours
  } cases[] = {
      {"every depth at the source size", [] { return IcoWithAlpha(test_pictures::FewColours(32, 32, 12)); },
       {{32, 32}, {32, 32}, {32, 32}, {32, 32}}, {4, 8, 24, 32}, true},
      {"bilevel", [] { return test_pictures::Checker1Bit(16, 16); }, {{16, 16}}, {1}, true},
      {"resampled sizes", [] { return IcoWithAlpha(test_pictures::Gradient(40, 30)); },
       {{16, 16}, {48, 48}, {256, 256}, {20, 12}}, {8, 24, 32, 4}, false},
      {"odd width", [] { return test_pictures::FewColours(13, 7, 5); }, {{13, 7}, {13, 7}}, {4, 24}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = c.make();
    TIOParamsVals params(nullptr);
    const Bytes file = WriteIcon(bitmap.get(), params, c.sizes, c.bits);
    ASSERT_FALSE(file.empty());
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      SCOPED_TRACE(i);
      const TNetpbmImage there = ParseNetpbm(RunTool("winicontopam -image=" + std::to_string(i) + " 2>/dev/null", file));
      ASSERT_TRUE(there.Valid());
      TIOParamsVals back(nullptr);
      back.ICOImageIndex = int32_t(i);
      codec_runs::ReadResult read = ReadIcon(file, back);
      ASSERT_TRUE(read.ok);
      EXPECT_EQ(read.bitmap->Width(), c.sizes[i].Width);
      EXPECT_EQ(read.bitmap->Height(), c.sizes[i].Height);
      const std::vector<bool> opaque = OpaqueOf(read);
      EXPECT_EQ(opaque, OpaqueOf(there));
      EXPECT_EQ(OpaqueColours(PixelsOf(read.bitmap.get()), opaque), OpaqueColours(PixelsOf(there), opaque));
      if (c.exact) {
        EXPECT_EQ(OpaqueColours(PixelsOf(read.bitmap.get()), opaque), OpaqueColours(PixelsOf(bitmap.get()), opaque));
      }
    }
  }
}

TEST_F(IcoCodec, NetpbmIconsReadToTheSamePixels) {
  const std::string dir = test_files::MakeTempDir();
  auto write = [&](const std::string& name, TIEBitmap* bitmap) {
    test_files::WriteFileBytes(dir + "/" + name, ToPPM(bitmap));
    return "'" + dir + "/" + name + "'";
  };
  auto two = test_pictures::FewColours(16, 16, 2);
  auto sixteen = test_pictures::FewColours(32, 32, 10);
  auto many = test_pictures::FewColours(48, 48, 100);
  const std::string files = write("a.ppm", two.get()) + " " + write("b.ppm", sixteen.get()) + " " + write("c.ppm", many.get());
  const Bytes icon = RunTool("ppmtowinicon " + files + " 2>/dev/null", {});
  ASSERT_FALSE(icon.empty());
  TIEBitmap* pictures[] = {two.get(), sixteen.get(), many.get()};
  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    TIOParamsVals params(nullptr);
    params.ICOImageIndex = i;
    codec_runs::ReadResult read = ReadIcon(icon, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(pictures[i]));
    EXPECT_FALSE(read.mask);  // nothing transparent
    EXPECT_EQ(params.ICOWriteSizes[2].Width, 48);
  }
  // 32 bits with alpha from pamtowinicon, and the same as a PNG entry.
  auto picture = test_pictures::Gradient(24, 24);
  std::string pam = "P7\nWIDTH 24\nHEIGHT 24\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 24; ++x) {
      const TRGB c = picture->GetPixelRGB(x, y);
      pam += char(c.r), pam += char(c.g), pam += char(c.b), pam += char(x * 10);
    }
  for (const char* options : {"", "-pngthreshold=1"}) {
    SCOPED_TRACE(options);
    const Bytes file = RunTool(std::string("pamtowinicon ") + options + " 2>/dev/null", test_files::ToBytes(pam));
    ASSERT_FALSE(file.empty());
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadIcon(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(picture.get()));
    const uint8_t alpha = read.mask ? uint8_t(read.mask->GetPixel(5, 3)) : read.bitmap->GetAlphaAt(5, 3);
    EXPECT_EQ(alpha, 50);
  }
}

TEST(IcoReader, MasksBackgroundsAndCursors) {
  // A 1-bit icon: transparent black pixels take the white background, screen-inverting white
  // ones turn black; both are transparent in the mask.
  Bytes icon = {0, 0, 1, 0, 1, 0, 2, 1, 2, 0, 1, 0, 1, 0};
  test_files::PutLE32(icon, 40 + 8 + 4 + 4);
  test_files::PutLE32(icon, 22);
  test_files::PutLE32(icon, 40), test_files::PutLE32(icon, 2), test_files::PutLE32(icon, 2);
  test_files::PutLE16(icon, 1), test_files::PutLE16(icon, 1);
  icon.resize(icon.size() + 24, 0);
  test_files::PutLE32(icon, 0), test_files::PutLE32(icon, 0xFFFFFF);
  icon.insert(icon.end(), {0x40, 0, 0, 0});  // XOR: black, white
  icon.insert(icon.end(), {0xC0, 0, 0, 0});  // AND: both transparent
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult read = ReadIcon(icon, params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(PixelsOf(read.bitmap.get()), (std::vector<uint32_t>{0xFFFFFF, 0}));
  ASSERT_TRUE(read.mask);
  EXPECT_EQ(read.mask->GetPixel(0, 0), 0);
  // A colours-used count that is no count at all gives the full palette (a count read as
  // negative once sized the palette read past its buffer).
  Bytes hugeCount = icon;
  hugeCount[22 + 32] = 0x33, hugeCount[22 + 35] = 0xC7;
  codec_runs::ReadResult counted = ReadIcon(hugeCount, params);
  ASSERT_TRUE(counted.ok);
  EXPECT_EQ(PixelsOf(counted.bitmap.get()), PixelsOf(read.bitmap.get()));
  // The same bytes as a cursor: the hot spot from the entry, a mask even when opaque.
  Bytes cursor = icon;
  cursor[2] = 2;
  cursor[10] = 7, cursor[12] = 9;  // hot spot 7, 9
  cursor.back() = 0;
  codec_runs::ReadResult pointer = ReadIcon(cursor, params, true);
  ASSERT_TRUE(pointer.ok);
  EXPECT_EQ(params.CURHotSpotX, 7);
  EXPECT_EQ(params.CURHotSpotY, 9);
  EXPECT_TRUE(pointer.mask);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(cursor.data(), int32_t(cursor.size()));
  stream.SetPosition(0);
  EXPECT_TRUE(IsCURStream(&stream));
  EXPECT_FALSE(IsICOStream(&stream));
  // 32 bits whose alpha bytes are all 0 take the AND mask; a file that is a BMP reads as one.
  auto opaque = test_pictures::FewColours(8, 8, 3);
  TIOParamsVals writeParams(nullptr);
  const Bytes written = WriteIcon(IcoWithAlpha(test_pictures::FewColours(8, 8, 3)).get(), writeParams, {{8, 8}}, {32});
  Bytes zeroAlpha = written;
  for (size_t i = 22 + 40 + 3; i < 22 + 40 + 8 * 8 * 4; i += 4) zeroAlpha[i] = 0;
  codec_runs::ReadResult fromAnd = ReadIcon(zeroAlpha, params);
  ASSERT_TRUE(fromAnd.ok);
  ASSERT_TRUE(fromAnd.mask);
  EXPECT_EQ(fromAnd.mask->GetPixel(0, 0), 0);
  EXPECT_EQ(fromAnd.mask->GetPixel(1, 0), 255);
  // A BMP file under an icon's name reads as the BMP it is.
  vcl::TMemoryStream bmp;
  codec_runs::TAbortableProgress progress;
  TIOParamsVals bmpParams(nullptr);
  WriteBMPStream(&bmp, opaque.get(), bmpParams, progress, false);
  codec_runs::ReadResult asBmp = ReadIcon(test_files::StreamBytes(&bmp), params);
  ASSERT_TRUE(asBmp.ok);
  EXPECT_EQ(PixelsOf(asBmp.bitmap.get()), PixelsOf(opaque.get()));
}

TEST(IcoReader, BareEntries) {
  // One entry without its directory, as other containers keep icons and cursors.
  TIOParamsVals params(nullptr);
  auto picture = IcoWithAlpha(test_pictures::FewColours(12, 10, 6));
  const Bytes file = WriteIcon(picture.get(), params, {{12, 10}}, {8});
  const Bytes bare(file.begin() + 22, file.end());
  TIOParamsVals iconParams(nullptr);
  iconParams.BMPNoFileHeader = true;
  codec_runs::ReadResult icon = ReadIcon(bare, iconParams);
  ASSERT_TRUE(icon.ok);
  EXPECT_EQ(iconParams.ICOWriteSizes[0].Width, 12);
  EXPECT_EQ(iconParams.ICOWriteSizes[0].Height, 10);
  ASSERT_TRUE(icon.mask);
  Bytes withHotSpot = {3, 0, 4, 0};
  withHotSpot.insert(withHotSpot.end(), bare.begin(), bare.end());
  TIOParamsVals cursorParams(nullptr);
  cursorParams.BMPNoFileHeader = true;
  codec_runs::ReadResult cursor = ReadIcon(withHotSpot, cursorParams, true);
  ASSERT_TRUE(cursor.ok);
  EXPECT_EQ(cursorParams.CURHotSpotX, 3);
  EXPECT_EQ(cursorParams.CURHotSpotY, 4);
  EXPECT_EQ(PixelsOf(cursor.bitmap.get()), PixelsOf(icon.bitmap.get()));
}

TEST(IcoWriter, DirectoryEntries) {
  auto bitmap = IcoWithAlpha(test_pictures::Gradient(40, 40));
  TIOParamsVals params(nullptr);
  const Bytes file = WriteIcon(bitmap.get(), params, {{16, 16}, {32, 32}, {256, 256}}, {4, 32, 8});
  ASSERT_GT(file.size(), 6u + 48);
  EXPECT_EQ(file[4], 3);
  // 4 bits: colour count 16, planes and bit count 0, palette entry 0 black.
  EXPECT_EQ(Bytes(file.begin() + 6, file.begin() + 14), (Bytes{16, 16, 16, 0, 0, 0, 0, 0}));
  const uint32_t first = file[18] | (file[19] << 8);
  EXPECT_EQ(Bytes(file.begin() + first + 40, file.begin() + first + 44), (Bytes{0, 0, 0, 0}));
  // 32 bits: planes 1, bit count 32; 256 is written as 0; 8 bits have colour count 255.
  EXPECT_EQ(Bytes(file.begin() + 22, file.begin() + 30), (Bytes{32, 32, 0, 0, 1, 0, 32, 0}));
  EXPECT_EQ(Bytes(file.begin() + 38, file.begin() + 41), (Bytes{0, 0, 255}));
  TIOParamsVals back(nullptr);
  back.ICOImageIndex = 2;
  codec_runs::ReadResult read = ReadIcon(file, back);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.bitmap->Width(), 256);
  // A bit count of 0 follows the parameters, which a non-24-bit image turns into 1 bit.
  TIOParamsVals oneBit(nullptr);
  const Bytes bilevel = WriteIcon(test_pictures::Checker1Bit(16, 16).get(), oneBit, {{16, 16}}, {0});
  EXPECT_EQ(bilevel[8], 2);
  // Sizes past 256 and arrays of different lengths are refused.
  EXPECT_TRUE(WriteIcon(bitmap.get(), params, {{300, 300}}, {24}).empty());
  EXPECT_TRUE(WriteIcon(bitmap.get(), params, {{16, 16}}, {24, 32}).empty());
}

TEST(IcoReader, DamagedFilesFailAndLeaveTheTargetAlone) {
  TIOParamsVals params(nullptr);
  const Bytes valid =
      WriteIcon(IcoWithAlpha(test_pictures::FewColours(20, 20, 12)).get(), params, {{16, 16}, {20, 20}}, {8, 32});
  ASSERT_FALSE(valid.empty());
  Bytes outside = valid;
  outside[6 + 16 + 12] = 0xF0;  // the second entry's offset past the end
  Bytes index = valid;
  for (const auto& [bytes, entry] : {std::pair{outside, 1}, std::pair{index, 5}}) {
    auto bitmap = std::make_unique<TIEBitmap>(3, 3, ie24RGB);
    TIOParamsVals read(nullptr);
    read.ICOImageIndex = entry;
    fuzz::Bytes copy = bytes;
    fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
    codec_runs::TAbortableProgress progress;
    TIEMask* mask = nullptr;
    ReadICOStream(&stream, bitmap.get(), read, false, progress, mask, false);
    EXPECT_TRUE(progress.aborting);
    EXPECT_EQ(mask, nullptr);
    EXPECT_EQ(bitmap->Width(), 3);
  }
  // Every cut inside the entry read ends in the aborting flag.
  for (int32_t entry : {0, 1}) {
    const size_t at = 6 + 16 * size_t(entry);
    const size_t end = (valid[at + 8] | (valid[at + 9] << 8) | (valid[at + 10] << 16)) +
                       (valid[at + 12] | (valid[at + 13] << 8) | (valid[at + 14] << 16));
    for (size_t size = 0; size < end; ++size) {
      TIOParamsVals read(nullptr);
      read.ICOImageIndex = entry;
      EXPECT_FALSE(ReadIcon(Bytes(valid.begin(), valid.begin() + size), read).ok) << "cut at " << size;
    }
  }
}

TEST(IcoReader, FuzzedFiles) {
  TIOParamsVals params(nullptr);
  const Bytes icon = WriteIcon(IcoWithAlpha(test_pictures::FewColours(20, 20, 12)).get(), params,
                               {{16, 16}, {20, 20}, {8, 8}, {9, 5}}, {1, 4, 8, 32});
  ASSERT_FALSE(icon.empty());
  Bytes cursor = icon;
  cursor[2] = 2;
  unsigned seed = 9500;
  for (const Bytes& file : {icon, cursor}) {
    fuzz::Fuzz("icon", file, seed++, [](uint8_t* data, int32_t size) {
      for (int32_t index = 0; index < 4; ++index)
        for (bool cursorRead : {false, true}) {
          fuzz::TGuardedStream stream(data, size);
          TIEBitmap bitmap;
          TIOParamsVals params(nullptr);
          params.ICOImageIndex = params.CURImageIndex = index;
          params.KeepNativePixelFormat = index & 1;
          codec_runs::TAbortableProgress progress;
          TIEMask* mask = nullptr;
          if (cursorRead)
            ReadCURStream(&stream, &bitmap, params, false, progress, mask, false);
          else
            ReadICOStream(&stream, &bitmap, params, false, progress, mask, false);
          delete mask;
          stream.SetPosition(0);
          IsICOStream(&stream);
          IsCURStream(&stream);
        }
    });
  }
}

TEST(ShellIcons, FileIconsComeThroughTheShell) {
  // A program's icon: a picture with transparency.
  TIEBitmap bitmap;
  GetFileIconBitmap("C:\\windows\\system32\\notepad.exe", &bitmap);
  EXPECT_GT(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Width(), bitmap.Height());
  // No file, no icon: the pixels stay, the alpha channel goes.
  TIEBitmap kept(5, 4, ie24RGB);
  kept.Fill(0x00FF00);
  kept.GetAlphaChannel();
  GetFileIconBitmap("C:\\no such folder\\no such file.none", &kept);
  EXPECT_EQ(kept.Width(), 5);
  EXPECT_FALSE(kept.HasAlphaChannel());
  EXPECT_EQ(GetFileIconHandle("C:\\no such folder\\no such file.none"), nullptr);
}
