#include "tests/imaging/view/view_fixture.h"

#include "imaging/model/ie_bitmap.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/streams.h"

using namespace vcl;

namespace view_fixture {

void Pump() { Application->ProcessMessages(); }

void ViewWindow::SetUp() {
  errors.clear();
  Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
}

void ViewWindow::TearDown() {
  form.reset();
  Pump();
  Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

imaging::TImageView* ViewWindow::MakeView(const std::string& extra) {
  form = std::make_unique<TForm>(nullptr);
  form->SetBounds(40, 40, 300, 250);
  const std::string text = "object TestForm: TForm\n"
                           "  object View: TImageView\n"
                           "    Left = 0\n    Top = 0\n    Width = 200\n    Height = 150\n"
                           "    BorderStyle = bsNone\n"
                           "    ScrollBars = ssNone\n" +
                           extra +
                           "  end\n"
                           "end\n";
  TStringStream stream(text);
  TReader reader(&stream);
  reader.ReadRootComponent(form.get());
  form->Show();
  Pump();
  view = dynamic_cast<imaging::TImageView*>(form->FindComponent("View"));
  return view;
}

void ViewWindow::SetImage(int32_t w, int32_t h, double value) {
  view->GetIEBitmap()->Allocate(w, h, imaging::ie24RGB);
  view->GetIEBitmap()->Fill(value);
  view->Update();
}

}  // namespace view_fixture
