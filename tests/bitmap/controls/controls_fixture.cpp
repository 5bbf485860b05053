#include "tests/bitmap/controls/controls_fixture.h"

#include <cstdio>

#include "vcl/controls/application.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"

namespace controls_fixture {

void ControlsTest::SetUp() {
  errors.clear();
  vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
}

void ControlsTest::TearDown() {
  form.reset();
  vcl::Application->ProcessMessages();
  vcl::Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

vcl::TForm* ControlsTest::ShownForm(int clientWidth, int clientHeight) {
  form = std::make_unique<vcl::TForm>(nullptr);
  form->SetBounds(50, 50, 100, 100);
  form->SetClientWidth(clientWidth);
  form->SetClientHeight(clientHeight);
  form->Show();
  Pump();
  return form.get();
}

bool PumpUntil(const std::function<bool()>& done, int limitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > limitMs) return false;
    vcl::Application->ProcessMessages();
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void Pump() { vcl::Application->ProcessMessages(); }

std::unique_ptr<bitmap::TBitmap32> CaptureClient(vcl::TWinControl* control) {
  auto capture = std::make_unique<bitmap::TBitmap32>();
  const vcl::TRect client = control->ClientRect();
  capture->SetSize(client.right, client.bottom);
  // The window paints itself into the capture's DC as it would onto the screen.
  SendMessageA(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(capture->DC()),
               PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND);
  GdiFlush();
  return capture;
}

std::string WriteFormText(vcl::TComponent* root) {
  vcl::TStringStream stream;
  {
    vcl::TWriter writer(&stream);
    writer.WriteRootComponent(root);
  }
  return stream.DataString();
}

void ReadFormText(const std::string& text, vcl::TComponent* root) {
  vcl::TStringStream stream(text);
  vcl::TReader reader(&stream);
  reader.ReadRootComponent(root);
}

std::string BitmapDataText(const bitmap::TBitmap32& bitmap) {
  vcl::TMemoryStream stream;
  bitmap.WriteData(&stream);
  std::string text = "{";
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  char hex[3];
  for (int64_t i = 0; i < stream.Size(); ++i) {
    std::snprintf(hex, sizeof(hex), "%02X", bytes[i]);
    text += hex;
  }
  return text + "}";
}

std::ostream& operator<<(std::ostream& out, const ThemePart& p) {
  return out << "part " << p.part << " state " << p.state << " at (" << p.rect.Left << ", " << p.rect.Top << ", "
             << p.rect.Right << ", " << p.rect.Bottom << ")";
}

namespace {
ThemeSpy* g_spy = nullptr;
}  // namespace

ThemeSpy::ThemeSpy() {
  auto& library = const_cast<bitmap::TThemeLibrary&>(bitmap::ThemeNexus().Library());
  original_ = library.DrawThemeBackground;
  library.DrawThemeBackground = &Record;
  g_spy = this;
}

ThemeSpy::~ThemeSpy() {
  auto& library = const_cast<bitmap::TThemeLibrary&>(bitmap::ThemeNexus().Library());
  if (library.DrawThemeBackground == &Record) library.DrawThemeBackground = original_;
  g_spy = nullptr;
}

HRESULT WINAPI ThemeSpy::Record(bitmap::HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                                const RECT* clip) {
  g_spy->parts.push_back(ThemePart{part, state, bitmap::TRect{rect->left, rect->top, rect->right, rect->bottom}});
  return g_spy->original_(theme, dc, part, state, rect, clip);
}

std::unique_ptr<bitmap::TBitmap32> ThemeSpy::Draw(const std::vector<ThemePart>& drawn, int w, int h,
                                                  bitmap::TColor32 background) const {
  auto surface = std::make_unique<bitmap::TBitmap32>();
  surface->SetSize(w, h);
  surface->FillColor(background);
  for (const ThemePart& p : drawn) {
    const RECT r{p.rect.Left, p.rect.Top, p.rect.Right, p.rect.Bottom};
    original_(bitmap::ScrollbarTheme(), surface->DC(), p.part, p.state, &r, nullptr);
  }
  GdiFlush();
  return surface;
}

std::unique_ptr<bitmap::TBitmap32> PaintClientOver(vcl::TWinControl* control, bitmap::TColor32 background) {
  auto surface = std::make_unique<bitmap::TBitmap32>();
  const vcl::TRect client = control->ClientRect();
  surface->SetSize(client.right, client.bottom);
  surface->FillColor(background);
  SendMessageA(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->DC()), PRF_CLIENT);
  GdiFlush();
  return surface;
}

}  // namespace controls_fixture
