// TsTrackBar: the platform's input (keys, pages, wheel) with OnUserChange, the skinned painting
// of ticks and selection markers, and the hint suppression while the thumb is held.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/controls/track_bar.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::Rgb;
using controls_test::SkinnedControls;

namespace {

// Pictures of a bar's cache: as it stands before the thumb is drawn (handed to OnSkinPaint)
// and when it is done.
struct TBarImages {
  std::unique_ptr<vcl::TBitmap> beforeThumb, done;
};

TBarImages PaintImages(TsTrackBar* bar) {
  TBarImages images;
  bar->OnSkinPaint = [&](vcl::TObject*, vcl::TCanvas* canvas) {
    images.beforeThumb = CreateBmp24(bar->Width(), bar->Height());
    BitBlt(images.beforeThumb->Canvas()->Handle(), 0, 0, bar->Width(), bar->Height(), canvas->Handle(), 0, 0, SRCCOPY);
  };
  bar->PaintCache();
  bar->OnSkinPaint = nullptr;
  images.done = CreateBmp24(bar->Width(), bar->Height());
  BitBlt(images.done->Canvas()->Handle(), 0, 0, bar->Width(), bar->Height(),
         bar->SkinData()->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  return images;
}

uint32_t ImagePixel(vcl::TBitmap* image, int x, int y) { return Rgb(GetPixel(image->Canvas()->Handle(), x, y)); }

// The rows of the thumb's rectangle that the thumb changed, as a text of '#' (changed) and '.'
// per pixel, one line per row: the thumb's outline, to compare shapes.
std::vector<std::string> ThumbShape(const TBarImages& images, const vcl::TRect& thumb) {
  std::vector<std::string> rows;
  for (int y = thumb.top; y < thumb.bottom; ++y) {
    std::string row;
    for (int x = thumb.left; x < thumb.right; ++x)
      row += ImagePixel(images.done.get(), x, y) != ImagePixel(images.beforeThumb.get(), x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

class TrackBars : public SkinnedControls {
 protected:
  TsTrackBar* NewBar(int max = 10) {
    auto* bar = Add<TsTrackBar>(nullptr, 10, 10, 182, 40);
    bar->SetMax(max);
    bar->SetPageSize(3);
    return bar;
  }
};

TEST_F(TrackBars, KeysPagesAndTheWheelMoveTheThumbAndTellTheUser) {
  struct Case {
    UINT msg;
    WPARAM wParam;
    int expected;
  } cases[] = {
      {WM_KEYDOWN, VK_RIGHT, 6}, {WM_KEYDOWN, VK_LEFT, 4},  {WM_KEYDOWN, VK_NEXT, 8},
      {WM_KEYDOWN, VK_PRIOR, 2}, {WM_KEYDOWN, VK_END, 10},  {WM_KEYDOWN, VK_HOME, 0},
      {WM_MOUSEWHEEL, WPARAM(WORD(-WHEEL_DELTA)) << 16, 6},
  };
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    for (const Case& c : cases) {
      auto* bar = NewBar();
      bar->SetPosition(5);
      int userChanges = 0, changes = 0;
      bar->OnUserChange = [&](vcl::TObject*) { ++userChanges; };
      bar->OnChange = [&](vcl::TObject*) { ++changes; };
      bar->SetFocus();
      SendMessageA(bar->Handle(), c.msg, c.wParam, 0);
      EXPECT_EQ(bar->Position(), c.expected) << "skinned " << skinned << " key " << c.wParam;
      EXPECT_GE(userChanges, 1);
      EXPECT_EQ(changes, 1);
      delete bar;
    }
  }
}

TEST_F(TrackBars, TicksFollowThePlatformAndABarWithoutTicksHasNone) {
  ActivateSkin();
  auto* bar = NewBar(4);
  bar->SetTickStyle(vcl::tsAuto);
  std::vector<int32_t> ticks = bar->TickPositions();
  ASSERT_EQ(ticks.size(), 5u);
  // The first and last ticks sit under the thumb's centre at Min and Max.
  EXPECT_EQ(ticks.front(), bar->ValueToPixel(0));
  EXPECT_NEAR(ticks.back(), bar->ValueToPixel(4), 1);
  bar->SetTickStyle(vcl::tsNone);
  EXPECT_TRUE(bar->TickPositions().empty());
}

TEST_F(TrackBars, ASelectionOnABarWithoutTicksPaints) {
  ActivateSkin();
  const uint32_t fontColour = Rgb(vcl::ColorToRGB(manager->GetGlobalFontColor()));
  // No ticks, or a single one, leave nothing to divide the channel by.
  for (int max : {0, 1, 255}) {
    auto* bar = NewBar(max);
    bar->SetTickMarks(vcl::tmBoth);
    bar->SetTickStyle(max == 255 ? vcl::tsNone : vcl::tsAuto);
    const TBarImages plain = PaintImages(bar);
    bar->SetSelStart(0);
    bar->SetSelEnd(max);
    auto image = CreateBmp24(bar->Width(), bar->Height());
    SendMessageA(bar->Handle(), WM_PRINT, WPARAM(image->Canvas()->Handle()), PRF_CLIENT);
    // The selection's markers are filled triangles in the skin's font colour, over and under
    // the channel (in place of the ticks at its ends); an empty selection (0 to 0) adds none.
    int marked = 0, changed = 0;
    for (int y = 0; y < bar->Height(); ++y)
      for (int x = 0; x < bar->Width(); ++x) {
        const uint32_t now = ImagePixel(image.get(), x, y);
        if (now == ImagePixel(plain.done.get(), x, y)) continue;
        ++changed;
        if (now == fontColour) ++marked;
      }
    if (max == 0) {
      EXPECT_EQ(changed, 0);
    } else {
      // Triangles of ten pixels each (three on a side, filled), at least the end's pair
      // within the bar.
      EXPECT_GE(marked, 2 * 10) << "max " << max;
    }
    delete bar;
  }
}

TEST_F(TrackBars, TheThumbIsDrawnInItsRectangleOnly) {
  ActivateSkin();
  for (bool top : {false, true}) {
    auto* bar = NewBar();
    bar->SetTickStyle(vcl::tsNone);
    bar->SetTickMarks(top ? vcl::tmTopLeft : vcl::tmBottomRight);
    bar->SetPosition(5);
    const TBarImages images = PaintImages(bar);
    const vcl::TRect thumb = bar->ThumbRect();
    ASSERT_EQ(thumb.bottom - thumb.top, 23);
    // Outside its rectangle the thumb leaves the bar as it was.
    int outside = 0;
    for (int y = 0; y < bar->Height(); ++y)
      for (int x = 0; x < bar->Width(); ++x)
        if (!PtInRect(&static_cast<const RECT&>(thumb), POINT{x, y}) &&
            ImagePixel(images.done.get(), x, y) != ImagePixel(images.beforeThumb.get(), x, y))
          ++outside;
    EXPECT_EQ(outside, 0) << "top " << top;
    const std::vector<std::string> shape = ThumbShape(images, thumb);
    std::string rows;
    for (const std::string& row : shape) rows += row + "\n";
    const bool firstRow = shape.front().find('#') != std::string::npos;
    const bool lastRow = shape.back().find('#') != std::string::npos;
    const bool middleRow = shape[shape.size() / 2].find('#') != std::string::npos;
    EXPECT_TRUE(middleRow) << rows;
    if (top) {
      // Turned to point up, it is composed at its natural size and fitted to the rectangle.
      EXPECT_TRUE(firstRow && lastRow) << rows;
    } else {
      // A rectangle 23 pixels thick takes the skin's thumb at its natural size, centred:
      // this skin's is shorter, so the rectangle's first and last rows stay as they were.
      EXPECT_FALSE(firstRow || lastRow) << rows;
    }
    delete bar;
  }
}

TEST_F(TrackBars, SelectionMarkersStandAtTheirValues) {
  ActivateSkin();
  auto* bar = NewBar(100);
  bar->SetMin(50);
  // Values map onto the channel from Min, not from the control's origin.
  const vcl::TRect channel = bar->ChannelRect();
  const vcl::TRect thumb = bar->ThumbRect();
  const int half = (thumb.right - thumb.left) / 2;
  EXPECT_EQ(bar->ValueToPixel(50), channel.left + half);
  EXPECT_EQ(bar->ValueToPixel(100), channel.right - (thumb.right - thumb.left) + half);
  bar->SetPosition(75);
  const vcl::TRect moved = bar->ThumbRect();
  EXPECT_NEAR((moved.left + moved.right) / 2, bar->ValueToPixel(75), 1);
}

TEST_F(TrackBars, HintsStayOffWhileTheThumbIsHeld) {
  ActivateSkin();
  vcl::Application->SetShowHint(true);
  auto* bar = NewBar();
  Pump();
  const vcl::TRect thumb = bar->ThumbRect();
  const LPARAM at = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_FALSE(vcl::Application->ShowHint());
  EXPECT_EQ(bar->ThumbState(), 2);
  SendMessageA(bar->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(vcl::Application->ShowHint());
  EXPECT_NE(bar->ThumbState(), 2);
  // A press whose release goes elsewhere (capture taken away) gives the hints back too.
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(bar->Handle(), WM_CAPTURECHANGED, 0, 0);
  EXPECT_TRUE(vcl::Application->ShowHint());
}

}  // namespace
