// The palette dialog: its form and button, the cell under the mouse, and the modal run
// answered by Escape, the cancel button or a click on a colour.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "imaging/dialogs/palette_dialog.h"
#include "vcl/controls/timer.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

std::vector<TRGB> Colours(int32_t count) {
  std::vector<TRGB> palette;
  for (int32_t i = 0; i < count; ++i) palette.push_back(TRGB{uint8_t(i), uint8_t(2 * i), uint8_t(255 - i)});
  return palette;
}

// Runs `steps` one per timer tick once the dialog's modal loop runs, and returns Execute's
// result. Should a step fail to close the dialog, it is ended with mrAbort after the steps
// so that the test fails instead of waiting for ever.
bool ExecuteWith(TImagePaletteDialog& dialog, std::vector<std::function<void()>> steps) {
  vcl::TTimer timer(nullptr);
  timer.SetInterval(10);
  size_t next = 0;
  int idleTicks = 0;
  timer.OnTimer = [&](vcl::TObject*) {
    if (!dialog.FormState().Contains(vcl::fsModal)) return;
    if (next < steps.size()) {
      steps[next++]();
    } else if (++idleTicks > 100) {
      dialog.SetModalResult(vcl::mrAbort);
    }
  };
  bool result = dialog.Execute();
  timer.SetEnabled(false);
  EXPECT_NE(dialog.ModalResult(), vcl::mrAbort) << "the dialog did not close";
  return result;
}

void Post(HWND window, UINT message, WPARAM w, int x, int y) {
  PostMessageA(window, message, w, MAKELPARAM(x, y));
}

}  // namespace

TEST(PaletteDialog, IsAFormWithACancelButton) {
  TImagePaletteDialog dialog(nullptr);
  EXPECT_EQ(dialog.Caption(), "Palette");
  EXPECT_EQ(dialog.Width(), 520);
  EXPECT_EQ(dialog.Height(), 199);
  EXPECT_EQ(dialog.BorderStyle(), vcl::bsDialog);
  EXPECT_EQ(dialog.Position(), vcl::poScreenCenter);
  EXPECT_EQ(dialog.BorderIcons(), vcl::TBorderIcons{vcl::biSystemMenu});
  vcl::TButton* cancel = dialog.CancelButton();
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->Parent(), &dialog);
  EXPECT_EQ(cancel->Caption(), "&Cancel");
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(cancel->ModalResult(), vcl::mrCancel);
  EXPECT_EQ(cancel->Left(), 4);
  EXPECT_EQ(cancel->Top(), 136);
  EXPECT_EQ(dialog.SelectedIndex(), -1);
}

TEST(PaletteDialog, TheMouseSelectsTheCellUnderIt) {
  struct Case {
    int32_t colours;
    int x, y;
    int32_t selected;
  } cases[] = {
      {256, 17, 1, 1},  {256, 1, 17, 32},  {256, 0, 0, 0},     {256, 511, 120, 255},
      {16, 17, 1, 1},   {16, 65, 1, 4},    {16, 81, 17, -1},  // entry 36 does not exist
      {256, 514, 1, -1},                                       // right of the last column
  };
  for (const Case& c : cases) {
    auto palette = Colours(c.colours);
    TImagePaletteDialog dialog(nullptr);
    dialog.SetPalette(palette.data(), c.colours);
    dialog.MouseMoveSelect(&dialog, vcl::TShiftState{}, c.x, c.y);
    EXPECT_EQ(dialog.SelectedIndex(), c.selected) << c.colours << " at " << c.x << "," << c.y;
  }
  // With 16 colours the position of entry 20 keeps the earlier selection.
  auto palette = Colours(16);
  TImagePaletteDialog dialog(nullptr);
  dialog.SetPalette(palette.data(), 16);
  dialog.MouseMoveSelect(&dialog, vcl::TShiftState{}, 81, 1);
  dialog.MouseMoveSelect(&dialog, vcl::TShiftState{}, 17 + 16 * 20, 1);
  EXPECT_EQ(dialog.SelectedIndex(), 5);
  dialog.MouseMoveSelect(&dialog, vcl::TShiftState{}, 1 + 16 * 4, 17);
  EXPECT_EQ(dialog.SelectedIndex(), 5);
}

TEST(PaletteDialog, EscapeOrCancelCloseWithoutAColour) {
  auto palette = Colours(8);
  {
    TImagePaletteDialog dialog(nullptr);
    dialog.SetPalette(palette.data(), 8);
    bool picked = ExecuteWith(dialog, {[&] {
      HWND focus = GetFocus();
      Post(focus ? focus : dialog.Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0);
    }});
    EXPECT_FALSE(picked);
    EXPECT_EQ(dialog.ModalResult(), vcl::mrCancel);
  }
  {
    TImagePaletteDialog dialog(nullptr);
    dialog.SetPalette(palette.data(), 8);
    bool picked = ExecuteWith(dialog, {[&] { PostMessageA(dialog.CancelButton()->Handle(), BM_CLICK, 0, 0); }});
    EXPECT_FALSE(picked);
  }
}

TEST(PaletteDialog, ClickingAfterHoveringPicksThatColour) {
  auto palette = Colours(40);
  palette[5] = TRGB{0x10, 0x20, 0x30};
  TImagePaletteDialog dialog(nullptr);
  dialog.SetPalette(palette.data(), 40);
  // A click before any hovering does nothing; then hovering entry 5 and clicking picks it.
  bool picked = ExecuteWith(dialog, {
                                        [&] {
                                          Post(dialog.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 300, 150);
                                          Post(dialog.Handle(), WM_LBUTTONUP, 0, 300, 150);
                                        },
                                        [&] { Post(dialog.Handle(), WM_MOUSEMOVE, 0, 5 * 16 + 8, 8); },
                                        [&] {
                                          Post(dialog.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5 * 16 + 8, 8);
                                          Post(dialog.Handle(), WM_LBUTTONUP, 0, 5 * 16 + 8, 8);
                                        },
                                    });
  EXPECT_TRUE(picked);
  EXPECT_EQ(dialog.SelectedIndex(), 5);
  EXPECT_EQ(dialog.ChosenColor(), vcl::TColor(0x102030));  // red (0x30) in the low byte
}

TEST(PaletteDialog, PaintingOutlinesTheSelectedCell) {
  auto palette = Colours(3);
  palette[1] = TRGB{0, 0, 255};
  TImagePaletteDialog dialog(nullptr);
  dialog.SetPalette(palette.data(), 3);
  dialog.Show();
  dialog.MouseMoveSelect(&dialog, vcl::TShiftState{}, 20, 5);
  ASSERT_EQ(dialog.SelectedIndex(), 1);
  HDC dc = dialog.Canvas()->Handle();
  EXPECT_EQ(GetPixel(dc, 17, 1), RGB(0, 0, 0));      // the black outline of entry 1
  EXPECT_EQ(GetPixel(dc, 24, 8), RGB(255, 0, 0));    // its colour inside
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));  // entry 0 has a white outline
  dialog.Hide();
}
