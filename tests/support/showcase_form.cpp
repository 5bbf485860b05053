#include "tests/support/showcase_form.h"

#include <cstdlib>

#include "vcl/controls/application.h"

TShowcaseForm::TShowcaseForm(const std::string& caption, int left, int top, int width, int height) {
  vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors_.push_back(e->Message()); };
  form_ = std::make_unique<vcl::TForm>(nullptr);
  form_->SetBounds(left, top, width, height);
  form_->SetCaption(caption);
}

TShowcaseForm::~TShowcaseForm() {
  Close();
  vcl::Application->OnException = nullptr;
}

void TShowcaseForm::HoldOnScreen() {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) return;
  const DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(seconds)) * 1000;
  while (GetTickCount() < until) {
    vcl::Application->ProcessMessages();
    Sleep(20);
  }
}

const std::vector<std::string>& TShowcaseForm::Close() {
  if (form_) {
    form_.reset();
    vcl::Application->ProcessMessages();
  }
  return errors_;
}
