#include "tests/skin/forms/provider_fixture.h"

#include <string>

#include "skin/engine/bitmap_ops.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/streams.h"

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

std::unique_ptr<vcl::TBitmap> NewSurface(int width, int height) { return skin::CreateBmp32(width, height); }

uint32_t PixelAt(vcl::TBitmap* bitmap, int x, int y) {
  auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
  const uint8_t* p = row + (bitmap->PixelFormat() == vcl::pf32bit ? 4 : 3) * x;
  return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

}  // namespace provider_test
