// A form to look at, for the showcases of the views: it collects the exceptions that reach the
// application while it lives (a message box would wait for ever under the null driver) and,
// with MERGEON_SHOWCASE_SECONDS set, stays on screen that long so that a screenshot under a
// real display shows it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/forms.h"

class TShowcaseForm {
 public:
  TShowcaseForm(const std::string& caption, int left, int top, int width, int height);
  // Frees the form and gives the application its default exception handling back.
  ~TShowcaseForm();
  TShowcaseForm(const TShowcaseForm&) = delete;
  TShowcaseForm& operator=(const TShowcaseForm&) = delete;

  vcl::TForm* Form() const { return form_.get(); }
  // Keeps the form on screen, handling its messages, for MERGEON_SHOWCASE_SECONDS (when set).
  void HoldOnScreen();
  // Frees the form now and handles what its going leaves behind; the messages of the
  // exceptions collected so far.
  const std::vector<std::string>& Close();

 private:
  std::unique_ptr<vcl::TForm> form_;
  std::vector<std::string> errors_;
};
