#include "tests/skin/forms/provider_fixture.h"

#include <cstdlib>
#include <string>

#include "skin/engine/bitmap_ops.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/streams.h"
#include "vcl/stdctrls/stdctrls.h"

namespace provider_test {

namespace {

const char* const InternalSkinName = "ShineWhite (internal)";

// The container the build wrote; its path is a Unix path, read through Wine's root drive.
std::string InternalSkinBytes() {
  std::string path = MERGEON_INTERNAL_SKIN;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  vcl::TMemoryStream data;
  data.LoadFromFile(path);
  return std::string(static_cast<const char*>(data.Memory()), size_t(data.Size()));
}

// Form data of the main form's manager: the skin stored in it, a skin folder without skins.
std::string ManagerFormText(const std::string& packed) {
  static const char* digits = "0123456789ABCDEF";
  std::string hex;
  for (size_t i = 0; i < packed.size(); ++i) {
    if (i % 32 == 0) hex += "\n        ";
    hex += digits[uint8_t(packed[i]) >> 4];
    hex += digits[uint8_t(packed[i]) & 15];
  }
  return std::string("object sSkinManager1: TsSkinManager\n"
                     "  InternalSkins = <\n"
                     "    item\n"
                     "      Name = '") +
         InternalSkinName + "'\n      Data = {" + hex +
         "}\n"
         "    end>\n"
         "  SkinDirectory = 'c:\\NoSkinsHere'\n"
         "  SkinName = '" +
         InternalSkinName + "'\nend\n";
}

}  // namespace

skin::TsSkinManager* InternalSkinManager() {
  static skin::TsSkinManager* manager = [] {
    vcl::TStringStream stream(ManagerFormText(InternalSkinBytes()));
    return static_cast<skin::TsSkinManager*>(vcl::ReadComponent(&stream, nullptr));
  }();
  return manager;
}

void ProcessMessages() {
  MSG msg;
  for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void ProviderTest::SetUp() {
  errors.clear();
  vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
  manager = InternalSkinManager();
  ASSERT_TRUE(manager && manager->SkinData()->Active) << (manager ? manager->LastLoadError() : "no manager");
}

void ProviderTest::TearDown() {
  forms.clear();
  ProcessMessages();
  vcl::Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

vcl::TForm* ProviderTest::NewSkinnedForm(int width, int height, vcl::TFormBorderStyle style) {
  auto* form = vcl::NewForm<vcl::TForm>(nullptr);
  forms.emplace_back(form);
  form->SetBorderStyle(style);
  form->SetBounds(40, 30, width, height);
  form->SetCaption("");
  vcl::New<skin::TsSkinProvider>(form);
  form->HandleNeeded();
  return form;
}

void ProviderTest::ShowForm(vcl::TForm* form) {
  form->Show();
  ProcessMessages();
  UpdateWindow(form->Handle());
  ProcessMessages();
}

vcl::TForm* ProviderTest::NewSelfFreeingForm(int width, int height, bool& freed) {
  vcl::TForm* form = NewSkinnedForm(width, height);
  forms.back().release();
  forms.pop_back();
  freed = false;
  form->OnClose = [](vcl::TObject*, vcl::TCloseAction& action) { action = vcl::caFree; };
  form->OnDestroy = [&freed](vcl::TObject*) { freed = true; };
  return form;
}

void ProviderTest::ShowWithAButton(vcl::TForm* form) {
  auto* button = new vcl::TButton(form);
  button->SetParent(form);
  button->SetBounds(24, 24, 96, 28);
  button->SetCaption("Button");
  ShowForm(form);
  SetForegroundWindow(form->Handle());
}

std::unique_ptr<vcl::TBitmap> NewSurface(int width, int height) { return skin::CreateBmp32(width, height); }

std::unique_ptr<vcl::TBitmap> PrintedForm(vcl::TForm* form) {
  auto surface = NewSurface(form->Width(), form->Height());
  SendMessageA(form->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(surface->Canvas()->Handle()),
               PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  return surface;
}

uint32_t PixelAt(vcl::TBitmap* bitmap, int x, int y) {
  auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
  const uint8_t* p = row + (bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3) * x;
  return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

std::string Differences(vcl::TBitmap* got, vcl::TBitmap* want, const RECT& r) {
  int count = 0;
  std::string first;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const uint32_t a = PixelAt(got, x, y), b = PixelAt(want, x, y);
      if (a == b) continue;
      if (count++ == 0)
        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") " + std::to_string(a) + " instead of " +
                std::to_string(b);
    }
  return count ? std::to_string(count) + " pixels differ, first " + first : "";
}

void KeepOnScreen(const char* seconds) {
  const DWORD end = GetTickCount() + DWORD(std::atoi(seconds)) * 1000;
  while (GetTickCount() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    ProcessMessages();
  }
}

}  // namespace provider_test
