// TMetafile and TMetafileCanvas: recording, playback, EMF and placeable WMF files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

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

// A small EMF made by hand: a header (one object handle), the given records and the end record.
std::vector<uint8_t> HandMadeEMF(const std::vector<std::vector<uint32_t>>& records) {
  std::vector<uint32_t> words(22, 0);
  words[0] = 1;                 // EMR_HEADER
  words[1] = 88;                // its size
  words[6] = words[7] = 0;      // frame
  words[8] = words[9] = 1000;
  words[10] = 0x464D4520;       // " EMF"
  words[11] = 0x10000;
  words[14] = 2;                // two handles: the metafile's and one object
  for (const auto& r : records) words.insert(words.end(), r.begin(), r.end());
  for (uint32_t w : {14u, 20u, 0u, 16u, 20u}) words.push_back(w);  // EMR_EOF
  words[12] = uint32_t(words.size() * 4);                          // nBytes
  words[13] = uint32_t(records.size() + 2);                        // nRecords
  std::vector<uint8_t> bytes(words.size() * 4);
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

// A record: its type, its size, then the given fields (zero bytes pad it to `size`).
std::vector<uint32_t> EmfRecord(uint32_t type, uint32_t size, std::vector<uint32_t> fields) {
  std::vector<uint32_t> record{type, size};
  record.insert(record.end(), fields.begin(), fields.end());
  record.resize(size / 4, 0);
  return record;
}

// StretchDIBits of one 1x1 24-bit pixel; `cbBits` and the bitmap's height come from the caller.
std::vector<uint32_t> StretchDIBits(int32_t height, uint32_t cbBits) {
  std::vector<uint32_t> r = EmfRecord(81, 80 + 40 + 4, {0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 80, 40, 120, cbBits, 0,
                                                         0x00CC0020, 1, 1});
  std::vector<uint32_t> header{40, 1, uint32_t(height), 24u << 16 | 1, 0, 0, 0, 0, 0, 0};
  std::copy(header.begin(), header.end(), r.begin() + 20);
  r[30] = 0x00FF0000;  // the pixel
  return r;
}

TEST(Metafile, HandMadeRecordsLoadAndPlay) {
  auto metafile = Load(HandMadeEMF({StretchDIBits(1, 4), EmfRecord(54, 16, {5, 5})}));
  auto target = MakeBitmap(4, 4, pf24bit);
  target->Canvas()->StretchDraw(Rect(0, 0, 4, 4), metafile.get());
}

// Records whose counts, offsets or handle numbers point outside them are refused when the
// file is read: the system would play them without looking.
TEST(Metafile, RecordsReachingOutsideThemselvesAreRefused) {
  const struct {
    const char* what;
    std::vector<uint32_t> record;
  } cases[] = {
      {"bit-block transfer with its bitmap far away",
       EmfRecord(76, 100, {0, 0, 9, 9, 0, 0, 10, 10, 0x00CC0020, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0,
                           0xFFFF0000, 0x7FFF, 0, 0})},
      {"bitmap with more rows than its pixels", StretchDIBits(100, 4)},
      {"bitmap pixel bytes past the record", StretchDIBits(1, 400)},
      {"bitmap of no height", StretchDIBits(0, 4)},
      {"bit-block transfer record cut short", EmfRecord(76, 40, {0, 0, 9, 9})},
      {"polyline with more points than it holds", EmfRecord(4, 36, {0, 0, 9, 9, 1000, 1, 1})},
      {"polypolygon counts above its points", EmfRecord(8, 52, {0, 0, 9, 9, 1, 2, 500, 1, 1, 2, 2})},
      {"text longer than its record", EmfRecord(84, 80, {0, 0, 9, 9, 1, 0, 0, 0, 0, 5000, 76})},
      {"text advances past the record", EmfRecord(84, 80, {0, 0, 9, 9, 1, 0, 0, 0, 0, 2, 76, 0, 0, 0, 0, 0, 76})},
      {"pen in a handle slot the header does not have", EmfRecord(38, 28, {7, 0, 1, 0, 0})},
      {"select of a handle past the table", EmfRecord(37, 12, {9})},
      {"arc record without its box and points", EmfRecord(55, 12, {1})},
      {"colour space deleted from a slot past the table", EmfRecord(101, 12, {0x80000007})},
      {"rectangle record without its box", EmfRecord(43, 16, {0, 0})},
      {"comment longer than its record", EmfRecord(70, 16, {400, 0})},
      {"clip region with more rectangles than bytes", EmfRecord(75, 48, {32, 5, 32, 1, 99, 0})},
  };
  for (const auto& c : cases) ExpectInvalid(HandMadeEMF({c.record}), c.what);

  std::vector<uint8_t> description = HandMadeEMF({});
  description[60] = 200;  // 200 characters of description at offset 88: past the header record
  description[64] = 88;
  ExpectInvalid(description, "description outside the header");
}

// A small placeable WMF made by hand: the headers (two object slots), the given records (each
// its function then its parameters, in 16-bit words) and the end record.
std::vector<uint8_t> HandMadeWMF(const std::vector<std::vector<uint16_t>>& records) {
  std::vector<uint16_t> body{1, 9, 0x300, 0, 0, 2, 0, 0, 0};
  uint32_t largest = 3;
  for (const auto& r : records) {
    const uint32_t size = uint32_t(r.size()) + 2;
    largest = std::max(largest, size);
    body.push_back(uint16_t(size));
    body.push_back(uint16_t(size >> 16));
    body.insert(body.end(), r.begin(), r.end());
  }
  for (uint16_t w : {3, 0, 0}) body.push_back(w);
  body[3] = uint16_t(body.size()), body[4] = uint16_t(body.size() >> 16);
  body[6] = uint16_t(largest), body[7] = uint16_t(largest >> 16);
  std::vector<uint16_t> words{0xCDD7, 0x9AC6, 0, 0, 0, 100, 100, 1440, 0, 0};
  uint16_t checksum = 0;
  for (uint16_t w : words) checksum ^= w;
  words.push_back(checksum);
  words.insert(words.end(), body.begin(), body.end());
  std::vector<uint8_t> bytes(words.size() * 2);
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

TEST(Metafile, HandMadeWindowsRecordsLoadAndPlay) {
  auto metafile = Load(HandMadeWMF({{0x041B, 90, 90, 10, 10}, {0x012D, 1}}));
  auto target = MakeBitmap(4, 4, pf24bit);
  target->Canvas()->StretchDraw(Rect(0, 0, 4, 4), metafile.get());
}

TEST(Metafile, WindowsRecordsReachingOutsideThemselvesAreRefused) {
  const struct {
    const char* what;
    std::vector<uint16_t> record;
  } cases[] = {
      {"select of an object slot past the table", {0x012D, 0xFE02}},
      {"delete of an object slot past the table", {0x01F0, 2}},
      {"region fill with its brush past the table", {0x0228, 0, 7}},
      {"polygon with more points than it holds", {0x0324, 1000, 1, 1}},
      {"polypolygon whose counts ask for more points", {0x0538, 1, 40, 0, 0}},
      {"text longer than its record", {0x0521, 300, 0x6261, 0, 0}},
      {"escape longer than its record", {0x0626, 15, 900, 0}},
      {"stretched bitmap with fewer pixels than its header", {0x0F43, 0x0020, 0x00CC, 0, 1, 1, 0, 0, 1, 1, 0, 0, 40, 0,
                                                              1, 0, 100, 0, 1, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                              0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) ExpectInvalid(HandMadeWMF({c.record}), c.what);
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
