#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/system.h"

using namespace skin;

namespace {

std::unique_ptr<vcl::TBitmap> WhiteBitmap() {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(60, 30);
  bitmap->Canvas()->Brush()->SetColor(0xFFFFFF);
  bitmap->Canvas()->FillRect(vcl::TRect{0, 0, 60, 30});
  bitmap->Canvas()->Font()->SetHeight(-16);
  return bitmap;
}

std::vector<uint32_t> SectionTextPixels(vcl::TBitmap* bitmap) {
  std::vector<uint32_t> out;
  for (int y = 0; y < bitmap->Height(); ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < bitmap->Width(); ++x) out.push_back(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16);
  }
  return out;
}

struct Draw {
  int dx, dy;
  COLORREF colour;
};

// The same text drawn straight through the platform, one colour and offset at a time.
std::vector<uint32_t> SectionTextExpected(const std::vector<Draw>& draws, const vcl::TRect& rect, UINT format) {
  auto bitmap = WhiteBitmap();
  HDC dc = bitmap->Canvas()->Handle();
  HGDIOBJ old = SelectObject(dc, bitmap->Canvas()->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  for (const Draw& d : draws) {
    RECT r = rect;
    OffsetRect(&r, d.dx, d.dy);
    SetTextColor(dc, d.colour);
    DrawTextA(dc, "Hg", -1, &r, format);
  }
  SelectObject(dc, old);
  return SectionTextPixels(bitmap.get());
}

TEST(SectionText, DrawsShadowsThenTheMainColourOfTheState) {
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  TsGeneralData section;
  section.Color = 0xFFFFFF;
  section.FontColor[0] = 0x0000FF;
  section.FontColor[1] = 0x00C000;  // left
  section.FontColor[4] = 0xC00000;  // bottom
  section.HotFontColor[0] = 0x008080;
  section.HotFontColor[2] = 0x800080;  // top
  section.HotFontColor[3] = 0x808000;  // right
  manager->Sections.push_back(section);
  TsGeneralData plain;
  plain.FontColor[0] = 0x000000;
  plain.Color = 0xFFFFFF;
  manager->Sections.push_back(plain);

  const vcl::TRect rect{10, 5, 50, 25};
  const UINT format = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
  struct Case {
    const char* name;
    int section;
    bool enabled, hot;
    std::vector<Draw> draws;
  } cases[] = {
      {"normal", 0, true, false, {{-1, 0, 0x00C000}, {0, 1, 0xC00000}, {0, 0, 0x0000FF}}},
      {"hot", 0, true, true, {{0, -1, 0x800080}, {1, 0, 0x808000}, {0, 0, 0x008080}}},
      {"no shadows", 1, true, false, {{0, 0, 0}}},
      {"disabled: 40 % black over white", 1, false, false, {{0, 0, 0x999999}}},
  };
  for (const Case& c : cases) {
    auto bitmap = WhiteBitmap();
    WriteSectionText(bitmap->Canvas(), "Hg", c.enabled, manager.get(), c.hot, c.section, format, rect);
    const std::vector<uint32_t> got = SectionTextPixels(bitmap.get());
    EXPECT_EQ(got, SectionTextExpected(c.draws, rect, format)) << c.name;
    EXPECT_NE(got, SectionTextPixels(WhiteBitmap().get())) << c.name;
  }

  for (int section : {-1, 2}) {
    auto bitmap = WhiteBitmap();
    WriteSectionText(bitmap->Canvas(), "Hg", true, manager.get(), false, section, format, rect);
    WriteSectionTextPChar(bitmap->Canvas(), nullptr, true, manager.get(), false, 0, format, rect);
    EXPECT_EQ(SectionTextPixels(bitmap.get()), SectionTextPixels(WhiteBitmap().get())) << section;
  }
}

}  // namespace
