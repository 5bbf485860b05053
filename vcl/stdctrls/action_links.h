// The links through which an action drives the buttons that offer it: beside caption,
// enabled state, hint and visibility (TControlActionLink), a check box or radio button shows
// the action's Checked, and a speed button its Checked as Down and its GroupIndex.
#pragma once

#include "vcl/controls/actions.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {

class TButtonActionLink : public TControlActionLink {
  VCL_CLASS(TButtonActionLink, TControlActionLink)
  explicit TButtonActionLink(TButtonControl* client) : TControlActionLink(client), button_(client) {}

 protected:
  // Checking through the action does not click the button.
  void SetChecked(bool value) override;

 private:
  TButtonControl* button_;
};

class TSpeedButtonActionLink : public TControlActionLink {
  VCL_CLASS(TSpeedButtonActionLink, TControlActionLink)
  explicit TSpeedButtonActionLink(TSpeedButton* client) : TControlActionLink(client), button_(client) {}

 protected:
  // Down follows Checked for a button of a group that can be released (AllowAllUp).
  void SetChecked(bool value) override;
  void SetGroupIndex(int value) override;

 private:
  TSpeedButton* button_;
};

}  // namespace vcl
