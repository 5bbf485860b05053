#include "tests/vcl/controls/controls_test_util.h"

#include "vcl/controls/timer.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace controls_test {

void ControlsTest::SetUp() {
  errors.clear();
  Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
}

void ControlsTest::TearDown() {
  Application->ProcessMessages();
  Application->OnException = nullptr;
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

bool HandleMessagesUntil(const std::function<bool()>& done, int limitMs) {
  TTimer ticker(nullptr);
  ticker.SetInterval(10);
  DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > limitMs) return false;
    Application->HandleMessage();
  }
  return true;
}

std::unique_ptr<TForm> NewTestForm(int width, int height) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(100, 100, width, height);
  return form;
}

TTestPanel::TTestPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks});
  SetBounds(0, 0, 185, 41);
}

TSolidControl::TSolidControl(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 40, 30); }

void TSolidControl::Paint() {
  ++paints_;
  Canvas()->Brush()->SetColor(Fill);
  Canvas()->FillRect(ClientRect());
}

TSolidGraphic::TSolidGraphic(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetBounds(0, 0, 20, 20);
}

void TSolidGraphic::Paint() {
  ++paints_;
  Canvas()->Brush()->SetColor(Fill);
  Canvas()->FillRect(ClientRect());
}

}  // namespace controls_test

VCL_PUBLISHED(controls_test::TTestPanel, p) { (void)p; }
VCL_PUBLISHED(controls_test::TSolidControl, p) { (void)p; }
VCL_PUBLISHED(controls_test::TSolidGraphic, p) { (void)p; }
