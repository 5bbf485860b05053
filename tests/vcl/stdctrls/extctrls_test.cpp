// Panels, shapes, images, radio groups, splitters, speed buttons and bitmap buttons on a real
// form, driven with the mouse messages their parent window receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace {

// A mouse press and release at a point of a window's client area.
void ClickAt(HWND wnd, int x, int y) {
  SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The form painted into a bitmap, for reading pixels back.
std::unique_ptr<TBitmap> Snapshot(TWinControl* control) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(control->ClientWidth(), control->ClientHeight());
  control->PaintTo(bitmap->Canvas()->Handle(), 0, 0);
  return bitmap;
}

}  // namespace

class ExtCtrls : public StdCtrlsTest {};

TEST_F(ExtCtrls, SpeedButtonGroupKeepsOneDown) {
  TForm* form = NewForm();
  std::vector<TSpeedButton*> buttons;
  std::vector<int> clicks(3, 0);
  for (int i = 0; i < 3; ++i) {
    buttons.push_back(Place<TSpeedButton>(form, 10 + 30 * i, 10, 25, 25));
    buttons[i]->SetGroupIndex(1);
    buttons[i]->OnClick = [&clicks, i](TObject*) { ++clicks[static_cast<std::size_t>(i)]; };
  }
  auto* loner = Place<TSpeedButton>(form, 200, 10, 25, 25);
  form->Show();
  HWND wnd = form->Handle();

  ClickAt(wnd, 20, 20);
  EXPECT_TRUE(buttons[0]->Down());
  ClickAt(wnd, 80, 20);
  EXPECT_FALSE(buttons[0]->Down());
  EXPECT_TRUE(buttons[2]->Down());
  EXPECT_EQ(buttons[2]->State(), bsExclusive);
  // Without AllowAllUp the pressed button stays down.
  ClickAt(wnd, 80, 20);
  EXPECT_TRUE(buttons[2]->Down());
  EXPECT_EQ(clicks, (std::vector<int>{1, 0, 2}));

  buttons[2]->SetAllowAllUp(true);
  EXPECT_TRUE(buttons[0]->AllowAllUp());  // the group shares the setting
  ClickAt(wnd, 80, 20);
  EXPECT_FALSE(buttons[2]->Down());

  // A button without a group only clicks.
  ClickAt(wnd, 210, 20);
  EXPECT_FALSE(loner->Down());
  EXPECT_EQ(loner->State(), bsUp);
  buttons[1]->SetDown(true);
  EXPECT_TRUE(buttons[1]->Down());
  form->Hide();
}

TEST_F(ExtCtrls, SpeedButtonReleasedOutsideDoesNotClick) {
  TForm* form = NewForm();
  auto* button = Place<TSpeedButton>(form, 10, 10, 25, 25);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  HWND wnd = form->Handle();
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_EQ(button->State(), bsDown);
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
  EXPECT_EQ(button->State(), bsUp);
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
  EXPECT_EQ(clicks, 0);
  form->Hide();
}

TEST_F(ExtCtrls, GlyphLayoutFollowsMarginAndSpacing) {
  TButtonGlyph glyph;
  TBitmap picture;
  picture.SetSize(32, 16);  // two images of 16 x 16
  glyph.SetGlyph(&picture);
  EXPECT_EQ(glyph.NumGlyphs(), 2);
  TBitmap surface;
  surface.SetSize(10, 10);
  TCanvas* canvas = surface.Canvas();
  TSize text = canvas->TextExtent("Go");
  struct Case {
    TButtonLayout layout;
    int margin, spacing;
    int glyphX, glyphY;
  } cases[] = {
      {blGlyphLeft, 4, 2, 4, (40 - 16 + 1) / 2},
      {blGlyphRight, 4, 2, 100 - 4 - 16, (40 - 16 + 1) / 2},
      {blGlyphTop, 3, 2, (100 - 16 + 1) / 2, 3},
      {blGlyphLeft, -1, 4, (100 - (16 + 4 + text.cx) + 1) / 2, (40 - 16 + 1) / 2},
  };
  for (const Case& c : cases) {
    TPoint glyphPos;
    TRect textBounds;
    glyph.CalcLayout(canvas, TRect{0, 0, 100, 40}, TPoint{0, 0}, "Go", c.layout, c.margin, c.spacing, glyphPos,
                     textBounds);
    EXPECT_EQ(glyphPos.x, c.glyphX) << c.layout;
    EXPECT_EQ(glyphPos.y, c.glyphY) << c.layout;
    if (c.layout == blGlyphLeft) { EXPECT_EQ(textBounds.left, glyphPos.x + 16 + c.spacing); }
  }
}

TEST_F(ExtCtrls, BitBtnKindsAreOwnerDrawnStandardButtons) {
  TForm* form = NewForm();
  auto* ok = Place<TBitBtn>(form, 10, 10, 75, 25);
  ok->SetKind(bkOK);
  auto* cancel = Place<TBitBtn>(form, 100, 10, 75, 25);
  cancel->SetKind(bkCancel);
  EXPECT_EQ(ok->Caption(), "OK");
  EXPECT_EQ(ok->ModalResult(), mrOk);
  EXPECT_TRUE(ok->Default());
  EXPECT_EQ(cancel->Caption(), "Cancel");
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(GetWindowLongA(ok->Handle(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
  form->Show();
  int clicks = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  SendMessageA(ok->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->ModalResult(), mrOk);
  // Focus moves keep the owner-drawn style.
  cancel->SetFocus();
  EXPECT_EQ(GetWindowLongA(ok->Handle(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
  form->SetModalResult(mrNone);
  form->Hide();
}

TEST_F(ExtCtrls, PanelClientAreaLiesInsideItsBevels) {
  TForm* form = NewForm();
  form->Show();
  auto* panel = Place<TPanel>(form, 0, 0, 200, 100);
  auto* child = Place<TPanel>(panel, 0, 0, 10, 10);
  child->SetAlign(alClient);
  EXPECT_EQ(child->Left(), 1);
  EXPECT_EQ(child->Width(), 198);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  EXPECT_EQ(child->Left(), 4);
  EXPECT_EQ(child->Height(), 92);
  panel->SetBorderStyle(bsSingle);
  EXPECT_TRUE(GetWindowLongA(panel->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_LT(panel->ClientWidth(), panel->Width());
  form->Hide();
}

TEST_F(ExtCtrls, ShapeAndPanelPaintTheirColours) {
  TForm* form = NewForm();
  form->SetColor(clWhite);
  auto* shape = Place<TShape>(form, 10, 10, 40, 40);
  shape->Brush()->SetColor(clRed);
  auto* panel = Place<TPanel>(form, 100, 10, 60, 40);
  panel->SetColor(clLime);
  panel->SetBevelOuter(bvNone);
  form->Show();
  auto bitmap = Snapshot(form);
  EXPECT_EQ(bitmap->Canvas()->Pixels(30, 30), clRed);
  EXPECT_EQ(bitmap->Canvas()->Pixels(130, 30), clLime);
  EXPECT_EQ(bitmap->Canvas()->Pixels(70, 30), clWhite);
  form->Hide();
}

TEST_F(ExtCtrls, ImagePlacesItsPicture) {
  TForm* form = NewForm();
  auto* image = Place<TImage>(form, 0, 0, 100, 50);
  TBitmap picture;
  picture.SetSize(40, 20);
  image->Picture()->SetGraphic(&picture);
  struct Case {
    bool stretch, proportional, center;
    TRect expected;
  } cases[] = {
      {false, false, false, TRect{0, 0, 40, 20}},
      {false, false, true, TRect{30, 15, 70, 35}},
      {true, false, false, TRect{0, 0, 100, 50}},
      {true, true, false, TRect{0, 0, 100, 50}},
      {true, true, true, TRect{0, 0, 100, 50}},
  };
  for (const Case& c : cases) {
    image->SetStretch(c.stretch);
    image->SetProportional(c.proportional);
    image->SetCenter(c.center);
    TRect r = image->DestRect();
    EXPECT_TRUE(EqualRect(&r, &c.expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  image->SetBounds(0, 0, 100, 100);
  image->SetStretch(true);
  image->SetProportional(true);
  TRect proportional = image->DestRect();
  EXPECT_EQ(proportional.right - proportional.left, 100);
  EXPECT_EQ(proportional.bottom - proportional.top, 50);

  image->SetAutoSize(true);
  picture.SetSize(64, 48);
  image->Picture()->SetGraphic(&picture);
  EXPECT_EQ(image->Width(), 64);
  EXPECT_EQ(image->Height(), 48);
}

TEST_F(ExtCtrls, RadioGroupItemsBecomeExclusiveButtons) {
  TForm* form = NewForm();
  auto* group = Place<TRadioGroup>(form, 10, 10, 166, 65);
  group->Items()->Add("Stretch To Fit");
  group->Items()->Add("Tile Image");
  group->SetItemIndex(0);
  int clicks = 0;
  group->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  ASSERT_EQ(group->ControlCount(), 2);
  EXPECT_EQ(group->Buttons(1)->ClassName(), "TGroupButton");
  EXPECT_EQ(group->Buttons(1)->Caption(), "Tile Image");
  EXPECT_TRUE(group->Buttons(0)->Checked());
  EXPECT_EQ(clicks, 0);

  SendMessageA(group->Buttons(1)->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_FALSE(group->Buttons(0)->Checked());
  EXPECT_EQ(clicks, 1);

  group->Items()->Delete(1);
  EXPECT_EQ(group->ControlCount(), 1);
  EXPECT_EQ(group->ItemIndex(), 0);
  EXPECT_THROW(group->Buttons(3), EListError);
  // Its buttons are its own, not form data.
  int streamed = 0;
  group->GetChildren([&](TComponent*) { ++streamed; }, form);
  EXPECT_EQ(streamed, 0);
  form->Hide();
}

TEST_F(ExtCtrls, SplitterResizesItsNeighbour) {
  TForm* form = NewForm(400, 300);
  auto* left = Place<TPanel>(form, 0, 0, 100, 100);
  left->SetAlign(alLeft);
  auto* splitter = Place<TSplitter>(form, 100, 0, 3, 100);
  splitter->SetAlign(alLeft);
  splitter->SetResizeStyle(rsUpdate);
  int moves = 0;
  splitter->OnMoved = [&](TObject*) { ++moves; };
  form->Show();
  ASSERT_EQ(splitter->Left(), 100);
  HWND wnd = form->Handle();
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(101, 50));
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(151, 50));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(151, 50));
  EXPECT_EQ(left->Width(), 150);
  EXPECT_GE(moves, 1);
  EXPECT_EQ(splitter->Left(), 150);
  form->Hide();
}

TEST_F(ExtCtrls, PublishedPropertiesOfTheExtraControls) {
  TForm* form = NewForm();
  auto* panel = Place<TPanel>(form, 0, 0, 50, 50);
  SetPropValue(panel, "BevelOuter", "bvNone");
  SetPropValue(panel, "BorderStyle", "bsSingle");
  auto* bevel = Place<TBevel>(form, 0, 0, 50, 2);
  SetPropValue(bevel, "Shape", "bsTopLine");
  auto* button = Place<TSpeedButton>(form, 0, 0, 20, 20);
  SetPropValue(button, "Flat", "True");
  SetPropValue(button, "Layout", "blGlyphTop");
  auto* bitBtn = Place<TBitBtn>(form, 0, 0, 20, 20);
  SetPropValue(bitBtn, "Kind", "bkYes");
  EXPECT_EQ(panel->BevelOuter(), bvNone);
  EXPECT_EQ(panel->BorderStyle(), bsSingle);
  EXPECT_EQ(bevel->Shape(), bsTopLine);
  EXPECT_TRUE(button->Flat());
  EXPECT_EQ(button->Layout(), blGlyphTop);
  EXPECT_EQ(bitBtn->Caption(), "&Yes");
  EXPECT_EQ(bitBtn->ModalResult(), mrYes);
}
