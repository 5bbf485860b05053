// TMetafile and TMetafileCanvas: recording, playback, EMF and placeable WMF files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/metafile.h"
#include "vcl/runtime/win.h"

using namespace vcl;
using graphics_test::BytesOf;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::Rows;
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

std::unique_ptr<TMetafile> MetafileLoad(const std::vector<uint8_t>& file) {
  return graphics_test::LoadGraphic<TMetafile>(file);
}
std::vector<uint8_t> MetafileSave(TMetafile& metafile) { return graphics_test::SaveGraphic(metafile); }

// The picture played into a white bitmap of its size: red on the left, white on the right.
void ExpectHalfRed(TMetafile& metafile, const std::string& what) {
  const int side = ScreenPixelsPerInch();
  auto target = MakeBitmap(side, side, pf24bit);
  target->Canvas()->Draw(0, 0, &metafile);
  EXPECT_EQ(Pixel(*target, side / 4, side / 2), 0x0000FFu) << what;
  EXPECT_EQ(Pixel(*target, 3 * side / 4, side / 2), 0xFFFFFFu) << what;
}

void MetafileExpectInvalid(const std::vector<uint8_t>& file, const std::string& what) {
  graphics_test::ExpectInvalidGraphic<TMetafile>(file, "Metafile is not valid", what);
}

// A small EMF made by hand: a header (one object handle), the given records and the end record.
// Its 1000 x 1000 logical units cover a frame of 10 mm.
std::vector<uint8_t> HandMadeEMF(const std::vector<std::vector<uint32_t>>& records) {
  std::vector<uint32_t> words(22, 0);
  words[0] = 1;                 // EMR_HEADER
  words[1] = 88;                // its size
  words[4] = words[5] = 999;    // bounds
  words[6] = words[7] = 0;      // frame, in hundredths of a millimetre
  words[8] = words[9] = 1000;
  words[10] = 0x464D4520;       // " EMF"
  words[11] = 0x10000;
  words[14] = 2;                // two handles: the metafile's and one object
  words[18] = words[19] = 1000; // the reference device: 1000 pixels ...
  words[20] = words[21] = 10;   // ... to 10 mm
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

// A record of the type holding just the fields.
std::vector<uint32_t> EmfRecord(uint32_t type, std::vector<uint32_t> fields) {
  return EmfRecord(type, uint32_t(8 + 4 * fields.size()), fields);
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
  auto metafile = MetafileLoad(HandMadeEMF({StretchDIBits(1, 4), EmfRecord(54, 16, {5, 5})}));
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
  for (const auto& c : cases) MetafileExpectInvalid(HandMadeEMF({c.record}), c.what);

  std::vector<uint8_t> description = HandMadeEMF({});
  description[60] = 200;  // 200 characters of description at offset 88: past the header record
  description[64] = 88;
  MetafileExpectInvalid(description, "description outside the header");
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
  auto metafile = MetafileLoad(HandMadeWMF({{0x041B, 90, 90, 10, 10}, {0x012D, 1}}));
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
  for (const auto& c : cases) MetafileExpectInvalid(HandMadeWMF({c.record}), c.what);
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
  std::vector<uint8_t> emf = MetafileSave(*metafile);
  ASSERT_GT(emf.size(), 88u);
  auto fromEmf = MetafileLoad(emf);
  EXPECT_TRUE(fromEmf->Enhanced());
  EXPECT_EQ(fromEmf->MMWidth(), 2540);
  ExpectHalfRed(*fromEmf, "EMF");

  metafile->SetEnhanced(false);
  std::vector<uint8_t> wmf = MetafileSave(*metafile);
  ASSERT_GT(wmf.size(), 40u);
  EXPECT_EQ(wmf[0], 0xD7);  // the placeable key
  EXPECT_EQ(wmf[3], 0x9A);
  auto fromWmf = MetafileLoad(wmf);
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
  std::vector<uint8_t> emf = MetafileSave(*metafile);
  metafile->SetEnhanced(false);
  std::vector<uint8_t> wmf = MetafileSave(*metafile);

  for (const auto& file : {emf, wmf})
    for (size_t length : {size_t(0), size_t(3), size_t(21), size_t(60), file.size() / 2, file.size() - 1})
      MetafileExpectInvalid(std::vector<uint8_t>(file.begin(), file.begin() + length), "cut at " + std::to_string(length));

  std::vector<uint8_t> badSignature = emf;
  badSignature[40] = 'X';
  MetafileExpectInvalid(badSignature, "signature");
  std::vector<uint8_t> badRecord = emf;
  size_t second = badRecord[4] | badRecord[5] << 8;  // the header record's size
  badRecord[second + 4] = 0xF0;                      // the next record runs past the end
  badRecord[second + 5] = 0xFF;
  MetafileExpectInvalid(badRecord, "record size");
  std::vector<uint8_t> badChecksum = wmf;
  badChecksum[20] ^= 1;
  MetafileExpectInvalid(badChecksum, "checksum");
  MetafileExpectInvalid(std::vector<uint8_t>(200, 0x33), "garbage");

  auto kept = Recorded();
  HENHMETAFILE before = kept->Handle();
  auto stream = StreamOf(badSignature);
  EXPECT_THROW(kept->LoadFromStream(stream.get()), EInvalidGraphic);
  EXPECT_EQ(kept->Handle(), before);
}

// ---- ordinary pictures ---------------------------------------------------------------------------

// A picture of one inch square, drawn by `paint` on the recording device context.
std::unique_ptr<TMetafile> RecordedWith(const std::function<void(HDC)>& paint) {
  auto metafile = std::make_unique<TMetafile>();
  metafile->SetMMWidth(2540);
  metafile->SetMMHeight(2540);
  {
    TMetafileCanvas canvas(metafile.get(), nullptr);
    paint(canvas.Handle());
  }
  return metafile;
}

HFONT Font(int height, int escapement = 0, int weight = FW_NORMAL, bool italic = false) {
  return CreateFontW(height, 0, escapement, escapement, weight, italic, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                     reinterpret_cast<const WCHAR*>(u"Tahoma"));
}

void Text(HDC dc, int x, int y, HFONT font, COLORREF colour, const char16_t* text) {
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, colour);
  const UINT length = UINT(std::char_traits<char16_t>::length(text));
  ExtTextOutW(dc, x, y, 0, nullptr, reinterpret_cast<const WCHAR*>(text), length, nullptr);
  SelectObject(dc, old);
  DeleteObject(font);
}

void Texts(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  Text(dc, 2, 2, Font(-9), RGB(0, 0, 0), u"Small text");
  Text(dc, 4, 20, Font(-30, 0, FW_BOLD, true), RGB(200, 0, 0), u"Bold");
  Text(dc, 10, 90, Font(-24, 450), RGB(0, 0, 200), u"Up");
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 0));
  Text(dc, 40, 60, Font(-120), RGB(0, 128, 0), u"Wg");
}

void Shapes(HDC dc) {
  HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 255));
  HPEN wide = CreatePen(PS_SOLID, 12, RGB(255, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, wide);
  HGDIOBJ oldBrush = SelectObject(dc, hatch);
  Rectangle(dc, 5, 5, 50, 40);
  Ellipse(dc, 40, 30, 90, 90);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  LOGBRUSH solid{BS_SOLID, RGB(0, 160, 0), 0};
  HPEN geometric = ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_SQUARE | PS_JOIN_MITER, 6, &solid, 0, nullptr);
  SelectObject(dc, geometric);
  const POINT zigzag[] = {{5, 90}, {30, 50}, {45, 88}, {70, 10}};
  Polyline(dc, zigzag, 4);
  HPEN dashed = CreatePen(PS_DASHDOT, 1, RGB(0, 0, 0));
  SelectObject(dc, dashed);
  RoundRect(dc, 10, 60, 60, 80, 8, 8);
  Pie(dc, 60, 5, 95, 40, 95, 20, 60, 20);
  SelectObject(dc, wide);
  BeginPath(dc);
  MoveToEx(dc, 20, 45, nullptr);
  LineTo(dc, 80, 50);
  LineTo(dc, 50, 70);
  CloseFigure(dc);
  EndPath(dc);
  WidenPath(dc);
  FillPath(dc);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  for (HGDIOBJ object : {HGDIOBJ(hatch), HGDIOBJ(wide), HGDIOBJ(geometric), HGDIOBJ(dashed)}) DeleteObject(object);
}

void Bitmaps(HDC dc) {
  auto bitmap = MakeBitmap(4, 3, pf24bit, clBlue);
  bitmap->Canvas()->SetPixels(1, 1, clRed);
  bitmap->Canvas()->SetPixels(2, 2, clLime);
  HDC source = bitmap->Canvas()->Handle();
  StretchBlt(dc, 10, 10, 60, 45, source, 0, 0, 4, 3, SRCCOPY);
  BitBlt(dc, 70, 70, 4, 3, source, 0, 0, SRCCOPY);
}

void WorldTransform(HDC dc) {
  SetGraphicsMode(dc, GM_ADVANCED);
  const float angle = 0.5f;
  XFORM turn{1.4f * std::cos(angle), 1.4f * std::sin(angle), -0.8f * std::sin(angle), 0.8f * std::cos(angle), 30, 5};
  SetWorldTransform(dc, &turn);
  Shapes(dc);
  Texts(dc);
}

void AnisotropicMapping(HDC dc) {
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 1000, 500, nullptr);
  SetViewportExtEx(dc, 96, 96, nullptr);
  HPEN wide = CreatePen(PS_SOLID, 60, RGB(128, 0, 128));
  HGDIOBJ old = SelectObject(dc, wide);
  MoveToEx(dc, 100, 100, nullptr);
  LineTo(dc, 900, 400);
  SelectObject(dc, old);
  DeleteObject(wide);
  Text(dc, 50, 150, Font(-150), RGB(0, 0, 0), u"Mapped");
}

void MetricMapping(HDC dc) {
  SetMapMode(dc, MM_LOMETRIC);  // tenths of a millimetre, y up
  Text(dc, 20, -20, Font(-60), RGB(0, 0, 0), u"Metric");
  HPEN wide = CreatePen(PS_SOLID, 25, RGB(0, 128, 128));
  HGDIOBJ old = SelectObject(dc, wide);
  Rectangle(dc, 30, -120, 220, -230);
  SelectObject(dc, old);
  DeleteObject(wide);
}

// The picture drawn through TMetafile::Draw and through the platform's own playback, into
// white bitmaps of the target's size.
void ExpectDrawnAsThePlatformDoes(TMetafile& metafile, const TRect& target, const std::string& what) {
  auto ours = MakeBitmap(target.right, target.bottom, pf24bit);
  ours->Canvas()->StretchDraw(target, &metafile);
  auto platform = MakeBitmap(target.right, target.bottom, pf24bit);
  TMetafile empty;
  platform->Canvas()->StretchDraw(target, &empty);  // the same objects selected as for ours
  PlayEnhMetaFile(platform->Canvas()->Handle(), metafile.Handle(), &target);
  EXPECT_TRUE(Rows(*ours) == Rows(*platform)) << what << " into " << target.right << "x" << target.bottom;
}

TEST(MetafilePlayback, OrdinaryPicturesDrawAsThePlatformDrawsThem) {
  const struct {
    const char* what;
    void (*paint)(HDC);
  } pictures[] = {
      {"text in several fonts", &Texts},
      {"shapes with wide, dashed and geometric pens", &Shapes},
      {"bitmaps", &Bitmaps},
      {"a turned and stretched world transform", &WorldTransform},
      {"an anisotropic mapping mode", &AnisotropicMapping},
      {"a metric mapping mode", &MetricMapping},
  };
  const TRect targets[] = {Rect(0, 0, 8, 8), Rect(0, 0, 97, 61), Rect(0, 0, 400, 400)};
  for (const auto& picture : pictures) {
    auto metafile = RecordedWith(picture.paint);
    for (const TRect& target : targets) ExpectDrawnAsThePlatformDoes(*metafile, target, picture.what);

    // The same picture kept as a placeable WMF.
    metafile->SetEnhanced(false);
    auto reloaded = MetafileLoad(MetafileSave(*metafile));
    for (const TRect& target : targets)
      ExpectDrawnAsThePlatformDoes(*reloaded, target, std::string(picture.what) + " as WMF");
  }
}

// ---- hostile pictures ----------------------------------------------------------------------------

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// A Tahoma font of the height in slot 1.
std::vector<uint32_t> CreateFontRecord(int32_t height) {
  std::vector<uint32_t> fields(24, 0);  // the slot, then a LOGFONTW
  fields[0] = 1;
  fields[1] = uint32_t(height);
  fields[5] = FW_NORMAL;
  std::memcpy(&fields[8], u"Tahoma", 14);
  return EmfRecord(EMR_EXTCREATEFONTINDIRECTW, fields);
}

// "XXXX" with its baseline at the left of the line `baseline`: the lower-left leg of a large X
// covers the bottom-left corner of the picture.
std::vector<std::vector<uint32_t>> BigXs(std::vector<std::vector<uint32_t>> before, uint32_t baseline = 999) {
  before.push_back(EmfRecord(EMR_SETTEXTALIGN, {TA_BASELINE | TA_LEFT}));
  before.push_back(EmfRecord(EMR_SELECTOBJECT, {1}));
  std::vector<uint32_t> text{0, 0, 999, 999, GM_ADVANCED, FloatBits(1), FloatBits(1),
                             0, baseline,       // reference point
                             4, 76,             // characters and where they start
                             0, 0, 0, 0, 0, 0}; // options, clip, no advances
  text.push_back('X' | 'X' << 16);
  text.push_back('X' | 'X' << 16);
  before.push_back(EmfRecord(EMR_EXTTEXTOUTW, text));
  return before;
}

// A red line across the picture, drawn with the pen in slot 1.
std::vector<std::vector<uint32_t>> RedLine(std::vector<uint32_t> pen) {
  return {pen, EmfRecord(EMR_SELECTOBJECT, {1}), EmfRecord(EMR_MOVETOEX, {0, 500}),
          EmfRecord(EMR_LINETO, {1000, 500})};
}

constexpr uint16_t kWmfSetMapMode = 0x0103, kWmfSetWindowExt = 0x020C, kWmfSetTextAlign = 0x012E,
                   kWmfCreatePen = 0x02FA, kWmfCreateFont = 0x02FB, kWmfSelectObject = 0x012D, kWmfMoveTo = 0x0214,
                   kWmfLineTo = 0x0213, kWmfTextOut = 0x0521;

// Pictures whose font or pen would be tens of thousands to billions of pixels on the device:
// the platform takes seconds a glyph, or minutes a stroke, to draw them as they are.
TEST(MetafilePlayback, HugeFontsAndPensStillDrawShrunk) {
  const struct {
    const char* what;
    std::vector<uint8_t> file;
    bool fills;  // the red line's pen is wider than the target: every pixel turns red
  } cases[] = {
      {"font made huge", HandMadeEMF(BigXs({CreateFontRecord(-300000)})), false},
      {"font made ordinary, then the world stretched",
       HandMadeEMF(BigXs({CreateFontRecord(-10),
                          EmfRecord(EMR_SETWORLDTRANSFORM,
                                    {FloatBits(3e4f), 0, 0, FloatBits(3e4f), 0, FloatBits(999)})},
                         0)),
       false},
      {"font made ordinary, then the viewport stretched",
       HandMadeEMF(BigXs({CreateFontRecord(-10), EmfRecord(EMR_SETMAPMODE, {MM_ANISOTROPIC}),
                          EmfRecord(EMR_SETWINDOWEXTEX, {1, 1}), EmfRecord(EMR_SETVIEWPORTEXTEX, {30000, 30000}),
                          EmfRecord(EMR_SETVIEWPORTORGEX, {0, 999})},
                         0)),
       false},
      {"pen", HandMadeEMF(RedLine(EmfRecord(EMR_CREATEPEN, {1, PS_SOLID, 2000000000, 0, RGB(255, 0, 0)}))), true},
      {"WMF font",
       HandMadeWMF({{kWmfSetMapMode, MM_ANISOTROPIC}, {kWmfSetWindowExt, 100, 100},
                    {kWmfSetTextAlign, TA_BASELINE, 0},
                    {kWmfCreateFont, uint16_t(-32000), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 'T' | 'a' << 8, 'h' | 'o' << 8,
                     'm' | 'a' << 8, 0},
                    {kWmfSelectObject, 0},
                    {kWmfTextOut, 4, 'X' | 'X' << 8, 'X' | 'X' << 8, 100, 0}}),
       false},
      {"WMF pen",
       HandMadeWMF({{kWmfSetMapMode, MM_ANISOTROPIC}, {kWmfSetWindowExt, 1, 1},
                    {kWmfCreatePen, PS_SOLID, 32000, 0, 0x00FF, 0x0000}, {kWmfSelectObject, 0}, {kWmfMoveTo, 0, 0},
                    {kWmfLineTo, 1, 1}}),
       true},
  };
  for (const auto& c : cases) {
    auto metafile = MetafileLoad(c.file);
    for (int side : {8, 200}) {
      auto target = MakeBitmap(side, side, pf24bit);
      target->Canvas()->StretchDraw(Rect(0, 0, side, side), metafile.get());
      int red = 0, inked = 0;
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
          const uint32_t pixel = Pixel(*target, x, y);
          red += pixel == 0x0000FFu;
          inked += pixel != 0xFFFFFFu;
        }
      if (c.fills) {
        EXPECT_EQ(red, side * side) << c.what << " into " << side;
      } else if (side == 200) {
        EXPECT_GT(inked, 0) << c.what << ": the text is still drawn";
      }
    }
  }
}

}  // namespace
