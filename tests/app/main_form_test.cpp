// The main form driven as a user drives it; after every step the result must equal the
// engine's own composition of the same inputs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/filters.h"
#include "skin/engine/skin_manager.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/dwm_services.h"
#include "skin/forms/skin_provider.h"
#include "tests/app/main_form_fixture.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/file_helpers.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/sysutils.h"

using namespace app_test;
using bitmap::TBitmap32;

namespace {

// Pictures with detail in every channel, small enough to compare pixel by pixel.
TPicture32 BasePicture(int w = 40, int h = 30) {
  return MakePicture(w, h, [](int x, int y) { return (x * 6 % 256) << 16 | (y * 8 % 256) << 8 | ((x + y) * 3 % 256); });
}
TPicture32 OverlayPicture(int w = 20, int h = 10) {
  return MakePicture(w, h, [](int x, int y) { return (255 - x * 11 % 256) << 16 | (x * y * 5 % 256) << 8 | (y * 23 % 256); });
}
// A loaded mask is stretched with the slot bitmap's filter, Lanczos.
TPicture32 MaskPicture() {
  auto mask = MakePicture(16, 12, [](int x, int y) {
    const uint32_t g = (x * 16 + y * 5) % 256;
    return g << 16 | g << 8 | g;
  });
  mask->SetStretchFilter(bitmap::sfLanczos);
  return mask;
}

}  // namespace

TEST_F(MainFormTest, StartsWithNormalFullOpacityAndOnlyTheStartCommands) {
  ASSERT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(form->Caption(), "Mergeon");
  EXPECT_EQ(form->BlendComboBox->Items()->Count(), 27);
  EXPECT_EQ(form->BlendComboBox->ItemIndex(), 0);
  EXPECT_EQ(form->BlendComboBox->Items()->Strings(0), "Normal");
  EXPECT_EQ(form->OpacityBar->Position(), 255);
  EXPECT_EQ(form->OpacityPercentage->Caption(), "0%");
  EXPECT_EQ(form->OverlayImageMode->ItemIndex(), 0);
  EXPECT_EQ(form->MaskGradCombo->ItemIndex(), -1);
  EXPECT_EQ(form->BaseImg->Color(), 0xF8F8F8);
  EXPECT_EQ(form->ImageView1->Background(), 0xE2E2E2);
  EXPECT_TRUE(form->BaseImg->Bitmap()->IsEmpty());
  ExpectButtons(false, false, true, true, true);
  for (vcl::TControl* edit : {form->BaseEditBtn, form->OverlayEditBtn, form->MaskEditBtn}) EXPECT_TRUE(edit->Enabled());
  for (vcl::TControl* hidden : {static_cast<vcl::TControl*>(form->BaseEditPanel), static_cast<vcl::TControl*>(form->NewImgPanel),
                                static_cast<vcl::TControl*>(form->PanelAbout), static_cast<vcl::TControl*>(form->FlattenBtn)})
    EXPECT_FALSE(hidden->Visible()) << hidden->Name();
  // What the palettes show once opened.
  OpenPalettes();
  EXPECT_EQ(form->BlendComboBox->Text(), "Normal");
  EXPECT_EQ(form->MaskGradCombo->Text(), "Select ...");
  EXPECT_EQ(form->OpacityPercentage->Caption(), "0%");
}

// The skin comes from the form's own data, holds every section the form's controls name, and
// its manager has put in the hook that skins the system dialogs.
TEST_F(MainFormTest, TheInternalSkinComesFromTheFormDataWithEverySectionTheFormNames) {
  skin::TsSkinManager* manager = form->sSkinManager1;
  EXPECT_EQ(manager->SkinName(), "ShineWhite (internal)");
  EXPECT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  EXPECT_TRUE(manager->ImagesFromContainer);
  for (const char* section : {"FORM", "PANEL", "PANEL_LOW", "ALPHAEDIT", "COLHEADER", "GROUPBOX", "BUTTON",
                              "SPEEDBUTTON", "COMBOBOX", "EDIT", "TRACKBAR", "HINT", "SCROLLSLIDERV", "DIALOG"})
    EXPECT_GE(manager->FindSectionIndex(section), 0) << section;
  EXPECT_TRUE(skin::DialogsHookInstalled());
  // The extended border only where the desktop composes it with the form; Wine's reports no
  // composition, and the form keeps its own skinned frame.
  EXPECT_EQ(manager->GetExtendedBorders(), skin::IsCompositionEnabled());
  EXPECT_EQ(form->sSkinProvider1->HasExtBorder(), skin::IsCompositionEnabled());
}

TEST_F(MainFormTest, TheMaskPresetsFollowTheirEasedProfiles) {
  ASSERT_EQ(form->GradientList->Bitmaps()->Count(), 5);
  struct Sample {
    int preset, x, y, level, tolerance;
  };
  const Sample samples[] = {
      {0, 30, 0, 255, 0},  {0, 7, 11, 237, 0},  {0, 70, 44, 146, 0}, {0, 0, 88, 20, 0},   {0, 99, 99, 1, 0},
      {1, 0, 0, 255, 0},   {1, 20, 13, 224, 0}, {1, 50, 49, 128, 0}, {1, 99, 66, 31, 0},  {1, 99, 99, 0, 0},
      {2, 50, 50, 255, 0}, {2, 55, 50, 243, 2}, {2, 50, 75, 153, 2}, {2, 95, 50, 50, 2},  {2, 0, 0, 0, 0},
      {3, 57, 50, 239, 2}, {3, 50, 85, 121, 2}, {3, 80, 83, 10, 2}, {3, 0, 0, 0, 0},     {4, 0, 40, 1, 0},
      {4, 22, 3, 111, 0},  {4, 50, 60, 255, 0}, {4, 72, 9, 144, 0},  {4, 99, 99, 1, 0},   {4, 44, 0, 237, 0},
  };
  for (const Sample& s : samples) {
    TBitmap32* preset = form->GradientList->GetBitmap(s.preset);
    ASSERT_EQ(preset->Width(), 100);
    ASSERT_EQ(preset->Height(), 100);
    const bitmap::TColor32 c = *preset->PixelPtr(s.x, s.y);
    EXPECT_EQ(c >> 24, 255u);
    EXPECT_EQ((c >> 16) & 0xFF, c & 0xFF);
    EXPECT_EQ((c >> 8) & 0xFF, c & 0xFF);
    EXPECT_NEAR(static_cast<int>(c & 0xFF), s.level, s.tolerance) << "preset " << s.preset << " at " << s.x << "," << s.y;
  }
  // Grey runs smoothly down the linear preset, across the reflected one.
  TBitmap32* linear = form->GradientList->GetBitmap(0);
  for (int y = 1; y < 100; ++y) EXPECT_LE(*linear->PixelPtr(0, y) & 0xFF, *linear->PixelPtr(0, y - 1) & 0xFF);
}

TEST_F(MainFormTest, LoadsTheSlotsAndMergesInEveryBlendModeAndOpacity) {
  const auto base = BasePicture();
  const auto overlay = OverlayPicture();
  const auto mask = MaskPicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ASSERT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(form->NewWidthSpin->Value(), 40);
  EXPECT_EQ(form->NewHeightSpin->Value(), 30);
  ExpectButtons(true, true, true, true, true);
  ExpectResult(*base);

  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  ExpectResult(*Compose({base.get(), overlay.get(), nullptr, 0, 255, false}));

  OpenPalettes();
  for (int mode = 0; mode < bitmap::BlendModeCount; ++mode) {
    SelectComboItem(form->BlendComboBox, mode);
    for (int opacity : {0, 153, 255}) {
      MoveTrackBar(form->OpacityBar, opacity);
      SCOPED_TRACE(bitmap::BlendModeName(mode) + " at " + std::to_string(opacity));
      ExpectResult(*Compose({base.get(), overlay.get(), nullptr, mode, static_cast<uint32_t>(opacity), false}));
    }
  }
  EXPECT_EQ(form->OpacityPercentage->Caption(), "0%");
  MoveTrackBar(form->OpacityBar, 128);
  EXPECT_EQ(form->OpacityPercentage->Caption(), "50%");
  MoveTrackBar(form->OpacityBar, 0);
  EXPECT_EQ(form->OpacityPercentage->Caption(), "100%");

  SelectComboItem(form->BlendComboBox, 1);
  MoveTrackBar(form->OpacityBar, 153);
  ClickAndChooseFile(form->MaskBtn, PictureFile("mask.bmp", *mask));
  ExpectResult(*Compose({base.get(), overlay.get(), mask.get(), 1, 153, false}));
  EXPECT_EQ(form->MaskGradCombo->ItemIndex(), -1);
  EXPECT_EQ(form->MaskGradCombo->Text(), "Select ...");
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, TilesTheOverlayAndGoesBackToStretchOnAnOverlayLoad) {
  const auto base = BasePicture();
  const auto overlay = OverlayPicture(15, 8);
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  OpenPalettes();
  SelectComboItem(form->BlendComboBox, 2);
  MoveTrackBar(form->OpacityBar, 200);
  ChooseOverlayMode(1);
  EXPECT_EQ(form->OverlayImageMode->ItemIndex(), 1);
  ExpectResult(*Compose({base.get(), overlay.get(), nullptr, 2, 200, true}));

  const auto other = OverlayPicture(12, 9);
  ClickAndChooseFile(form->OverlayBtn, PictureFile("other.bmp", *other));
  EXPECT_EQ(form->OverlayImageMode->ItemIndex(), 0);
  ExpectResult(*Compose({base.get(), other.get(), nullptr, 2, 200, false}));
}

TEST_F(MainFormTest, EachMaskPresetWeighsTheOverlay) {
  const auto base = BasePicture();
  const auto overlay = OverlayPicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  // "None (Clear)" before any mask leaves the mask empty.
  OpenPalettes();
  SelectComboItem(form->MaskGradCombo, 5);
  EXPECT_TRUE(form->MaskImg->Bitmap()->IsEmpty());
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  ExpectResult(*Compose({base.get(), overlay.get(), nullptr, 0, 255, false}));
  for (int preset = 0; preset < 5; ++preset) {
    SelectComboItem(form->MaskGradCombo, preset);
    SCOPED_TRACE("preset " + std::to_string(preset));
    ExpectResult(*Compose({base.get(), overlay.get(), form->GradientList->GetBitmap(preset), 0, 255, false}));
  }
  // After a mask, "None (Clear)" leaves the overlay at 248/255 everywhere.
  SelectComboItem(form->MaskGradCombo, 5);
  const auto cleared = MakePicture(100, 100, [](int, int) { return 0xF8F8F8u; });
  ExpectResult(*Compose({base.get(), overlay.get(), cleared.get(), 0, 255, false}));
}

TEST_F(MainFormTest, SlotEditsChangeTheirSlotAndTheResult) {
  auto base = BasePicture();
  auto overlay = OverlayPicture();
  auto mask = MaskPicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  ClickAndChooseFile(form->MaskBtn, PictureFile("mask.bmp", *mask));
  OpenPalettes();
  SelectComboItem(form->BlendComboBox, 3);
  struct Edit {
    vcl::TControl* button;
    TBitmap32* slot;
    void (*apply)(TBitmap32*);
  };
  auto rotate = [](TBitmap32* b) { b->Rotate90(); };
  auto flipH = [](TBitmap32* b) { b->FlipHorizontal(); };
  auto flipV = [](TBitmap32* b) { b->FlipVertical(); };
  auto grey = [](TBitmap32* b) { bitmap::ToGrayscale(b, b); };
  auto invert = [](TBitmap32* b) { bitmap::InvertRGB(b, b); };
  const Edit edits[] = {
      {form->BaseRotBtn, base.get(), rotate},       {form->BaseFHBtn, base.get(), flipH},       {form->BaseFVBtn, base.get(), flipV},
      {form->BaseGryBtn, base.get(), grey},         {form->BaseInvBtn, base.get(), invert},     {form->OverlayRotBtn, overlay.get(), rotate},
      {form->OverlayFHBtn, overlay.get(), flipH},   {form->OverlayFVBtn, overlay.get(), flipV}, {form->OverlayGryBtn, overlay.get(), grey},
      {form->OverlayInvBtn, overlay.get(), invert}, {form->MaskRotBtn, mask.get(), rotate},     {form->MaskFHBtn, mask.get(), flipH},
      {form->MaskFVBtn, mask.get(), flipV},         {form->MaskGryBtn, mask.get(), grey},       {form->MaskInvBtn, mask.get(), invert},
  };
  for (const Edit& edit : edits) {
    ClickGraphic(edit.button);
    edit.apply(edit.slot);
    SCOPED_TRACE(edit.button->Name());
    ExpectResult(*Compose({base.get(), overlay.get(), mask.get(), 3, 255, false}));
  }
  EXPECT_EQ(ColourDifference(*form->BaseImg->Bitmap(), *base), "");
  EXPECT_EQ(form->MergeImg->Bitmap()->Width(), 30);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, TransferToBaseAppliesTheOverlayAgain) {
  const auto base = BasePicture();
  const auto overlay = OverlayPicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  OpenPalettes();
  SelectComboItem(form->BlendComboBox, 1);
  MoveTrackBar(form->OpacityBar, 180);
  const auto once = Compose({base.get(), overlay.get(), nullptr, 1, 180, false});
  ExpectResult(*once);
  Click(form->TransferBtn);
  EXPECT_EQ(ColourDifference(*form->BaseImg->Bitmap(), *once), "");
  ExpectResult(*Compose({once.get(), overlay.get(), nullptr, 1, 180, false}));
}

TEST_F(MainFormTest, NewImageMakesATransparentWhiteBaseAndKeepsTheLayers) {
  const auto overlay = OverlayPicture();
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  Click(form->NewBaseBtn);
  EXPECT_TRUE(form->NewImgPanel->Visible());
  ExpectButtons(false, false, false, false, false);
  SetWindowTextA(form->NewWidthSpin->Handle(), "64");
  SetWindowTextA(form->NewHeightSpin->Handle(), "48");
  Click(form->NewOKBtn);
  EXPECT_FALSE(form->NewImgPanel->Visible());
  ExpectButtons(true, true, true, true, true);
  const auto blank = MakePicture(64, 48, [](int, int) { return 0xFFFFFFu; });
  ExpectResult(*Compose({blank.get(), overlay.get(), nullptr, 0, 255, false}));
  EXPECT_EQ(*form->BaseImg->Bitmap()->PixelPtr(0, 0), 0x00FFFFFFu);
  // Smaller than the view: the zoom decision shows it at 100 %; "Fit Window" enlarges it.
  EXPECT_DOUBLE_EQ(form->ImageView1->Zoom(), 100);
  Click(form->ZoomFitBtn);
  EXPECT_GT(form->ImageView1->Zoom(), 100);
  Click(form->Zoom100Btn);
  EXPECT_DOUBLE_EQ(form->ImageView1->Zoom(), 100);

  // A width that is no number gives an empty base and an empty result.
  Click(form->NewBaseBtn);
  SetWindowTextA(form->NewWidthSpin->Handle(), "abc");
  Click(form->NewOKBtn);
  EXPECT_TRUE(form->BaseImg->Bitmap()->IsEmpty());
  EXPECT_TRUE(form->FlattenImg->Bitmap()->IsEmpty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, TheCommandButtonsFollowTheirRules) {
  // About before any image: everything off, then back without the result and zoom buttons.
  Click(form->AboutBtn);
  EXPECT_TRUE(form->PanelAbout->Visible());
  ExpectButtons(false, false, false, false, false);
  Click(form->AboutCloseBtn);
  ExpectButtons(false, false, true, true, true);
  // The new-image panel, cancelled before any image.
  Click(form->NewBaseBtn);
  ExpectButtons(false, false, false, false, false);
  Click(form->NewCancelBtn);
  ExpectButtons(false, false, true, true, true);

  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *BasePicture()));
  ExpectButtons(true, true, true, true, true);
  Click(form->AboutBtn);
  ExpectButtons(false, false, false, false, false);
  Click(form->AboutCloseBtn);
  ExpectButtons(true, true, true, true, true);
  Click(form->NewBaseBtn);
  ExpectButtons(false, true, false, false, false);
  Click(form->NewCancelBtn);
  ExpectButtons(true, true, true, true, true);

  // A palette's "Edit >>" is off while it shows; a click on the scroll box hides them all.
  OpenPalettes();
  for (vcl::TControl* edit : {form->BaseEditBtn, form->OverlayEditBtn, form->MaskEditBtn}) EXPECT_FALSE(edit->Enabled());
  EXPECT_TRUE(form->OverlayEditPanel->Visible());
  ClickGraphic(form->OverlayCloseBtn);
  EXPECT_FALSE(form->OverlayEditPanel->Visible());
  EXPECT_TRUE(form->OverlayEditBtn->Enabled());
  ClickWindow(form->ScrollBox);
  for (vcl::TControl* edit : {form->BaseEditBtn, form->OverlayEditBtn, form->MaskEditBtn}) EXPECT_TRUE(edit->Enabled());
  EXPECT_FALSE(form->BaseEditPanel->Visible());
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, ResizingCentresThePanelsAndPullsThePalettesBack) {
  OpenPalettes();
  form->BaseEditPanel->SetLeft(5000);
  form->BaseEditPanel->SetTop(-40);
  form->OverlayEditPanel->SetLeft(-30);
  form->OverlayEditPanel->SetTop(5000);
  form->SetBounds(form->Left(), form->Top(), 900, 640);
  vcl::Application->ProcessMessages();
  vcl::TControl* view = form->ImageView1;
  EXPECT_EQ(form->BaseEditPanel->Left(), view->Width() - form->BaseEditPanel->Width());
  EXPECT_EQ(form->BaseEditPanel->Top(), 0);
  EXPECT_EQ(form->OverlayEditPanel->Left(), 0);
  EXPECT_EQ(form->OverlayEditPanel->Top(), view->Height() - form->OverlayEditPanel->Height());
  EXPECT_EQ(form->PanelAbout->Left(), (form->ScrollBox->Width() - 310) / 2);
  EXPECT_EQ(form->PanelAbout->Top(), (form->ScrollBox->Height() - 200) / 2);
  EXPECT_EQ(form->NewImgPanel->Left(), (form->ScrollBox->Width() - 288) / 2);
  EXPECT_EQ(form->NewImgPanel->Top(), (form->ScrollBox->Height() - 124) / 2);
}

TEST_F(MainFormTest, AFileThatCannotBeReadChangesNoSlot) {
  const auto base = BasePicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  test_files::WriteFileBytes(folder.UnixFile("broken.bmp"), test_files::ToBytes("BM not a bitmap at all"));
  for (vcl::TWinControl* button : {static_cast<vcl::TWinControl*>(form->BaseBtn), static_cast<vcl::TWinControl*>(form->OverlayBtn),
                                   static_cast<vcl::TWinControl*>(form->MaskBtn)}) {
    errors.clear();
    ClickAndChooseFile(button, folder.File("broken.bmp"));
    EXPECT_EQ(errors.size(), 1u) << button->Name();
  }
  errors.clear();
  EXPECT_EQ(ColourDifference(*form->BaseImg->Bitmap(), *base), "");
  EXPECT_TRUE(form->OverlayImg->Bitmap()->IsEmpty());
  EXPECT_TRUE(form->MaskImg->Bitmap()->IsEmpty());
  ExpectResult(*base);
  // A cancelled dialog changes nothing either.
  ClickAndChooseFile(form->OverlayBtn, "");
  EXPECT_TRUE(form->OverlayImg->Bitmap()->IsEmpty());
}

TEST_F(MainFormTest, AFileWithNoPictureIsRefusedAndLeavesTheSlot) {
  test_files::WriteFileBytes(folder.UnixFile("empty.bmp"), {});
  const std::string empty = folder.File("empty.bmp");
  // As the first base: no slot changes and no result command comes on.
  EXPECT_EQ(ClickAndReadErrorBox(form->BaseBtn, empty), "Bitmap image is not valid.");
  EXPECT_TRUE(form->BaseImg->Bitmap()->IsEmpty());
  ExpectButtons(false, false, true, true, true);

  const auto base = BasePicture();
  const auto overlay = OverlayPicture();
  const auto mask = MaskPicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  ClickAndChooseFile(form->MaskBtn, PictureFile("mask.bmp", *mask));
  ASSERT_TRUE(errors.empty()) << errors.front();
  const auto expected = Compose({base.get(), overlay.get(), mask.get(), 0, 255, false});
  ExpectResult(*expected);
  // Over loaded slots: each keeps its picture, and the result keeps the overlay and the mask.
  for (vcl::TWinControl* button : {static_cast<vcl::TWinControl*>(form->BaseBtn),
                                   static_cast<vcl::TWinControl*>(form->OverlayBtn),
                                   static_cast<vcl::TWinControl*>(form->MaskBtn)}) {
    errors.clear();
    ClickAndChooseFile(button, empty);
    EXPECT_EQ(errors, std::vector<std::string>{"Bitmap image is not valid"}) << button->Name();
  }
  errors.clear();
  EXPECT_EQ(ColourDifference(*form->BaseImg->Bitmap(), *base), "");
  EXPECT_EQ(ColourDifference(*form->OverlayImg->Bitmap(), *overlay), "");
  EXPECT_EQ(ColourDifference(*form->MaskImg->Bitmap(), *mask), "");
  ExpectResult(*expected);
}

TEST_F(MainFormTest, ANewImageTooLargeForMemoryIsRefusedAndTheBaseKept) {
  const auto base = BasePicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  Click(form->NewBaseBtn);
  // The width alone would fit beside the old height; the whole size does not.
  SetWindowTextA(form->NewWidthSpin->Handle(), "100000");
  SetWindowTextA(form->NewHeightSpin->Handle(), "100000");
  EXPECT_EQ(ClickAndReadErrorBox(form->NewOKBtn), "Can't allocate the DIB handle.");
  EXPECT_EQ(ColourDifference(*form->BaseImg->Bitmap(), *base), "");
  EXPECT_EQ(ColourDifference(*form->MergeImg->Bitmap(), *base), "");
  ExpectResult(*base);
  // The panel stays open for another size, or for Cancel, which brings the commands back.
  EXPECT_TRUE(form->NewImgPanel->Visible());
  Click(form->NewCancelBtn);
  ExpectButtons(true, true, true, true, true);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormTest, CopiesTheResultToTheClipboardAsADib) {
  const auto base = BasePicture();
  const auto overlay = OverlayPicture();
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  OpenPalettes();
  SelectComboItem(form->BlendComboBox, 15);
  Click(form->ZoomFitBtn);
  Click(form->CopyBtn);
  const auto expected = Compose({base.get(), overlay.get(), nullptr, 15, 255, false});
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_DIB);
  ASSERT_NE(data, nullptr);
  auto* info = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
  ASSERT_EQ(info->biWidth, 40);
  ASSERT_EQ(std::abs(info->biHeight), 30);
  ASSERT_EQ(info->biBitCount, 32);
  const auto* bits = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(info) + info->biSize +
                                                       (info->biCompression == BI_BITFIELDS ? 12 : 0));
  TBitmap32 copied;
  copied.SetSize(40, 30);
  for (int y = 0; y < 30; ++y)
    std::memcpy(copied.ScanLine(y), bits + 40 * (info->biHeight > 0 ? 29 - y : y), 40 * 4);
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(ColourDifference(copied, *expected), "");
}

TEST_F(MainFormTest, SavesTheResultAsJpegAfterAskingToOverwrite) {
  // Smooth pictures: JPEG's tolerance is for photographs, not for single-pixel detail.
  const auto base = MakePicture(64, 48, [](int x, int y) { return (x * 3) << 16 | (y * 4) << 8 | 128; });
  const auto overlay = MakePicture(20, 10, [](int x, int y) { return 200u << 16 | (x * 10) << 8 | (y * 20); });
  ClickAndChooseFile(form->BaseBtn, PictureFile("base.bmp", *base));
  ClickAndChooseFile(form->OverlayBtn, PictureFile("overlay.bmp", *overlay));
  OpenPalettes();
  SelectComboItem(form->BlendComboBox, 1);
  MoveTrackBar(form->OpacityBar, 153);
  const auto expected = Compose({base.get(), overlay.get(), nullptr, 1, 153, false});
  const std::string target = folder.File("merged.jpg");
  test_files::WriteFileBytes(folder.UnixFile("merged.jpg"), test_files::ToBytes("keep me"));

  // "No" to the overwrite question leaves the file alone.
  std::vector<std::string> asked;
  {
    DialogAnswerer answerer([&](HWND dialog) {
      if (ClassNameOf(dialog) == "#32770") {
        TypeFileNameAndAccept(dialog, target);
        return false;
      }
      asked.push_back(WindowText(FindDescendant(dialog, "TLabel")));
      for (HWND b = GetWindow(dialog, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
        if (WindowText(b) == "&No" || WindowText(b) == "No") PressButton(b);
      return true;
    });
    Click(form->SaveBtn);
  }
  EXPECT_EQ(test_files::ReadFileBytes(folder.UnixFile("merged.jpg")), test_files::ToBytes("keep me"));

  {
    DialogAnswerer answerer([&](HWND dialog) {
      if (ClassNameOf(dialog) == "#32770") {
        TypeFileNameAndAccept(dialog, target);
        return false;
      }
      for (HWND b = GetWindow(dialog, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
        if (WindowText(b) == "&Yes" || WindowText(b) == "Yes") PressButton(b);
      return true;
    });
    Click(form->SaveBtn);
  }
  ASSERT_TRUE(errors.empty()) << errors.front();
  std::string ppm;
  ASSERT_EQ(test_files::RunShell("djpeg -pnm '" + folder.UnixFile("merged.jpg") + "'", &ppm), 0);
  ASSERT_EQ(ppm.compare(0, 2, "P6"), 0);
  const size_t header = ppm.find("255\n") + 4;
  ASSERT_EQ(ppm.size() - header, 64u * 48u * 3u);
  double total = 0;
  int worst = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        const int decoded = static_cast<uint8_t>(ppm[header + (y * 64 + x) * 3 + ch]);
        const int wanted = (*expected->PixelPtr(x, y) >> (16 - 8 * ch)) & 0xFF;
        total += std::abs(decoded - wanted);
        worst = std::max(worst, std::abs(decoded - wanted));
      }
  EXPECT_LT(total / (64 * 48 * 3), 6.0);
  EXPECT_LT(worst, 40);
}

TEST_F(MainFormTest, TheSettingsFileKeepsTheDialogFoldersAndThePlacement) {
  const std::string besideProgram = vcl::ExtractFilePath(vcl::ParamStr(0)) + "Mergeon.ini";
  vcl::DeleteFile(besideProgram);
  form->OpenDialogBase->SetInitialDir("C:\\pictures\\bases");
  form->OpenDialogOverlay->SetInitialDir("C:\\pictures\\overlays");
  form->OpenDialogMask->SetInitialDir("C:\\pictures\\masks");
  form->SetBounds(120, 90, 900, 620);
  vcl::Application->ProcessMessages();
  DestroyForm();
  ASSERT_TRUE(vcl::FileExists(SettingsFile()));
  // Not beside the program, whose folder may not be writable.
  EXPECT_FALSE(vcl::FileExists(besideProgram));

  CreateForm();
  EXPECT_EQ(form->OpenDialogBase->InitialDir(), "C:\\pictures\\bases");
  EXPECT_EQ(form->OpenDialogOverlay->InitialDir(), "C:\\pictures\\overlays");
  EXPECT_EQ(form->OpenDialogMask->InitialDir(), "C:\\pictures\\masks");
  EXPECT_EQ(form->Left(), 120);
  EXPECT_EQ(form->Top(), 90);
  EXPECT_EQ(form->Width(), 900);
  EXPECT_EQ(form->Height(), 620);
}
