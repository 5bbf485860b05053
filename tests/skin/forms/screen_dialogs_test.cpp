// The program's own dialogs on the screen, opened exactly as the program opens them (from its
// active skinned form, which becomes their owner): the open, save and colour dialogs and both
// kinds of message box show the skin's frame (the title band is the frame image the skin
// composed), their texts in the controls' own fonts (still alive: a deleted one leaves the
// fallback bitmap font on the screen) and no black area. The captures are saved for a look
// (MERGEON_SCREEN_SHOTS).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/main_wnd.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/provider_fixture.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/application.h"
#include "vcl/controls/screen.h"
#include "vcl/stdctrls/dialogs.h"

using namespace skin;
using namespace provider_test;

namespace {

// What the timer saw of the dialog while it was open.
struct DialogLook {
  bool found = false;
  bool skinned = false;
  std::string className;
  double titleMismatch = 1.0;  // share of title-band pixels unlike the frame image
  double darkShare = 1.0;      // share of (nearly) black pixels
  std::vector<std::string> textFaults;
  int texts = 0;
};

struct Watch {
  DialogLook look;
  int ticks = 0;
  int seenAt = -1;
  std::string shotName;
};
Watch* watch = nullptr;

// The frame image the skin composed for the window: the dialog adapter's, or the provider's
// of a form.
vcl::TBitmap* FrameImageOf(HWND wnd) {
  if (TacMainWnd* adapter = GetWndAdapter(wnd))
    return adapter->SkinLink ? adapter->SkinLink->CacheBitmap.get() : nullptr;
  for (int i = 0; vcl::Screen && i < vcl::Screen->CustomFormCount(); ++i) {
    vcl::TCustomForm* form = vcl::Screen->CustomForms(i);
    if (form->HandleAllocated() && form->WindowHandle() == wnd)
      if (TsSkinProvider* provider = TsSkinProvider::FromForm(form))
        return provider->SkinData()->CacheBitmap.get();
  }
  return nullptr;
}

std::string Plain(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return text;
}

struct TextCheck {
  DialogLook* look;
};

// Statics and push buttons with a text draw it in their own font: a font that is still alive
// (a deleted one leaves the platform's fallback bitmap font on the screen).
BOOL CALLBACK CheckText(HWND child, LPARAM param) {
  auto* check = reinterpret_cast<TextCheck*>(param);
  if (!IsWindowVisible(child)) return TRUE;
  const std::string cls = ClassNameOf(child);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  const bool label = lstrcmpiA(cls.c_str(), "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
  const bool button = (lstrcmpiA(cls.c_str(), "Button") == 0 || cls == "TButton") && (style & 0xF) <= BS_DEFPUSHBUTTON;
  const std::string text = Plain(WindowText(child));
  if ((!label && !button) || text.empty()) return TRUE;
  ++check->look->texts;
  HFONT font = HFONT(SendMessageA(child, WM_GETFONT, 0, 0));
  if (font && GetObjectType(font) != OBJ_FONT)
    check->look->textFaults.push_back("\"" + text + "\" (" + cls + ") draws in a font that was deleted");
  return TRUE;
}

void Inspect(HWND dialog) {
  DialogLook& look = watch->look;
  look.found = true;
  look.className = ClassNameOf(dialog);
  look.skinned = WndAnswersAlphaCmd(dialog, cmdIsSkinned);
  const screen_test::Capture shot = screen_test::CaptureWindow(dialog);
  screen_test::SaveCapture(shot, watch->shotName);
  if (shot.Empty()) return;
  long dark = 0;
  for (uint32_t p : shot.pixels) dark += screen_test::NearlyBlack(p) ? 1 : 0;
  look.darkShare = double(dark) / double(shot.pixels.size());
  // The title band, under the top border, against the frame image.
  if (vcl::TBitmap* frame = FrameImageOf(dialog); frame && frame->Width() == shot.width) {
    const int top = GetSystemMetrics(SM_CYFRAME), bottom = GetSystemMetrics(SM_CYCAPTION);
    long total = 0, differ = 0;
    for (int y = top; y < bottom && y < frame->Height(); ++y)
      for (int x = 0; x < shot.width; ++x) {
        const uint32_t p = PixelAt(frame, x, y);
        const uint32_t want = (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
        ++total;
        differ += shot.At(shot.left + x, shot.top + y) != want ? 1 : 0;
      }
    look.titleMismatch = total ? double(differ) / double(total) : 1.0;
  }
  TextCheck check{&look};
  EnumChildWindows(dialog, CheckText, reinterpret_cast<LPARAM>(&check));
}

// Runs in the dialog's modal loop: lets the dialog show and paint, looks at it, closes it.
void CALLBACK WatchTick(HWND, UINT, UINT_PTR, DWORD) {
  if (!watch) return;
  ++watch->ticks;
  const std::vector<HWND> dialogs = ThreadDialogs(GetCurrentThreadId());
  HWND dialog = dialogs.empty() ? nullptr : dialogs.back();
  if (!dialog) return;
  if (watch->seenAt < 0) watch->seenAt = watch->ticks;
  if (watch->ticks - watch->seenAt == 8 && !watch->look.found) Inspect(dialog);
  if (watch->ticks - watch->seenAt >= 8) {
    const bool messageForm = ClassNameOf(dialog) == "TMessageForm";
    if (messageForm)
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    else  // the platform's message box with only OK does not take IDCANCEL
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(watch->shotName == "dialog-message-box" ? IDOK : IDCANCEL, BN_CLICKED),
                   0);
  }
}

struct DialogCase {
  const char* name;
  std::function<void(vcl::TForm* owner)> open;
};

const DialogCase kDialogs[] = {
    {"open",
     [](vcl::TForm* owner) {
       vcl::TOpenDialog dialog(owner);
       dialog.SetFilter("Pictures|*.bmp;*.jpg|All files|*.*");
       dialog.Execute();
     }},
    {"save",
     [](vcl::TForm* owner) {
       vcl::TSaveDialog dialog(owner);
       dialog.SetFilter("Bitmaps|*.bmp");
       dialog.Execute();
     }},
    {"colour",
     [](vcl::TForm* owner) {
       vcl::TColorDialog dialog(owner);
       dialog.Execute();
     }},
    {"message-form", [](vcl::TForm*) { vcl::MessageDlg("Skinned?", vcl::mtInformation, {vcl::mbOK}, 0); }},
    {"message-box", [](vcl::TForm*) { vcl::Application->MessageBox("Skinned?", "Mergeon", MB_OK); }},
};

class ScreenDialogs : public ProviderTest {
 protected:
  void SetUp() override {
    if (!screen_test::OnScreen()) GTEST_SKIP() << "needs the X11 driver (tools/x11-test)";
    ProviderTest::SetUp();
    InstallDialogsHook();
  }
  void TearDown() override {
    RemoveDialogsHook();
    ProviderTest::TearDown();
  }
};

TEST_F(ScreenDialogs, ProgramsDialogsShowSkinnedInTheirFonts) {
  // The program's main window: skinned, shown and active, as when a command opens a dialog.
  vcl::TForm* main = NewSkinnedForm(640, 480);
  main->SetCaption("Mergeon");
  ShowForm(main);
  SetForegroundWindow(main->Handle());
  screen_test::Pump(200);
  for (const DialogCase& c : kDialogs) {
    SCOPED_TRACE(c.name);
    Watch seen;
    seen.shotName = std::string("dialog-") + c.name;
    watch = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, WatchTick);
    c.open(main);
    KillTimer(nullptr, timer);
    watch = nullptr;
    const DialogLook& look = seen.look;
    ASSERT_TRUE(look.found);
    EXPECT_TRUE(look.skinned) << look.className;
    EXPECT_LT(look.titleMismatch, 0.02) << "the title band is the skin's frame image";
    EXPECT_LT(look.darkShare, 0.08) << "a black area";
    EXPECT_GE(look.texts, 1);
    for (const std::string& fault : look.textFaults) ADD_FAILURE() << fault;
    screen_test::Pump(200);
    FreeReleasedProviders();
  }
}

}  // namespace
