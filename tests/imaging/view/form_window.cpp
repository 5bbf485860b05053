#include "tests/imaging/view/form_window.h"

#include "vcl/classes/filer.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/streams.h"

using namespace vcl;

namespace form_window {

void FormWindow::SetUp() {
  errors.clear();
  Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
}

void FormWindow::TearDown() {
  form.reset();
  PumpMessages();
  Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

void FormWindow::PumpMessages() { Application->ProcessMessages(); }

TComponent* FormWindow::ShowForm(const TRect& formBounds, const std::string& type, const std::string& name,
                                 int32_t width, int32_t height, const std::string& extra) {
  form = std::make_unique<TForm>(nullptr);
  form->SetBounds(formBounds.left, formBounds.top, formBounds.right - formBounds.left,
                  formBounds.bottom - formBounds.top);
  const std::string text = "object TestForm: TForm\n"
                           "  object " + name + ": " + type + "\n"
                           "    Left = 0\n    Top = 0\n    Width = " + std::to_string(width) +
                           "\n    Height = " + std::to_string(height) + "\n"
                           "    BorderStyle = bsNone\n"
                           "    ScrollBars = ssNone\n" +
                           extra +
                           "  end\n"
                           "end\n";
  TStringStream stream(text);
  TReader reader(&stream);
  reader.ReadRootComponent(form.get());
  form->Show();
  PumpMessages();
  return form->FindComponent(name);
}

}  // namespace form_window
