// Drawing a TMetafile: ordinary pictures come out exactly as the platform's own playback draws
// them, and a picture asking for an absurdly large font or pen still draws, with it shrunk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "graphics_test_util.h"
#include "vcl/metafile.h"
#include "vcl/win.h"

using namespace vcl;
using graphics_test::LoadGraphic;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::Rows;

namespace {

// ---- ordinary pictures ---------------------------------------------------------------------------

// A picture of one inch square, drawn by `paint` on the recording device context.
std::unique_ptr<TMetafile> Recorded(const std::function<void(HDC)>& paint) {
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
  ExtTextOutW(dc, x, y, 0, nullptr, reinterpret_cast<const WCHAR*>(text), UINT(std::char_traits<char16_t>::length(text)),
              nullptr);
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
    auto metafile = Recorded(picture.paint);
    for (const TRect& target : targets) ExpectDrawnAsThePlatformDoes(*metafile, target, picture.what);

    // The same picture kept as a placeable WMF.
    metafile->SetEnhanced(false);
    auto reloaded = LoadGraphic<TMetafile>(graphics_test::SaveGraphic(*metafile));
    for (const TRect& target : targets)
      ExpectDrawnAsThePlatformDoes(*reloaded, target, std::string(picture.what) + " as WMF");
  }
}

// ---- hostile pictures ----------------------------------------------------------------------------

// An EMF made by hand: 1000 x 1000 logical units on a 10 mm frame, three object slots, the
// records (each its type and fields; the size is filled in) and the end record.
std::vector<uint8_t> HandMadeEMF(const std::vector<std::vector<uint32_t>>& records) {
  std::vector<uint32_t> words(22, 0);
  words[0] = EMR_HEADER;
  words[1] = 88;
  words[4] = words[5] = 999;     // bounds
  words[8] = words[9] = 1000;    // frame, in hundredths of a millimetre
  words[10] = ENHMETA_SIGNATURE;
  words[11] = 0x10000;
  words[14] = 3;                 // handles
  words[18] = words[19] = 1000;  // the reference device: 1000 pixels ...
  words[20] = words[21] = 10;    // ... to 10 mm
  for (const auto& fields : records) {
    words.push_back(fields[0]);
    words.push_back(uint32_t(fields.size() + 1) * 4);
    words.insert(words.end(), fields.begin() + 1, fields.end());
  }
  for (uint32_t w : {uint32_t(EMR_EOF), 20u, 0u, 16u, 20u}) words.push_back(w);
  words[12] = uint32_t(words.size() * 4);     // bytes
  words[13] = uint32_t(records.size() + 2);   // records
  std::vector<uint8_t> bytes(words.size() * 4);
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// A Tahoma font of the height in slot 1.
std::vector<uint32_t> CreateFontRecord(int32_t height) {
  std::vector<uint32_t> fields(25, 0);  // a LOGFONTW after the slot
  fields[0] = EMR_EXTCREATEFONTINDIRECTW;
  fields[1] = 1;
  fields[2] = uint32_t(height);
  fields[6] = FW_NORMAL;
  std::memcpy(&fields[9], u"Tahoma", 14);
  return fields;
}

// "XXXX" with its baseline at the left of the line `baseline`: the lower-left leg of a large X
// covers the bottom-left corner of the picture.
std::vector<std::vector<uint32_t>> BigXs(std::vector<std::vector<uint32_t>> before, uint32_t baseline = 999) {
  before.push_back({EMR_SETTEXTALIGN, TA_BASELINE | TA_LEFT});
  before.push_back({EMR_SELECTOBJECT, 1});
  std::vector<uint32_t> text{EMR_EXTTEXTOUTW, 0, 0, 999, 999, GM_ADVANCED, FloatBits(1), FloatBits(1),
                             0, baseline,  // reference point
                             4, 76,   // characters and where they start
                             0, 0, 0, 0, 0, 0};
  text.push_back('X' | 'X' << 16);
  text.push_back('X' | 'X' << 16);
  before.push_back(text);
  return before;
}

// A red line across the picture, drawn with the pen in slot 1.
std::vector<std::vector<uint32_t>> RedLine(std::vector<uint32_t> pen) {
  return {pen, {EMR_SELECTOBJECT, 1}, {EMR_MOVETOEX, 0, 500}, {EMR_LINETO, 1000, 500}};
}

// The same kinds of picture as a placeable WMF of 100 x 100 units with one logical unit to
// the window (records: their function then their parameters, in 16-bit words).
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
                          {EMR_SETWORLDTRANSFORM, FloatBits(3e4f), 0, 0, FloatBits(3e4f), 0, FloatBits(999)}},
                         0)),
       false},
      {"font made ordinary, then the viewport stretched",
       HandMadeEMF(BigXs({CreateFontRecord(-10), {EMR_SETMAPMODE, MM_ANISOTROPIC}, {EMR_SETWINDOWEXTEX, 1, 1},
                          {EMR_SETVIEWPORTEXTEX, 30000, 30000}, {EMR_SETVIEWPORTORGEX, 0, 999}},
                         0)),
       false},
      {"pen", HandMadeEMF(RedLine({EMR_CREATEPEN, 1, PS_SOLID, 2000000000, 0, RGB(255, 0, 0)})), true},
      {"WMF font",
       HandMadeWMF({{kWmfSetMapMode, MM_ANISOTROPIC}, {kWmfSetWindowExt, 100, 100}, {kWmfSetTextAlign, TA_BASELINE, 0},
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
    auto metafile = LoadGraphic<TMetafile>(c.file);
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
