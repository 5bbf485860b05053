#include "tests/app/main_form_fixture.h"

#include <cstdio>
#include <cstring>

#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/filters.h"
#include "formats/file_format_list.h"
#include "skin/controls/register_controls.h"
#include "skin/forms/form_skinning_startup.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/file_helpers.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/sysutils.h"

namespace app_test {

TPicture32 MakePicture(int32_t w, int32_t h, const TPixelRule& colour) {
  auto picture = std::make_unique<bitmap::TBitmap32>();
  picture->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) *picture->PixelPtr(x, y) = colour(x, y) | 0xFF000000u;
  return picture;
}

void WriteBmp(const std::string& unixPath, const bitmap::TBitmap32& picture) {
  const int32_t w = picture.Width(), h = picture.Height();
  const int32_t stride = (w * 3 + 3) / 4 * 4;
  const uint32_t pixels = static_cast<uint32_t>(stride * h);
  test_files::Bytes out(54 + pixels);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  put16(26, 1);
  put16(28, 24);
  put32(34, pixels);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = &out[54 + static_cast<size_t>(stride) * (h - 1 - y)];
    for (int x = 0; x < w; ++x) {
      bitmap::TColor32 c = *picture.PixelPtr(x, y);
      row[x * 3] = c & 0xFF;
      row[x * 3 + 1] = (c >> 8) & 0xFF;
      row[x * 3 + 2] = (c >> 16) & 0xFF;
    }
  }
  test_files::WriteFileBytes(unixPath, out);
}

TPicture32 Compose(const TComposition& c) {
  auto composed = std::make_unique<bitmap::TBitmap32>();
  bitmap::TBitmap32& result = *composed;
  result.Assign(const_cast<bitmap::TBitmap32*>(c.Base));
  if (!c.Overlay || c.Overlay->IsEmpty() || result.IsEmpty()) return composed;
  bitmap::TBitmap32 layer;
  if (c.Tile) {
    layer.SetSize(result.Width(), result.Height());
    for (int y = 0; y < layer.Height(); ++y)
      for (int x = 0; x < layer.Width(); ++x)
        *layer.PixelPtr(x, y) = *c.Overlay->PixelPtr(x % c.Overlay->Width(), y % c.Overlay->Height());
  } else {
    layer.SetSize(c.Overlay->Width(), c.Overlay->Height());
    std::memcpy(layer.Bits(), c.Overlay->Bits(), sizeof(bitmap::TColor32) * layer.Width() * layer.Height());
  }
  if (c.Mask && !c.Mask->IsEmpty()) {
    bitmap::TBitmap32 mask;
    mask.Assign(const_cast<bitmap::TBitmap32*>(c.Mask));
    mask.SetDrawMode(bitmap::dmOpaque);
    mask.SetMasterAlpha(255);
    bitmap::TBitmap32 alpha;
    alpha.SetSize(layer.Width(), layer.Height());
    mask.DrawToRect(&alpha, alpha.BoundsRect());
    bitmap::IntensityToAlpha(&layer, &alpha);
  }
  layer.SetStretchFilter(bitmap::sfLanczos);
  layer.SetDrawMode(bitmap::dmCustom);
  layer.OnPixelCombine = bitmap::BlendModeCombineEvent(c.BlendMode);
  layer.SetMasterAlpha(c.Opacity);
  layer.DrawToRect(&result, result.BoundsRect());
  return composed;
}

std::string ColourDifference(const bitmap::TBitmap32& actual, const bitmap::TBitmap32& expected) {
  if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
    return "size " + std::to_string(actual.Width()) + "x" + std::to_string(actual.Height()) + ", expected " +
           std::to_string(expected.Width()) + "x" + std::to_string(expected.Height());
  for (int y = 0; y < actual.Height(); ++y)
    for (int x = 0; x < actual.Width(); ++x) {
      const uint32_t a = *actual.PixelPtr(x, y) & 0xFFFFFF, e = *expected.PixelPtr(x, y) & 0xFFFFFF;
      if (a != e) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%d, %d) is %06X, expected %06X", x, y, a, e);
        return text;
      }
    }
  return {};
}

void MainFormTest::SetUp() {
  formats::RegisterPictureFormats();
  skin::RegisterSkinnedControls();
  skin::RegisterFormSkinning();
  vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
  vcl::DeleteFile(SettingsFile());
  CreateForm();
}

void MainFormTest::TearDown() {
  DestroyForm();
  vcl::DeleteFile(SettingsFile());
  vcl::Application->OnException = nullptr;
  formats::UnregisterPictureFormats();
}

std::string MainFormTest::SettingsFile() {
  // The form names the file without a folder: the platform keeps it in the Windows folder.
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\Mergeon.ini";
}

app::TForm1* MainFormTest::CreateForm() {
  form = vcl::NewForm<app::TForm1>(nullptr);
  form->Show();
  vcl::Application->ProcessMessages();
  return form;
}

void MainFormTest::DestroyForm() {
  delete form;
  form = nullptr;
  vcl::Application->ProcessMessages();
}

std::string MainFormTest::PictureFile(const std::string& name, const bitmap::TBitmap32& picture) {
  WriteBmp(folder.UnixFile(name), picture);
  return folder.File(name);
}

void MainFormTest::Click(vcl::TWinControl* button) {
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  vcl::Application->ProcessMessages();
}

void MainFormTest::ClickGraphic(vcl::TControl* control) {
  HWND parent = control->Parent()->Handle();
  const LPARAM at = MAKELPARAM(control->Left() + control->Width() / 2, control->Top() + control->Height() / 2);
  SendMessageA(parent, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(parent, WM_LBUTTONUP, 0, at);
  vcl::Application->ProcessMessages();
}

void MainFormTest::ClickWindow(vcl::TWinControl* control) {
  const LPARAM at = MAKELPARAM(2, 2);
  SendMessageA(control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(control->Handle(), WM_LBUTTONUP, 0, at);
  vcl::Application->ProcessMessages();
}

void MainFormTest::ClickAndChooseFile(vcl::TWinControl* button, const std::string& fileName) {
  DialogAnswerer answerer([&](HWND dialog) {
    if (fileName.empty())
      PressDialogButton(dialog, IDCANCEL);
    else
      TypeFileNameAndAccept(dialog, fileName);
    return true;
  });
  Click(button);
}

namespace {
BOOL CALLBACK AppendStaticText(HWND child, LPARAM texts) {
  if (ClassNameOf(child) == "Static") *reinterpret_cast<std::string*>(texts) += WindowText(child);
  return TRUE;
}
}  // namespace

std::string MainFormTest::ClickAndReadErrorBox(vcl::TWinControl* button, const std::string& fileName) {
  // Without a handler of its own the application shows the error in a message box.
  auto handler = vcl::Application->OnException;
  vcl::Application->OnException = nullptr;
  std::string message;
  {
    DialogAnswerer answerer([&](HWND dialog) {
      if (!fileName.empty() && FileNameEdit(dialog)) {
        TypeFileNameAndAccept(dialog, fileName);
        return false;
      }
      EnumChildWindows(dialog, AppendStaticText, reinterpret_cast<LPARAM>(&message));
      PressDialogButton(dialog, IDOK);
      return true;
    });
    Click(button);
  }
  vcl::Application->OnException = handler;
  return message;
}

void MainFormTest::SelectComboItem(vcl::TCustomComboBox* combo, int index) {
  HWND wnd = combo->Handle();
  SendMessageA(wnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), CBN_SELCHANGE), reinterpret_cast<LPARAM>(wnd));
  vcl::Application->ProcessMessages();
}

void MainFormTest::MoveTrackBar(vcl::TTrackBar* bar, int position) {
  HWND wnd = bar->Handle();
  SendMessageA(wnd, TBM_SETPOS, TRUE, position);
  SendMessageA(GetParent(wnd), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(wnd));
  vcl::Application->ProcessMessages();
}

void MainFormTest::ChooseOverlayMode(int index) {
  HWND group = form->OverlayImageMode->Handle();
  const char* caption = index == 0 ? "Stretch To Fit" : "Tile Image";
  HWND button = nullptr;
  for (HWND child = GetWindow(group, GW_CHILD); child && !button; child = GetWindow(child, GW_HWNDNEXT))
    if (WindowText(child) == caption) button = child;
  ASSERT_NE(button, nullptr) << caption;
  SendMessageA(button, BM_CLICK, 0, 0);
  vcl::Application->ProcessMessages();
}

void MainFormTest::OpenPalettes() {
  Click(form->BaseEditBtn);
  Click(form->OverlayEditBtn);
  Click(form->MaskEditBtn);
}

TPicture32 MainFormTest::ShownResult() {
  auto shown = std::make_unique<bitmap::TBitmap32>();
  shown->Assign(form->ImageView1->GetTBitmap());
  return shown;
}

void MainFormTest::ExpectResult(const bitmap::TBitmap32& expected) {
  EXPECT_EQ(ColourDifference(*form->FlattenImg->Bitmap(), expected), "") << "in the flattened result";
  EXPECT_EQ(ColourDifference(*ShownResult(), expected), "") << "in the view";
}

void MainFormTest::ExpectButtons(bool result, bool zoom, bool load, bool newImage, bool about) {
  for (vcl::TControl* b : {form->TransferBtn, form->CopyBtn, form->SaveBtn})
    EXPECT_EQ(b->Enabled(), result) << b->Name();
  for (vcl::TControl* b : {form->Zoom100Btn, form->ZoomFitBtn}) EXPECT_EQ(b->Enabled(), zoom) << b->Name();
  for (vcl::TControl* b : {form->BaseBtn, form->OverlayBtn, form->MaskBtn}) EXPECT_EQ(b->Enabled(), load) << b->Name();
  EXPECT_EQ(form->NewBaseBtn->Enabled(), newImage);
  EXPECT_EQ(form->AboutBtn->Enabled(), about);
}

}  // namespace app_test
