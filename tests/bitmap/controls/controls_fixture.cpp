#include "tests/bitmap/controls/controls_fixture.h"

#include <cstdio>

#include "vcl/controls/application.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"

using namespace vcl;

namespace controls_fixture {

void ControlsTest::SetUp() {
  errors.clear();
  Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
}

void ControlsTest::TearDown() {
  form.reset();
  Application->ProcessMessages();
  Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TForm* ControlsTest::ShownForm(int clientWidth, int clientHeight) {
  form = std::make_unique<TForm>(nullptr);
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
    Application->ProcessMessages();
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void Pump() { Application->ProcessMessages(); }

std::unique_ptr<bitmap::TBitmap32> CaptureClient(TWinControl* control) {
  auto capture = std::make_unique<bitmap::TBitmap32>();
  const TRect client = control->ClientRect();
  capture->SetSize(client.right, client.bottom);
  // The window paints itself into the capture's DC as it would onto the screen.
  SendMessageA(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(capture->DC()),
               PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND);
  GdiFlush();
  return capture;
}

std::string WriteFormText(TComponent* root) {
  TStringStream stream;
  {
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
  }
  return stream.DataString();
}

void ReadFormText(const std::string& text, TComponent* root) {
  TStringStream stream(text);
  TReader reader(&stream);
  reader.ReadRootComponent(root);
}

std::string BitmapDataText(const bitmap::TBitmap32& bitmap) {
  TMemoryStream stream;
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

}  // namespace controls_fixture
