// TMetafile and TMetafileCanvas: recording, playback, EMF and placeable WMF files.
#include <gtest/gtest.h>

#include "graphics_test_util.h"
#include "vcl/bitmap.h"
#include "vcl/exceptions.h"
#include "vcl/metafile.h"

using namespace vcl;
using graphics_test::BytesOf;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::StreamOf;

namespace {

// One inch square at the screen's resolution, red on its left half.
std::unique_ptr<TMetafile> Recorded() {
  auto metafile = std::make_unique<TMetafile>();
  metafile->SetMMWidth(2540);
  metafile->SetMMHeight(2540);
  {
    TMetafileCanvas canvas(metafile.get(), nullptr, "Mergeon", "Half red");
    const int side = ScreenPixelsPerInch();
    canvas.Brush()->SetColor(clRed);
    canvas.Pen()->SetStyle(psClear);
    canvas.FillRect(Rect(0, 0, side / 2, side));
  }
  return metafile;
}

std::unique_ptr<TMetafile> Load(const std::vector<uint8_t>& file) {
  return graphics_test::LoadGraphic<TMetafile>(file);
}
std::vector<uint8_t> Save(TMetafile& metafile) { return graphics_test::SaveGraphic(metafile); }

// The picture played into a white bitmap of its size: red on the left, white on the right.
void ExpectHalfRed(TMetafile& metafile, const std::string& what) {
  const int side = ScreenPixelsPerInch();
  auto target = MakeBitmap(side, side, pf24bit);
  target->Canvas()->Draw(0, 0, &metafile);
  EXPECT_EQ(Pixel(*target, side / 4, side / 2), 0x0000FFu) << what;
  EXPECT_EQ(Pixel(*target, 3 * side / 4, side / 2), 0xFFFFFFu) << what;
}

void ExpectInvalid(const std::vector<uint8_t>& file, const std::string& what) {
  graphics_test::ExpectInvalidGraphic<TMetafile>(file, "Metafile is not valid", what);
}

TEST(Metafile, RecordsAndPlaysBack) {
  auto metafile = Recorded();
  EXPECT_FALSE(metafile->Empty());
  EXPECT_TRUE(metafile->Enhanced());
  EXPECT_EQ(metafile->MMWidth(), 2540);
  EXPECT_EQ(metafile->Width(), ScreenPixelsPerInch());
  EXPECT_EQ(metafile->Height(), ScreenPixelsPerInch());
  EXPECT_EQ(metafile->CreatedBy(), "Mergeon");
  EXPECT_EQ(metafile->Description(), "Half red");
  ExpectHalfRed(*metafile, "recorded");

  // Half the width: the picture is squeezed when drawn at its size.
  metafile->SetWidth(ScreenPixelsPerInch() / 2);
  EXPECT_EQ(metafile->MMWidth(), 1270);

  TMetafile copy;
  copy.Assign(Recorded().get());
  EXPECT_NE(copy.Handle(), nullptr);
  ExpectHalfRed(copy, "copy");
}

TEST(Metafile, EnhancedAndPlaceableFilesRoundTrip) {
  auto metafile = Recorded();
  std::vector<uint8_t> emf = Save(*metafile);
  ASSERT_GT(emf.size(), 88u);
  auto fromEmf = Load(emf);
  EXPECT_TRUE(fromEmf->Enhanced());
  EXPECT_EQ(fromEmf->MMWidth(), 2540);
  ExpectHalfRed(*fromEmf, "EMF");

  metafile->SetEnhanced(false);
  std::vector<uint8_t> wmf = Save(*metafile);
  ASSERT_GT(wmf.size(), 40u);
  EXPECT_EQ(wmf[0], 0xD7);  // the placeable key
  EXPECT_EQ(wmf[3], 0x9A);
  auto fromWmf = Load(wmf);
  EXPECT_FALSE(fromWmf->Enhanced());
  EXPECT_EQ(fromWmf->Inch(), 1440);
  EXPECT_EQ(fromWmf->Width(), ScreenPixelsPerInch());
  ExpectHalfRed(*fromWmf, "WMF");
}

TEST(Metafile, ClipboardFormats) {
  auto metafile = Recorded();
  UINT format;
  HANDLE data;
  HPALETTE palette;
  metafile->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, UINT(CF_ENHMETAFILE));
  TMetafile fromClipboard;
  fromClipboard.LoadFromClipboardFormat(format, data, palette);
  DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
  EXPECT_EQ(fromClipboard.MMWidth(), 2540);
  ExpectHalfRed(fromClipboard, "clipboard");
  EXPECT_THROW(fromClipboard.LoadFromClipboardFormat(CF_TEXT, data, nullptr), EInvalidGraphic);
}

TEST(Metafile, MalformedFilesRaiseAndKeepThePicture) {
  auto metafile = Recorded();
  std::vector<uint8_t> emf = Save(*metafile);
  metafile->SetEnhanced(false);
  std::vector<uint8_t> wmf = Save(*metafile);

  for (const auto& file : {emf, wmf})
    for (size_t length : {size_t(0), size_t(3), size_t(21), size_t(60), file.size() / 2, file.size() - 1})
      ExpectInvalid(std::vector<uint8_t>(file.begin(), file.begin() + length), "cut at " + std::to_string(length));

  std::vector<uint8_t> badSignature = emf;
  badSignature[40] = 'X';
  ExpectInvalid(badSignature, "signature");
  std::vector<uint8_t> badRecord = emf;
  size_t second = badRecord[4] | badRecord[5] << 8;  // the header record's size
  badRecord[second + 4] = 0xF0;                      // the next record runs past the end
  badRecord[second + 5] = 0xFF;
  ExpectInvalid(badRecord, "record size");
  std::vector<uint8_t> badChecksum = wmf;
  badChecksum[20] ^= 1;
  ExpectInvalid(badChecksum, "checksum");
  ExpectInvalid(std::vector<uint8_t>(200, 0x33), "garbage");

  auto kept = Recorded();
  HENHMETAFILE before = kept->Handle();
  auto stream = StreamOf(badSignature);
  EXPECT_THROW(kept->LoadFromStream(stream.get()), EInvalidGraphic);
  EXPECT_EQ(kept->Handle(), before);
}

}  // namespace
