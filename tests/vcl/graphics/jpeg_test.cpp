// TJPEGImage: files written are read by the system's djpeg and by the class; files of cjpeg
// are read; decoding settings; damaged files raise and keep the old picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/jpeg.h"

using namespace vcl;
using graphics_test::BytesOf;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::StreamOf;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A smooth picture, which JPEG keeps well.
std::unique_ptr<TBitmap> Gradient() {
  auto bitmap = MakeBitmap(kWidth, kHeight, pf24bit);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      row[3 * x] = uint8_t(x * 4);                // blue
      row[3 * x + 1] = uint8_t(y * 5);            // green
      row[3 * x + 2] = uint8_t(255 - x * 2 - y);  // red
    }
  }
  return bitmap;
}

// Blue, green, red of a pixel of a 24-bit bitmap.
const uint8_t* At(TBitmap& bitmap, int x, int y) { return static_cast<const uint8_t*>(bitmap.ScanLine(y)) + 3 * x; }

std::vector<uint8_t> Encode(TBitmap& bitmap, int quality, bool progressive = false) {
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  jpeg.SetCompressionQuality(quality);
  jpeg.SetProgressiveEncoding(progressive);
  return graphics_test::SaveGraphic(jpeg);
}

std::unique_ptr<TJPEGImage> Decode(const std::vector<uint8_t>& file) {
  return graphics_test::LoadGraphic<TJPEGImage>(file);
}

std::unique_ptr<TBitmap> ToBitmap(TJPEGImage& jpeg) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(&jpeg);
  return bitmap;
}

// The RGB bytes of a binary PPM, or nothing when it is not one of the expected size.
std::vector<uint8_t> PpmPixels(const std::string& ppm, int width, int height) {
  std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  if (ppm.compare(0, header.size(), header) != 0 || ppm.size() != header.size() + size_t(width) * height * 3) return {};
  return std::vector<uint8_t>(ppm.begin() + header.size(), ppm.end());
}

std::string Ppm(TBitmap& bitmap) {
  std::string ppm = "P6\n" + std::to_string(bitmap.Width()) + " " + std::to_string(bitmap.Height()) + "\n255\n";
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const uint8_t* p = At(bitmap, x, y);
      ppm += char(p[2]);
      ppm += char(p[1]);
      ppm += char(p[0]);
    }
  return ppm;
}

// The quantisation tables (DQT segments) of a JPEG file.
std::vector<std::vector<uint8_t>> QuantisationTables(const std::vector<uint8_t>& file) {
  std::vector<std::vector<uint8_t>> tables;
  size_t i = 2;
  while (i + 4 <= file.size() && file[i] == 0xFF && file[i + 1] != 0xDA) {
    size_t length = size_t(file[i + 2]) << 8 | file[i + 3];
    if (file[i + 1] == 0xDB) tables.emplace_back(file.begin() + i + 4, file.begin() + i + 2 + length);
    i += 2 + length;
  }
  return tables;
}

bool HasMarker(const std::vector<uint8_t>& file, uint8_t marker) {
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == marker) return true;
  return false;
}

void ExpectJpegError(const std::vector<uint8_t>& file, const std::string& what) {
  try {
    Decode(file);
    ADD_FAILURE() << what << ": no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message().rfind("JPEG error #", 0), 0u) << what << ": " << e.Message();
    EXPECT_GT(std::atoi(e.Message().c_str() + 12), 0) << what;
  }
}

TEST(Jpeg, QualitySeventyIsReadByDjpegAndByTheClass) {
  TestTempFolder dir;
  auto original = Gradient();
  TJPEGImage jpeg;
  jpeg.Assign(original.get());
  jpeg.SetCompressionQuality(70);
  jpeg.SaveToFile(dir.File("q70.jpg"));

  int status = -1;
  std::vector<uint8_t> theirs =
      PpmPixels(graphics_test::Run("djpeg -pnm '" + dir.UnixFile("q70.jpg") + "'", &status), kWidth, kHeight);
  ASSERT_EQ(status, 0);
  ASSERT_FALSE(theirs.empty());

  TJPEGImage loaded;
  loaded.LoadFromFile(dir.File("q70.jpg"));
  EXPECT_EQ(loaded.Width(), kWidth);
  EXPECT_EQ(loaded.Height(), kHeight);
  auto ours = ToBitmap(loaded);
  ASSERT_EQ(ours->PixelFormat(), pf24bit);
  long error = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* p = At(*ours, x, y);
      const uint8_t* q = &theirs[3 * (y * kWidth + x)];
      // The same decoder and settings: the same pixels.
      ASSERT_EQ(p[2], q[0]) << x << "," << y;
      ASSERT_EQ(p[1], q[1]) << x << "," << y;
      ASSERT_EQ(p[0], q[2]) << x << "," << y;
      const uint8_t* o = At(*original, x, y);
      for (int c = 0; c < 3; ++c) error += std::abs(int(p[c]) - int(o[c]));
    }
  EXPECT_LT(error / double(kWidth * kHeight * 3), 3.0);

  // Quality 70 means the quantisation tables that cjpeg uses for quality 70.
  graphics_test::WriteUnixFile(dir.UnixFile("original.ppm"), [&] {
    std::string ppm = Ppm(*original);
    return std::vector<uint8_t>(ppm.begin(), ppm.end());
  }());
  graphics_test::Run("cjpeg -quality 70 -outfile '" + dir.UnixFile("cjpeg.jpg") + "' '" +
                         dir.UnixFile("original.ppm") + "'",
                     &status);
  ASSERT_EQ(status, 0);
  std::vector<uint8_t> reference = graphics_test::ReadUnixFile(dir.UnixFile("cjpeg.jpg"));
  std::vector<uint8_t> written = graphics_test::ReadUnixFile(dir.UnixFile("q70.jpg"));
  EXPECT_FALSE(QuantisationTables(written).empty());
  EXPECT_EQ(QuantisationTables(written), QuantisationTables(reference));

  // And cjpeg's file is read back by the class.
  TJPEGImage fromCjpeg;
  fromCjpeg.LoadFromFile(dir.File("cjpeg.jpg"));
  auto decoded = ToBitmap(fromCjpeg);
  EXPECT_EQ(decoded->Width(), kWidth);
  EXPECT_NEAR(At(*decoded, 10, 10)[2], At(*original, 10, 10)[2], 6);
}

TEST(Jpeg, DecodingSettings) {
  auto gradient = Gradient();
  std::vector<uint8_t> file = Encode(*gradient, 90);

  auto grey = Decode(file);
  grey->SetGrayscale(true);
  auto greyBitmap = ToBitmap(*grey);
  EXPECT_EQ(greyBitmap->PixelFormat(), pf8bit);
  uint32_t rgb = Pixel(*greyBitmap, 20, 20);
  EXPECT_EQ(rgb & 0xFF, (rgb >> 8) & 0xFF);
  EXPECT_EQ(rgb & 0xFF, (rgb >> 16) & 0xFF);

  auto scaled = Decode(file);
  EXPECT_EQ(scaled->Width(), kWidth);
  scaled->SetScale(jsHalf);
  EXPECT_EQ(scaled->Width(), kWidth / 2);
  EXPECT_EQ(scaled->Height(), kHeight / 2);
  scaled->SetScale(jsEighth);
  EXPECT_EQ(ToBitmap(*scaled)->Width(), kWidth / 8);

  auto palette = Decode(file);
  palette->SetPixelFormat(jf8Bit);
  auto paletted = ToBitmap(*palette);
  EXPECT_EQ(paletted->PixelFormat(), pf8bit);
  EXPECT_NE(paletted->Palette(), nullptr);
  uint32_t quantised = Pixel(*paletted, 30, 30);
  const uint8_t* original = At(*gradient, 30, 30);
  EXPECT_NEAR(int(quantised & 0xFF), original[2], 40);

  auto fast = Decode(file);
  fast->SetPerformance(jpBestSpeed);
  EXPECT_EQ(ToBitmap(*fast)->Width(), kWidth);
}

TEST(Jpeg, ProgressiveAndGreyFilesAreWritten) {
  std::vector<uint8_t> progressive = Encode(*Gradient(), 80, true);
  EXPECT_TRUE(HasMarker(progressive, 0xC2));
  EXPECT_EQ(Decode(progressive)->Width(), kWidth);

  std::vector<uint8_t> baseline = Encode(*Gradient(), 80);
  EXPECT_TRUE(HasMarker(baseline, 0xC0));
  EXPECT_FALSE(HasMarker(baseline, 0xC2));
}

TEST(Jpeg, ChangingSettingsKeepsAPictureThatHasNoFileYet) {
  auto original = Gradient();
  TJPEGImage jpeg;
  jpeg.Assign(original.get());
  jpeg.SetGrayscale(true);
  jpeg.SetScale(jsHalf);
  EXPECT_FALSE(jpeg.Empty());
  EXPECT_EQ(jpeg.Width(), kWidth);
  TMemoryStream stream;
  jpeg.SaveToStream(&stream);
  std::vector<uint8_t> file = BytesOf(stream);
  // A grey file: the frame header names one component.
  size_t sof = 2;
  while (sof + 9 < file.size() && !(file[sof] == 0xFF && file[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, file.size());
  EXPECT_EQ(file[sof + 9], 1);
}

TEST(Jpeg, CopiesFormDataAndDrawing) {
  std::vector<uint8_t> file = Encode(*Gradient(), 75);
  auto jpeg = Decode(file);

  TJPEGImage copy;
  copy.Assign(jpeg.get());
  TMemoryStream saved;
  copy.SaveToStream(&saved);
  EXPECT_EQ(BytesOf(saved), file);  // the file itself, not compressed again

  TMemoryStream data;
  jpeg->WriteData(&data);
  EXPECT_EQ(data.Size(), int64_t(file.size() + 4));
  data.SetPosition(0);
  TJPEGImage read;
  read.ReadData(&data);
  EXPECT_EQ(read.Width(), kWidth);

  auto target = MakeBitmap(kWidth, kHeight, pf24bit, clBlack);
  target->Canvas()->Draw(0, 0, jpeg.get());
  auto decoded = ToBitmap(*jpeg);
  EXPECT_EQ(Pixel(*target, 40, 30), Pixel(*decoded, 40, 30));
  EXPECT_NE(Pixel(*target, 40, 30), 0u);
}

TEST(Jpeg, DamagedFilesRaiseAndKeepTheOldPicture) {
  std::vector<uint8_t> file = Encode(*Gradient(), 85);
  ASSERT_GT(file.size(), 400u);
  for (size_t length : {size_t(0), size_t(1), size_t(2), size_t(10), size_t(100), file.size() / 2, file.size() - 40,
                        file.size() - 2})
    ExpectJpegError(std::vector<uint8_t>(file.begin(), file.begin() + length), "cut at " + std::to_string(length));

  std::vector<uint8_t> garbage(300, 0x5A);
  ExpectJpegError(garbage, "not a JPEG file");

  // An end marker in the middle of the coded data.
  std::vector<uint8_t> broken = file;
  size_t scan = 2;
  while (!(broken[scan] == 0xFF && broken[scan + 1] == 0xDA)) ++scan;
  size_t middle = scan + (broken.size() - scan) / 2;
  broken[middle] = 0xFF;
  broken[middle + 1] = 0xD9;
  ExpectJpegError(broken, "marker inside the coded data");

  auto jpeg = Decode(file);
  auto stream = StreamOf(garbage);
  EXPECT_THROW(jpeg->LoadFromStream(stream.get()), EInvalidGraphic);
  EXPECT_EQ(jpeg->Width(), kWidth);
  TMemoryStream kept;
  jpeg->SaveToStream(&kept);
  EXPECT_EQ(BytesOf(kept), file);
}

}  // namespace
